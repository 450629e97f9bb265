#!/usr/bin/env bash
# Runs one small case of each program, and the converters it starts, under
# valgrind's memcheck: any invalid access, use of an uninitialised value
# (also in what is written to a file) or leak fails.
#   scripts/valgrind-runs.sh
# memcheck cannot follow a static C library, so this is a build of its own
# with the helpers linked dynamically.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-valgrind"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFRAMETOOLS_STATIC_HELPERS=OFF \
  -DFRAMETOOLS_TESTS=OFF -DFRAMETOOLS_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
memcheck=(valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect
          --trace-children=yes)
run_case() {  # DIR PROGRAM ARGS...
  local dir=$1; shift
  echo "== valgrind: $(basename "$1") ${*:2}"
  (cd "$dir" && "${memcheck[@]}" "$@" >/dev/null)
}
mkdir -p "$scratch/weave" "$scratch/halve"
(cd "$scratch/weave" && "$build/sample/make_sample_frames" 0 3 96 32)
(cd "$scratch/halve" && "$build/sample/make_sample_frames" -photo 0 1 96 64)
run_case "$scratch/weave" "$build/bin/fieldweaver" 0 2 48 32
run_case "$scratch/halve" "$build/bin/framehalver" 0 1 48 32
# The end of a sequence, where fields are missing: the failure paths too. The
# run reports them (exit 1); a helper's valgrind error would be exit 99.
status=0
run_case "$scratch/weave" "$build/bin/fieldweaver" 2 4 48 32 2>"$scratch/err" || status=$?
if [ $status -ne 1 ] || grep -qE '^==[0-9]+==|status 99' "$scratch/err"; then
  cat "$scratch/err"
  exit 1
fi
echo "valgrind: clean"
