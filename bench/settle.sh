#!/usr/bin/env bash
# Settle benchmark: a foreground program's p95 frame time and the time until all
# start-up programs are done, for five ways of starting 8 heavy programs under
# Wine (not a test), in every configuration this host runs (the 32-bit program
# on 32-bit Windows and under WOW64, the 64-bit one), QR_BENCH_RUNS times each
# (default 2).  Prints the machine's load before and after: the figures are only
# worth comparing on a quiet machine.
#   bench/settle.sh [programs] [cpu ms] [MB] [scenarios]   (defaults 8, 2000, 16, 01234)
# Scenarios: 0 idle, 1 all at once, 2 one after another, 3 fixed delay, 4 settle.
# QR_ARCH=x86, wow64 or x64 measures one configuration only; QR_NO_BUILD=1 uses
# the builds as they are.
set -euo pipefail
count=${1:-8}; cpu=${2:-2000}; mb=${3:-16}; scenarios=${4:-01234}
runs=${QR_BENCH_RUNS:-2}
source "$(dirname "$0")/bench_lib.sh"
home=$HOME
archs=$(bench_configs)
why="every configuration this host runs"
if [ -n "${QR_ARCH:-}" ]; then why="forced by QR_ARCH=$QR_ARCH"
elif reason=$(qr_why_no_x86); then echo "Only the 64-bit program is measured: $reason."; fi
trap qr_session_end EXIT
for arch in $archs; do
  QR_ARCH=$arch QR_ARCH_WHY=$why
  bench_arch "== Settle benchmark"
  echo "   $(nproc) processors, $runs runs"
  bench_build
  unset QR_SESSION_DIR
  qr_session_begin
  for run in $(seq 1 "$runs"); do
    work=$(mktemp -d "$QR_SESSION_DIR/bench.XXXXXX")
    echo "-- $QR_ARCH ($(qr_describe)) run $run of $runs; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
    # Output goes to a file: Wine's background services would keep a pipe open.
    wine "$tests/tests/settlebench.exe" "$(qr_winpath "$product/Quillrest.exe")" \
         "$(qr_winpath "$tests/tests/burnprobe.exe")" "$(qr_winpath "$tests/tests/frameprobe.exe")" \
         "$(qr_winpath "$work")" "$count" "$cpu" "$mb" "$scenarios" >"$work/result.txt" 2>"$work/progress.txt" </dev/null || true
    cat "$work/result.txt"
    echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
    rm -rf "$work"
  done
  qr_session_end
  unset QR_SESSION_DIR QR_KEEPER_PID QR_XVFB_PID WINEPREFIX
  export HOME=$home
done
