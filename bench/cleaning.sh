#!/usr/bin/env bash
# Start-up cleaning benchmark: DeleteTempFiles on 10,000 temporary files (half
# following the temporary naming, both settings on) against Wine's own
# "cmd /c del /q" on the same files in the same run; fails above 120 %.
# Usage: bench/cleaning.sh [files] [rounds]
set -euo pipefail
source "$(dirname "$0")/bench_lib.sh"
bench_arch "Cleaning benchmark"
bench_build bench_tempclean
bench_session
# The run counts into the product key of this prefix: start from a clean one.
wine reg delete 'HKLM\software\Quillrest' /f >/dev/null 2>&1 || true
wine "$tests/tests/bench_tempclean.exe" "${1:-10000}" "${2:-3}" </dev/null
