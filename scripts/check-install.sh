#!/usr/bin/env bash
# Checks what a user gets: installs a Release build into a temporary prefix
# and makes its Debian package (unpacked with dpkg -x), then runs one weave
# and one halve in each of the two trees and compares their TIFFs and
# standard output byte for byte with the same runs from the build tree. Also
# checks the package's files and that every installed manual page renders
# without warnings. Builds nothing: run scripts/build.sh first.
#   scripts/check-install.sh [BUILD_DIR]     (default: build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "check-install: $*" >&2; exit 1; }
if [ ! -x "$build/bin/fieldweaver" ] || [ ! -f "$build/CPackConfig.cmake" ]; then
  fail "$build: no build with packaging here (scripts/build.sh makes build/)"
fi

cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB failed"; }
debs=("$scratch"/package/frametools_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then fail "cpack made no single frametools_*.deb"; fi
deb=${debs[0]}
dpkg -x "$deb" "$scratch/root"

# The package: everything under /usr, nothing but the two programs on PATH
# (Debian's giflib-tools and libtiff-tools own /usr/bin/gif2rgb and
# /usr/bin/raw2tiff), the helpers in their private directory, dependencies
# computed.
outside=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '^\./usr/' || true)
[ -z "$outside" ] || fail "package files outside /usr: $outside"
on_path=$(cd "$scratch/root/usr/bin" && find . -mindepth 1 | LC_ALL=C sort | tr '\n' ' ')
[ "$on_path" = "./fieldweaver ./framehalver " ] || fail "package /usr/bin holds: $on_path"
dpkg-deb -f "$deb" Depends | grep -q 'libc6' || fail "package without a computed Depends"

pages="fieldweaver.1 framehalver.1 frametools-gif2rgb.1 frametools-raw2tiff.1"
for tree in "$scratch/prefix" "$scratch/root/usr"; do
  for helper in gif2rgb raw2tiff del; do
    [ -x "$tree/libexec/frametools/$helper" ] || fail "$tree: no libexec/frametools/$helper"
  done
done
# The two trees' pages are the same bytes; those of the prefix must render
# without a warning (C.UTF-8 is always there: no complaint about the locale).
for page in $pages; do
  file="$scratch/prefix/share/man/man1/$page.gz"
  [ -f "$file" ] || fail "no share/man/man1/$page.gz installed"
  cmp "$file" "$scratch/root/usr/share/man/man1/$page.gz" || fail "the package's $page.gz differs"
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>"$scratch/man.err")
  [ ! -s "$scratch/man.err" ] || fail "$page: $(cat "$scratch/man.err")"
  grep -q '^NAME' <<<"$text" || fail "$page renders no NAME section"
done

# The same frames for every tree: fields of 16 x 4 (frames 0 to 3) and
# frames of 16 x 8 (0 and 1).
mkdir -p "$scratch/frames/weave" "$scratch/frames/halve"
(cd "$scratch/frames/weave" && "$build/sample/make_sample_frames" 0 3 16 4)
(cd "$scratch/frames/halve" && "$build/sample/make_sample_frames" -photo 0 1 16 8)

# run_tree NAME BIN_DIR: both runs in a copy of the frames, with a PATH that
# holds no build directory, so that each tree uses its own helpers.
run_tree() {
  local name=$1 bin=$2 work="$scratch/run-$1"
  cp -r "$scratch/frames" "$work"
  (cd "$work/weave" && PATH=/usr/bin:/bin "$bin/fieldweaver" 0 2 8 4 >../weave.out) ||
    fail "$name: fieldweaver 0 2 8 4 failed"
  (cd "$work/halve" && PATH=/usr/bin:/bin "$bin/framehalver" 0 1 8 4 >../halve.out) ||
    fail "$name: framehalver 0 1 8 4 failed"
}
run_tree build "$build/bin"
run_tree prefix "$scratch/prefix/bin"
run_tree deb "$scratch/root/usr/bin"

# Only the GIFs and the TIFFs (and the captured output) are left.
expected="halve halve.out halve/im00000.gif halve/im00000.tif halve/im00001.gif halve/im00001.tif \
weave weave.out weave/im00000.gif weave/im00000.tif weave/im00001.gif weave/im00001.tif weave/im00002.gif \
weave/im00003.gif "
for name in build prefix deb; do
  files=$(cd "$scratch/run-$name" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')
  [ "$files" = "$expected" ] || fail "$name: the runs left: $files"
done
for name in prefix deb; do
  for file in weave.out halve.out weave/im00000.tif weave/im00001.tif halve/im00000.tif halve/im00001.tif; do
    cmp "$scratch/run-build/$file" "$scratch/run-$name/$file" || fail "$name: $file differs from the build tree's"
  done
done
echo "check-install: $(basename "$deb"), the installed tree and the build tree give the same TIFFs; manual pages render"
