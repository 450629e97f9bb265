#!/usr/bin/env bash
# Installs what the build, the tests, the benchmarks and the packaging need
# on Debian 12.
set -euo pipefail
# The list is scripts/debian-packages.txt, which .ci/run installs too.
mapfile -t packages < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' "$(dirname "$0")/debian-packages.txt")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
