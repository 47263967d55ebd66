#!/usr/bin/env bash
# Builds every non-Qt target for Windows with MinGW-w64 (static runtime: the
# programs need no DLLs beside them), so the *_win32.cpp files of the platform
# layer compile on every change. scripts/wine-tests.sh runs the result.
# Environment: DANVORE_WINDOWS_BUILD (default build/windows).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${DANVORE_WINDOWS_BUILD:-build/windows}
mkdir -p "$BUILD"
# Two builds in one folder break each other: the second waits for the first.
exec 9>"$BUILD.lock"
flock 9
cmake -S . -B "$BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release \
  -DDANVORE_BUILD_UI=OFF -DDANVORE_BUILD_BENCH=OFF -DDANVORE_BUILD_FUZZ=OFF \
  -DDANVORE_BUILD_TESTS=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
echo "cross-windows: built $(find "$BUILD" -maxdepth 3 -name '*.exe' | wc -l) Windows executables in $BUILD"
