#!/usr/bin/env bash
# Start-up watch benchmark: the resident instance's processor time while nothing
# changes, and the time from a Run value's write to its parking (not a test).
#   bench/watch.sh [idle seconds] [writes]     (default 60 and 10; builds both trees first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
idle=${1:-60}
writes=${2:-10}
source "$root/scripts/wine-session.sh"
qr_choose_arch
echo "Start-up watch benchmark of the $QR_ARCH program ($QR_ARCH_WHY)"
root_out=${QR_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null
product=$(qr_product_dir "$root_out"); tests=$(qr_tests_dir "$root_out")
trap qr_session_end EXIT
qr_session_begin
work=$(mktemp -d "$QR_SESSION_DIR/bench.XXXXXX")
# Output goes to a file: Wine's background services would keep a pipe open.
wine "$tests/tests/watchbench.exe" "$(qr_winpath "$product/Quillrest.exe")" "$idle" "$writes" \
     >"$work/result.txt" 2>&1 </dev/null || true
cat "$work/result.txt"
rm -rf "$work"
