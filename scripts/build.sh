#!/usr/bin/env bash
# Builds the shipped program (build/product, "win32" compilers) and, with
# --tests, the test suite (build/tests, "posix" compilers).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${QR_BUILD_DIR:-$root/build}
jobs=$(nproc)
cmake -S "$root" -B "$out/product" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DQR_THREAD_MODEL=win32 -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$out/product" -j "$jobs"
if [ "${1:-}" = "--tests" ]; then
  cmake -S "$root" -B "$out/tests" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
        -DQR_THREAD_MODEL=posix -DCMAKE_BUILD_TYPE=MinSizeRel -DQR_BUILD_TESTS=ON \
        -DQR_PRODUCT_DIR="$out/product" >/dev/null
  cmake --build "$out/tests" -j "$jobs"
fi
echo "Quillrest.exe: $(stat -c %s "$out/product/Quillrest.exe") bytes ($out/product/Quillrest.exe)"
