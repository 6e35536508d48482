#!/usr/bin/env bash
# Builds both shipped programs: build/product (32-bit, the "win32" compilers, loads
# on Windows 95 to XP and later) and build/product64 (64-bit, for 64-bit Windows).
# With --tests [x86|wow64|x64|all] it also builds the test suite for that
# architecture (default x86; wow64 runs the x86 tree) with the "posix" compilers:
# build/tests and build/tests64.
# Compiling runs no Windows code, so every host builds everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${QR_BUILD_DIR:-$root/build}
jobs=$(nproc)
product_dir() { [ "$1" = x64 ] && echo "$out/product64" || echo "$out/product"; }
tests_dir() { [ "$1" = x64 ] && echo "$out/tests64" || echo "$out/tests"; }

configure_and_build() {   # dir arch thread-model [extra cmake arguments]
  local dir=$1 arch=$2 model=$3; shift 3
  cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw.cmake" \
        -DQR_ARCH="$arch" -DQR_THREAD_MODEL="$model" -DCMAKE_BUILD_TYPE=MinSizeRel "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

for arch in x86 x64; do
  configure_and_build "$(product_dir $arch)" $arch win32
done
if [ "${1:-}" = "--tests" ]; then
  case "${2:-x86}" in
    x86|wow64) test_archs=x86 ;;
    x64) test_archs=x64 ;;
    all) test_archs="x86 x64" ;;
    *) echo "build.sh: --tests takes x86, wow64, x64 or all" >&2; exit 2 ;;
  esac
  for arch in $test_archs; do
    configure_and_build "$(tests_dir $arch)" $arch posix -DQR_BUILD_TESTS=ON \
      -DQR_PRODUCT_DIR="$(product_dir $arch)" -DQR_PRODUCT_DIR_X86="$out/product" -DQR_PRODUCT_DIR_X64="$out/product64"
  done
fi
for arch in x86 x64; do
  echo "Quillrest.exe ($arch): $(stat -c %s "$(product_dir $arch)/Quillrest.exe") bytes ($(product_dir $arch)/Quillrest.exe)"
done
