#!/usr/bin/env bash
# Boot benchmark: parks N probe programs, runs one boot at "DelaySeconds" 1 under
# Wine and prints the window, schedule and memory figures (not a test).
#   bench/boot.sh [count]        (default 20; builds both trees first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-20}
source "$root/scripts/wine-session.sh"
qr_choose_arch
echo "Boot benchmark of the $QR_ARCH program ($QR_ARCH_WHY)"
root_out=${QR_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null
product=$(qr_product_dir "$root_out"); tests=$(qr_tests_dir "$root_out")
trap qr_session_end EXIT
qr_session_begin
work=$(mktemp -d "$QR_SESSION_DIR/bench.XXXXXX")
# Output goes to a file: Wine's background services would keep a pipe open.
wine "$tests/tests/bootbench.exe" "$(qr_winpath "$product/Quillrest.exe")" \
     "$(qr_winpath "$tests/tests/probe.exe")" "$count" "$(qr_winpath "$work")" \
     >"$work/result.txt" 2>&1 </dev/null || true
cat "$work/result.txt"
rm -rf "$work"
