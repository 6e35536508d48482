#!/usr/bin/env bash
# Start-up watch benchmark: the resident instance's processor time while nothing
# changes, and the time from a Run value's write to its parking (not a test).
#   bench/watch.sh [idle seconds] [writes] [quiet]   (default 60 and 10; builds both trees first)
# "quiet" switches the notices off, to see what parking alone costs.
set -euo pipefail
idle=${1:-60}
writes=${2:-10}
quiet=${3:-}
source "$(dirname "$0")/bench_lib.sh"
bench_arch "Start-up watch benchmark"
bench_build
bench_session
# Output goes to a file: Wine's background services would keep a pipe open.
wine "$tests/tests/watchbench.exe" "$(qr_winpath "$product/Quillrest.exe")" "$idle" "$writes" \
     "$(qr_winpath "$work")" $quiet >"$work/result.txt" 2>&1 </dev/null &
driver=$!

# The resident's processor time as the Linux scheduler counts it (nanoseconds,
# all its threads), read at the driver's phase marks.
cpu_ns() { awk '{print $1}' "/proc/$pid/schedstat" 2>/dev/null || echo 0; }
await() { for _ in $(seq 1 $(( (idle + 120) * 20 ))); do [ -e "$work/$1" ] && return 0; kill -0 $driver 2>/dev/null || return 1; sleep 0.05; done; return 1; }
if await idle-start && pid=$(pgrep -x Quillrest.exe | head -n1) && [ -n "$pid" ]; then
  idle_from=$(cpu_ns)
  await idle-end && idle_to=$(cpu_ns)
  await writes-end && writes_to=$(cpu_ns)
fi
wait $driver || true
cat "$work/result.txt"
if [ -n "${writes_to:-}" ]; then
  awk -v a="$idle_from" -v b="$idle_to" -v c="$writes_to" -v s="$idle" -v n="$writes" 'BEGIN {
    printf "idle processor time:           %.2f ms over %d s by the Linux scheduler (budget 20 ms)\n", (b - a) / 1e6, s
    printf "processor time per write:      %.2f ms by the Linux scheduler\n", (c - b) / 1e6 / n }'
fi
