#!/usr/bin/env bash
# Settle benchmark: a foreground program's p95 frame time and the time until all
# start-up programs are done, for five ways of starting 8 heavy programs under
# Wine (not a test).  Prints the machine's load before and after: the figures
# are only worth comparing on a quiet machine.
#   bench/settle.sh [programs] [cpu ms] [MB] [scenarios]   (defaults 8, 2000, 16, 01234)
# Scenarios: 0 idle, 1 all at once, 2 one after another, 3 fixed delay, 4 settle.
# QR_NO_BUILD=1 uses the builds as they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-8}; cpu=${2:-2000}; mb=${3:-16}; scenarios=${4:-01234}
source "$root/scripts/wine-session.sh"
qr_choose_arch
echo "Settle benchmark of the $QR_ARCH program ($QR_ARCH_WHY), $(nproc) processors"
root_out=${QR_BUILD_DIR:-$root/build}
[ -n "${QR_NO_BUILD:-}" ] || "$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null
product=$(qr_product_dir "$root_out"); tests=$(qr_tests_dir "$root_out")
trap qr_session_end EXIT
qr_session_begin
work=$(mktemp -d "$QR_SESSION_DIR/bench.XXXXXX")
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
# Output goes to a file: Wine's background services would keep a pipe open.
wine "$tests/tests/settlebench.exe" "$(qr_winpath "$product/Quillrest.exe")" \
     "$(qr_winpath "$tests/tests/burnprobe.exe")" "$(qr_winpath "$tests/tests/frameprobe.exe")" \
     "$(qr_winpath "$work")" "$count" "$cpu" "$mb" "$scenarios" >"$work/result.txt" 2>"$work/progress.txt" </dev/null || true
cat "$work/result.txt"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$work"
