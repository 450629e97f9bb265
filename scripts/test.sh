#!/usr/bin/env bash
# Sets everything up and runs every check:
#  1. the whole test suite built with clang, AddressSanitizer and UBSan (but
#     the thousand-frame runs: their 5,500 sanitized helper starts take 50 ms
#     each; stage 4 runs them);
#  2. each libFuzzer target for 45 s over its committed corpus;
#  3. small runs of both programs and their helpers under valgrind;
#  4. the whole test suite in the Release build;
#  5. the Release build installed and packaged as a .deb: the same TIFFs as
#     from the build tree, and manual pages that render;
#  6. the Windows build, cross-compiled with MinGW-w64, its test suite under
#     Wine, and its TIFFs and output against the Linux build's.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
jobs=$(nproc)

echo "== 1. sanitizer build and tests (clang, ASan + UBSan)"
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFRAMETOOLS_SANITIZE=ON -DFRAMETOOLS_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j"$jobs" >/dev/null
log=$(mktemp)
if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
     ctest --test-dir build-sanitize -j"$jobs" -E '^LongRun' --output-on-failure >"$log" 2>&1; then
  cat "$log"
  exit 1
fi
tail -n 3 "$log"
rm -f "$log"

echo "== 2. fuzzing"
bash scripts/fuzz-briefly.sh 45

echo "== 3. valgrind"
bash scripts/valgrind-runs.sh

echo "== 4. Release build and tests"
bash scripts/build.sh >/dev/null
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== 5. installed tree and Debian package"
bash scripts/check-install.sh build

echo "== 6. Windows build and its tests under Wine"
bash scripts/test-windows.sh
