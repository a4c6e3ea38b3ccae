#!/usr/bin/env bash
# Builds the libraries of the Windows build that Debian ships for Linux only (libpng, libtiff)
# from Debian's own source packages, and fetches TinyXml's, into BUILD/src and BUILD/deps.
# Needs root the first time: it adds deb-src entries for the release when none are there.
set -euo pipefail
build=$(realpath -m "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/cmake/mingw-i686.cmake
jobs=${JOBS:-$(nproc)}
. /etc/os-release
suite=${VERSION_CODENAME:?the release has no code name}

# Source entries: the binary ones, as deb-src.
if ! apt-get source --simulate tinyxml >/dev/null 2>&1; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > /etc/apt/sources.list.d/vexlor-src.sources
  else
    grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' > /etc/apt/sources.list.d/vexlor-src.list
  fi
  apt-get update -qq
fi

mkdir -p "$build/src"
fetch() {  # fetch PACKAGE FOLDER: the release's source package, Debian's patches applied
  [ -d "$build/src/$2" ] && return
  (cd "$build/src" && apt-get source -qq "$1/$suite" >/dev/null 2>&1 && rm -rf "$2" && mv "$(ls -d "$1"-*/ | head -n 1)" "$2")
  [ -d "$build/src/$2" ] || { echo "windows-deps: could not fetch the source package $1" >&2; exit 1; }
}
fetch tinyxml tinyxml
fetch libpng1.6 libpng
fetch tiff tiff

zlib=(-DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include)
build_library() {  # build_library FOLDER MARKER CMAKE-OPTIONS...
  local folder=$1 marker=$2; shift 2
  [ -f "$build/deps/lib/$marker" ] && return
  echo "windows-deps: building $folder for Windows"
  cmake -S "$build/src/$folder" -B "$build/deps-build/$folder" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$build/deps" "${zlib[@]}" "$@" > "$build/deps-build-$folder.log" 2>&1 &&
  cmake --build "$build/deps-build/$folder" -j "$jobs" >> "$build/deps-build-$folder.log" 2>&1 &&
  cmake --install "$build/deps-build/$folder" >> "$build/deps-build-$folder.log" 2>&1 ||
    { tail -n 30 "$build/deps-build-$folder.log" >&2; exit 1; }
}
build_library libpng libpng16.a -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DSKIP_INSTALL_PROGRAMS=ON
build_library tiff libtiff.a -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-contrib=OFF \
  -Dtiff-docs=OFF -Dcxx=OFF -Djpeg=OFF -Dold-jpeg=OFF -Djbig=OFF -Dlzma=OFF -Dzstd=OFF -Dwebp=OFF -Dlerc=OFF \
  -Dlibdeflate=OFF -Dzlib=ON
