#!/usr/bin/env bash
# Builds the native tree (sanitizers, unit tests) and the Windows tree.
# BUILD names the build folder (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
jobs=$(nproc)
what=${1:-all}
if [ "$what" = all ] || [ "$what" = native ]; then
  cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$build/native" -j "$jobs"
fi
if [ "$what" = all ] || [ "$what" = win ]; then
  cmake -S "$root" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$build/win" -j "$jobs"
fi
