#!/usr/bin/env bash
# Start-up cleaning benchmark: DeleteTempFiles on 10,000 temporary files (half
# following the temporary naming, both settings on) against Wine's own
# "cmd /c del /q" on the same files in the same run; fails above 120 %.
# Usage: bench/cleaning.sh [files] [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-session.sh"
qr_choose_arch
echo "Cleaning benchmark of the $QR_ARCH program ($QR_ARCH_WHY)"
tests=$(qr_tests_dir "${QR_BUILD_DIR:-$root/build}")
if [ ! -f "$tests/CMakeCache.txt" ]; then "$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null; fi
cmake --build "$tests" --target bench_tempclean -j 2 >/dev/null
trap qr_session_end EXIT
qr_session_begin
# The run counts into the product key of this prefix: start from a clean one.
wine reg delete 'HKLM\software\Quillrest' /f >/dev/null 2>&1 || true
wine "$tests/tests/bench_tempclean.exe" "${1:-10000}" "${2:-3}" </dev/null
