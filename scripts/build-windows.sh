#!/usr/bin/env bash
# Builds the Windows x64 DLLs and the command-line tool with mingw-w64:
#   scripts/build-windows.sh [DIR]      (DIR defaults to build-windows)
# DIR receives Norvix.Sheetwright.dll (the library), Norvix.Sheetwright.Server.dll
# (the server as an in-process COM server) and sheetwright.exe. The libraries
# they link are cross-built once by scripts/build-windows-deps.sh and cached
# outside DIR. Optimisation is modest (-O1): the DLLs are built to be checked
# under Wine, and the build stays short on a small machine.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
# Run from a make recipe (the Linux build's windows_build target), the outer
# make's job server is not ours to join.
unset MAKEFLAGS MFLAGS MAKELEVEL
source scripts/compiler-cache.sh
scripts/build-windows-deps.sh
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELEASE="-O1 -DNDEBUG" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
