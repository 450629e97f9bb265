#!/usr/bin/env bash
# Sets everything up and runs both programs at their default sizes on a
# built-in sample sequence, in demo/ (made afresh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
bash scripts/build.sh >/dev/null
root=$(pwd)
rm -rf demo && mkdir -p demo/weave demo/halve

echo "== fieldweaver: six 1440 x 270 fields into three 720 x 540 frames"
(cd demo/weave && "$root/build/sample/make_sample_frames" 0 5 1440 270 && "$root/build/bin/fieldweaver" 0 4)
echo
ls -l demo/weave

echo "== framehalver: three 5120 x 2880 frames into 2560 x 1440 frames"
(cd demo/halve && "$root/build/sample/make_sample_frames" -photo 0 2 5120 2880 && "$root/build/bin/framehalver" 0 2)
ls -l demo/halve
