#!/usr/bin/env bash
# Boot benchmark: parks N probe programs, runs one boot at "DelaySeconds" 1 under
# Wine and prints the window, schedule and memory figures (not a test).
#   bench/boot.sh [count]        (default 20; builds both trees first)
set -euo pipefail
count=${1:-20}
source "$(dirname "$0")/bench_lib.sh"
bench_arch "Boot benchmark"
bench_build
bench_session
bench_run bootbench "$(qr_winpath "$product/Quillrest.exe")" "$(qr_winpath "$tests/tests/probe.exe")" "$count" \
  "$(qr_winpath "$work")"
