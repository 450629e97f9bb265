#!/usr/bin/env bash
# The Windows build: cross-compiles everything (scripts/build-windows.sh),
# runs the whole test suite under Wine, then runs both programs of the
# Windows build and of the Linux build (build/) on the same frames and
# compares their TIFFs byte for byte, with the time per frame of each.
#   scripts/test-windows.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
export WINEDEBUG=-all
log=$(mktemp)
bash scripts/build-windows.sh >"$log" 2>&1 || { tail -n 40 "$log"; exit 1; }
rm -f "$log"
bash scripts/build.sh >/dev/null
win="$root/build-windows/project"

# Under a terminal of its own: Wine gives a console, and so Ctrl-C, only to
# programs that have one (ctest's pipes are not).
echo "-- the test suite under Wine"
# One wineserver for the whole suite: one that a test's Wine process starts
# would keep that test's output pipe, so ctest would wait for it to exit.
wineserver -p 2>/dev/null || true  # already running: fine
# Wine's own services (services.exe, winedevice.exe, ...) start with the
# first program and keep its handles: start them here, not inside a test,
# or they keep that test's output pipe open and ctest waits for ever.
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT
log=$(mktemp)
if ! script -qec "ctest --test-dir '$win' -j$jobs --output-on-failure" /dev/null >"$log" 2>&1; then
  cat "$log"
  exit 1
fi
grep -E 'tests passed|Total Test time' "$log"
rm -f "$log"

echo "-- the same frames through the Linux and the Windows build"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; wineserver -k 2>/dev/null || true' EXIT
# run DIR PROGRAM ARGS...: prints the wall time in seconds.
run() {
  local dir=$1; shift
  local start end
  start=$(date +%s.%N)
  (cd "$dir" && "$@" >stdout.txt 2>stderr.txt) || { cat "$dir/stderr.txt" >&2; return 1; }
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
status=0
check() {  # NAME FRAMES GIF_ARGS... -- PROGRAM_ARGS...
  local name=$1 frames=$2; shift 2
  local gif_args=()
  while [ "$1" != "--" ]; do gif_args+=("$1"); shift; done
  shift
  mkdir -p "$scratch/$name/linux" "$scratch/$name/windows"
  (cd "$scratch/$name/linux" && "$root/build/sample/make_sample_frames" "${gif_args[@]}")
  cp "$scratch/$name/linux/"*.gif "$scratch/$name/windows/"
  local program=$1; shift
  local tl tw
  tl=$(run "$scratch/$name/linux" "$root/build/bin/$program" "$@")
  tw=$(run "$scratch/$name/windows" wine "$win/bin/$program.exe" "$@")
  local tiffs=0
  for tif in "$scratch/$name/linux/"*.tif; do
    tiffs=$((tiffs + 1))
    if ! cmp -s "$tif" "$scratch/$name/windows/$(basename "$tif")"; then
      echo "$name: $(basename "$tif") differs between the Linux and the Windows build"
      status=1
    fi
  done
  # The same progress text, with CR LF line ends on Windows.
  if ! cmp -s <(perl -pe 's/\n/\r\n/' "$scratch/$name/linux/stdout.txt") "$scratch/$name/windows/stdout.txt"; then
    echo "$name: standard output differs"
    status=1
  fi
  awk -v n="$name" -v t="$tiffs" -v f="$frames" -v l="$tl" -v w="$tw" \
    'BEGIN { printf "%-40s %d TIFFs identical; per frame: Linux %.3f s, Wine %.3f s\n", n, t, l / f, w / f }'
}
check "fieldweaver 1440x270 fields" 4 -photo 0 7 1440 270 -- fieldweaver 0 6
check "framehalver 2560x1440 frames" 3 -photo 0 2 2560 1440 -- framehalver 0 2 1280 720
exit $status
