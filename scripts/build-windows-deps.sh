#!/usr/bin/env bash
# Cross-builds the libraries the Windows build links (protobuf, zlib,
# libdeflate, pugixml, libzip) with mingw-w64 from Debian's own source
# packages, as static libraries in one prefix:
#   scripts/build-windows-deps.sh [PREFIX]
# PREFIX defaults to $SW_WINDOWS_DEPS or
# ${XDG_CACHE_HOME:-$HOME/.cache}/sheetwright/mingw-w64/prefix, outside any
# build folder, so deleting build folders keeps it. Each library is built at
# the version of its host package (protobuf's headers must match the host
# protoc) and stamped; a library whose stamp matches is not touched again, so
# a second run takes a second. Sources come through `apt-get source`, after a
# deb-src entry is added for the configured Debian mirror when none exists.
set -euo pipefail
shopt -s inherit_errexit
cache=${XDG_CACHE_HOME:-$HOME/.cache}/sheetwright/mingw-w64
prefix=${1:-${SW_WINDOWS_DEPS:-$cache/prefix}}
work=$(dirname "$prefix")/work
host=x86_64-w64-mingw32
jobs=$(nproc)
# Modest optimisation: these libraries are not where the time goes, and the
# cold build stays short on a small machine.
cflags="-O1 -DNDEBUG -w"  # -w: their warnings are not ours to act on
# Bumped when a recipe below changes, so cached builds are redone.
recipe=1
mkdir -p "$prefix/lib/pkgconfig" "$prefix/include" "$prefix/stamps" "$work"

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

host_version() { dpkg-query -W -f='${Version}' "$1"; }
source_version() { dpkg-query -W -f='${source:Version}' "$1"; }
stamp_of() { echo "recipe=$recipe version=$(host_version "$2")"; }
is_current() { [ -f "$prefix/stamps/$1" ] && [ "$(cat "$prefix/stamps/$1")" = "$(stamp_of "$1" "$2")" ]; }

source_entries_ready=0
ensure_source_entries() {
  ((source_entries_ready)) && return
  if ! grep -rqs '^\(Types:.*deb-src\|deb-src \)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    echo "adding a deb-src entry for Debian's source packages"
    local suite
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    $sudo_cmd tee /etc/apt/sources.list.d/sheetwright-deb-src.sources >/dev/null <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    $sudo_cmd apt-get update -qq
  fi
  command -v dpkg-source >/dev/null || \
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends dpkg-dev
  source_entries_ready=1
}

# Unpacks source package $1 at the version of host package $2 into
# $work/$1 (Debian's patches applied) and prints the folder.
unpack() {
  ensure_source_entries >&2  # stdout carries the folder only
  local dir=$work/$1
  rm -rf "$dir" "$work/download-$1"
  mkdir -p "$work/download-$1"
  (cd "$work/download-$1" && apt-get source -qq --download-only "$1=$(source_version "$2")" >/dev/null 2>&1)
  dpkg-source --no-check -x "$work/download-$1"/*.dsc "$dir" >/dev/null
  rm -rf "$work/download-$1"
  echo "$dir"
}

cmake_cross() {
  cmake -G "Unix Makefiles" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64 \
    -DCMAKE_C_COMPILER=$host-gcc-posix -DCMAKE_CXX_COMPILER=$host-g++-posix \
    -DCMAKE_RC_COMPILER=$host-windres \
    -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/$host" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$cflags" -DCMAKE_CXX_FLAGS_RELEASE="$cflags" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF --no-warn-unused-cli -Wno-dev -Wno-deprecated "$@" >/dev/null
}

build_zlib() {
  local src
  src=$(unpack zlib zlib1g-dev)
  cmake_cross -S "$src" -B "$src/build"
  cmake --build "$src/build" --target zlibstatic -j "$jobs" >/dev/null
  cp "$src/build/libzlibstatic.a" "$prefix/lib/libz.a"
  cp "$src/zlib.h" "$src/build/zconf.h" "$prefix/include/"
}

build_libdeflate() {
  local src
  src=$(unpack libdeflate libdeflate-dev)
  make -C "$src" -j "$jobs" CC=$host-gcc-posix AR=$host-ar CFLAGS="$cflags" libdeflatestatic.lib >/dev/null
  cp "$src/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
  cp "$src/libdeflate.h" "$prefix/include/"
  cat >"$prefix/lib/pkgconfig/libdeflate.pc" <<EOF
prefix=$prefix
Name: libdeflate
Description: Fast implementation of DEFLATE, zlib, and gzip
Version: $(host_version libdeflate-dev | cut -d- -f1)
Libs: -L\${prefix}/lib -ldeflate
Cflags: -I\${prefix}/include
EOF
}

build_pugixml() {
  local src
  src=$(unpack pugixml libpugixml-dev)
  cmake_cross -S "$src" -B "$src/build" -DPUGIXML_BUILD_TESTS=OFF
  cmake --build "$src/build" -j "$jobs" >/dev/null
  cmake --install "$src/build" >/dev/null
}

build_libzip() {
  local src
  src=$(unpack libzip libzip-dev)
  cmake_cross -S "$src" -B "$src/build" -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF \
    -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF \
    -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
    -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF -DZLIB_INCLUDE_DIR="$prefix/include" \
    -DZLIB_LIBRARY="$prefix/lib/libz.a"
  cmake --build "$src/build" -j "$jobs" >/dev/null
  cmake --install "$src/build" >/dev/null
}

# Only the runtime library: the host protoc generates the code.
build_protobuf() {
  local src
  src=$(unpack protobuf libprotobuf-dev)
  cmake_cross -S "$src" -B "$src/build" -Dprotobuf_BUILD_TESTS=OFF \
    -Dprotobuf_BUILD_PROTOC_BINARIES=OFF -Dprotobuf_BUILD_LIBPROTOC=OFF \
    -Dprotobuf_WITH_ZLIB=OFF -Dprotobuf_BUILD_SHARED_LIBS=OFF
  cmake --build "$src/build" --target libprotobuf -j "$jobs" >/dev/null
  cp "$src/build/libprotobuf.a" "$prefix/lib/libprotobuf.a"
  (cd "$src/src" && find google \( -name '*.h' -o -name '*.inc' \) -print0 | \
     xargs -0 cp --parents -t "$prefix/include")
}

# Order matters: libzip links zlib.
for entry in zlib:zlib1g-dev libdeflate:libdeflate-dev pugixml:libpugixml-dev \
             libzip:libzip-dev protobuf:libprotobuf-dev; do
  name=${entry%%:*} package=${entry#*:}
  if is_current "$name" "$package"; then
    continue
  fi
  echo "cross-building $name $(host_version "$package") for Windows x64 in $prefix"
  start=$SECONDS
  "build_$name"
  stamp_of "$name" "$package" >"$prefix/stamps/$name"
  rm -rf "${work:?}/$name"
  echo "  $name done in $((SECONDS - start)) s"
done
