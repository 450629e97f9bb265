#!/usr/bin/env bash
# Cross-builds the project for 64-bit Windows on Debian 12 with MinGW-w64,
# with Wine to run the test executables.
#
#   bash scripts/build-windows.sh
#
# 1. Installs the cross compiler, Wine and the build tools from Debian.
# 2. Fetches Debian's sources of zlib, giflib, libtiff and GoogleTest and
#    cross-builds them once, static, into build-windows/deps/prefix. Each
#    library has a stamp in build-windows/deps/stamps: later runs reuse it
#    (remove the stamp, or build-windows/deps, to rebuild).
# 3. Configures and builds the project into build-windows/project with
#    cmake/toolchain-mingw-w64-x86_64.cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-windows
deps=$out/deps
downloads=$deps/downloads
src=$deps/src
work=$deps/build
prefix=$deps/prefix
stamps=$deps/stamps
toolchain=$root/cmake/toolchain-mingw-w64-x86_64.cmake
triple=x86_64-w64-mingw32
jobs=$(nproc)
suite=bookworm   # the point release's sources; the security suite's are not used
libs=(zlib giflib tiff googletest)

step() { printf '==> [%4ss] %s\n' "$SECONDS" "$*"; }
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
export FRAMETOOLS_WINDOWS_DEPS=$prefix
export WINEDEBUG=${WINEDEBUG:--all}

# --- 1. Packages ------------------------------------------------------------
packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64
  dpkg-dev       # dpkg-source
  cmake make xz-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${missing[*]}"
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  step "cross compiler, Wine and build tools already installed"
fi

mkdir -p "$downloads" "$src" "$work" "$prefix" "$stamps"

# --- 2. Library sources -----------------------------------------------------
# Adds deb-src for the archives and suites that apt already uses for binary
# packages: deb822 files get deb-src in their Types, one-line lists get a
# deb-src twin of every deb line.
add_deb_src() {
  local f tmp line
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    tmp=$(mktemp)
    sed -E '/^Types:/{/[[:space:]]deb-src([[:space:]]|$)/!{/[[:space:]]deb([[:space:]]|$)/s/[[:space:]]*$/ deb-src/}}' "$f" >"$tmp"
    if ! cmp -s "$f" "$tmp"; then
      step "adding deb-src to the Types of $f"
      $sudo cp "$tmp" "$f"
    fi
    rm -f "$tmp"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -nE 's/^[[:space:]]*deb([[:space:]].*)$/deb-src\1/p' "$f" | while IFS= read -r line; do
      if ! grep -qxF -- "$line" "$f"; then
        step "adding to $f: $line"
        printf '%s\n' "$line" | $sudo tee -a "$f" >/dev/null
      fi
    done
  done
}

# The newest .dsc of a source package among the downloads.
dsc_of() { ls "$downloads"/"$1"_*.dsc 2>/dev/null | sort -V | tail -n 1; }

need_download=()
for lib in "${libs[@]}"; do
  if [ ! -f "$stamps/$lib" ] && [ -z "$(dsc_of "$lib")" ]; then
    need_download+=("$lib/$suite")
  fi
done
if [ ${#need_download[@]} -gt 0 ]; then
  add_deb_src
  step "apt-get update (with deb-src)"
  $sudo apt-get update -qq
  step "downloading the sources: ${need_download[*]}"
  # apt runs its download as the _apt user when it can write the directory.
  chmod 0777 "$downloads" 2>/dev/null || true
  (cd "$downloads" && apt-get source -qq --download-only "${need_download[@]}")
fi

# Unpacks a source package (with Debian's patches) into $src/NAME, afresh.
# apt-get source has already checked the files against the signed archive
# index, so dpkg-source need not look for the uploader's key (--no-check).
unpack() {
  local lib=$1 dsc
  dsc=$(dsc_of "$lib")
  [ -n "$dsc" ] || { echo "no source package for $lib in $downloads" >&2; exit 1; }
  rm -rf "${src:?}/$lib"
  step "$lib: unpacking $(basename "$dsc")"
  dpkg-source --no-check -x "$dsc" "$src/$lib" >/dev/null
}

# After a library is installed its unpacked sources and build tree go: the
# prefix and the downloaded source packages are what is kept. (giflib's and
# libtiff's sources also hold their command-line utilities, which nothing
# here builds or needs.)
done_with() { rm -rf "${src:?}/$1" "${src:?}/$1"_*.orig.tar.* "${work:?}/$1"; }

# --- 3. Libraries, cross-built once -----------------------------------------
cc=$triple-gcc-posix

if [ -f "$stamps/zlib" ]; then
  step "zlib: cached ($(cat "$stamps/zlib"))"
else
  unpack zlib
  step "zlib: configure --static and build"
  (
    cd "$src/zlib"
    CHOST=$triple CC=$cc AR=$triple-ar RANLIB=$triple-ranlib CFLAGS="-O2" \
      ./configure --static --prefix="$prefix" >/dev/null
    make -j"$jobs" libz.a >/dev/null
    make install >/dev/null
  )
  basename "$(dsc_of zlib)" .dsc >"$stamps/zlib"
  done_with zlib
fi

# cmake_configure LABEL NAME ARGS...: a library's own CMake, cross, static,
# into the prefix; its output in $work/NAME-configure.log.
cmake_configure() {
  local label=$1 name=$2; shift 2
  step "$label: cmake configure"
  rm -rf "${work:?}/$name"
  cmake -S "$src/$name" -B "$work/$name" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DFRAMETOOLS_WINDOWS_DEPS="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$work/$name-configure.log"
}

# cmake_build_install LABEL NAME
cmake_build_install() {
  step "$1: build and install"
  cmake --build "$work/$2" -j"$jobs" >"$work/$2-build.log"
  cmake --install "$work/$2" >/dev/null
}

if [ -f "$stamps/giflib" ]; then
  step "giflib: cached ($(cat "$stamps/giflib"))"
else
  unpack giflib
  step "giflib: make libgif.a"
  # Only the library: giflib's own utilities are not built.
  make -C "$src/giflib" -j"$jobs" libgif.a CC="$cc" AR="$triple-ar" \
    CFLAGS="-std=gnu99 -O2 -Wall" >/dev/null
  install -d "$prefix/include" "$prefix/lib"
  install -m 0644 "$src/giflib/gif_lib.h" "$prefix/include/"
  install -m 0644 "$src/giflib/libgif.a" "$prefix/lib/"
  basename "$(dsc_of giflib)" .dsc >"$stamps/giflib"
  done_with giflib
fi

# libtiff: static, only the library and the codecs the project needs (zlib
# for Deflate; PackBits is built in). win32-io is OFF: the project opens
# TIFFs with TIFFOpen(path), with TIFFFdOpen/TIFFFdOpenExt on C runtime file
# descriptors (the tests) and with TIFFClientOpenExt on its own callbacks
# (raw2tiff). With win32-io ON, libtiff's file layer is tif_win32.c and
# TIFFFdOpen takes a Win32 HANDLE cast to int, which a C runtime descriptor
# is not. With it OFF, tif_unix.c reads and writes through the C runtime's
# _read/_write/_lseeki64; TIFFOpen adds O_BINARY to its open() flags, so no
# CR LF translation happens. A descriptor handed to TIFFFdOpen must itself be
# opened with O_BINARY (or set with _setmode(fd, _O_BINARY)).
if [ -f "$stamps/tiff" ]; then
  step "libtiff: cached ($(cat "$stamps/tiff"))"
else
  unpack tiff
  cmake_configure libtiff tiff \
    -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF -Dtiff-docs=OFF \
    -Dcxx=OFF -Dwin32-io=OFF \
    -Dzlib=ON -DZLIB_ROOT="$prefix" \
    -Dlibdeflate=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djpeg12=OFF -Djbig=OFF \
    -Dlerc=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dpixarlog=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_OpenGL=ON -DCMAKE_DISABLE_FIND_PACKAGE_GLUT=ON
  if ! grep -Eq 'ZLIB support:.*Support:TRUE' "$work/tiff-configure.log"; then
    echo "libtiff: zlib not found in $prefix (see $work/tiff-configure.log)" >&2
    exit 1
  fi
  cmake_build_install libtiff tiff
  basename "$(dsc_of tiff)" .dsc >"$stamps/tiff"
  done_with tiff
fi

if [ -f "$stamps/googletest" ]; then
  step "GoogleTest: cached ($(cat "$stamps/googletest"))"
else
  unpack googletest
  cmake_configure GoogleTest googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  cmake_build_install GoogleTest googletest
  basename "$(dsc_of googletest)" .dsc >"$stamps/googletest"
  done_with googletest
fi

# Wine creates its prefix (~/.wine, or $WINEPREFIX) on first use, which
# takes seconds: do it now rather than inside the first test discovery.
step "Wine prefix: ${WINEPREFIX:-$HOME/.wine}"
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

step "libraries ready in $prefix (${SECONDS}s)"

# --- 4. The project -----------------------------------------------------------
step "project: cmake configure (build-windows/project)"
cmake -S "$root" -B "$out/project" \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DFRAMETOOLS_WINDOWS_DEPS="$prefix" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
  -DFRAMETOOLS_BENCHMARKS=OFF
step "project: build"
cmake --build "$out/project" -j"$jobs"
step "done in ${SECONDS}s: programs in build-windows/project/bin, helpers in build-windows/project/libexec/frametools"
