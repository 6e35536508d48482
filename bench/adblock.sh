#!/usr/bin/env bash
# Ad-block server benchmark (not a test): wrk on 127.0.0.1 (-t2 -c50 -d10s,
# "Connection: close", since our server closes after each answer) against three
# servers in one run: our server (tests/tools/adblock_server.exe under Wine),
# nginx with one worker serving the same 3-byte answer, and the smallest
# WSAAsyncSelect responder (tests/tools/min_responder.exe) under the same Wine.
# The three take turns for ROUNDS rounds (the machine may be busy with other
# work); the median round of each counts.  Then 100,000 more requests to our
# server: its private memory before and after, and its connection table when
# it stops.  Each configuration this host runs is measured in turn (the 32-bit
# program on 32-bit Windows and under WOW64, the one most users have, and the
# 64-bit one).  Ends with bench/pac_eval.sh.
#   bench/adblock.sh [ROUNDS]      (default 5; QR_ARCH=x86|wow64|x64 measures one)
set -euo pipefail
rounds=${1:-5}
source "$(dirname "$0")/bench_lib.sh"
if [ -z "${QR_ARCH:-}" ]; then
  if reason=$(qr_why_no_x86); then echo "Only the 64-bit program is measured: $reason."; fi
  status=0
  for config in $(qr_configs); do
    QR_ARCH=$config QR_ARCH_WHY="every configuration this host runs" QR_NO_PAC_EVAL=1 bash "$0" "$@" || status=1
    echo
  done
  [ $status -ne 0 ] || bash "$root/bench/pac_eval.sh"
  exit $status
fi
bench_arch "Ad-block server benchmark"
need=()
command -v wrk >/dev/null || need+=(wrk)
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || need+=(nginx)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}" >/dev/null
fi
nginx=$(command -v nginx || echo /usr/sbin/nginx)
bench_build
tools=$tests/tests

pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do timeout 10 tail --pid="$pid" -f /dev/null 2>/dev/null || kill -9 "$pid" 2>/dev/null || true; done
  pids=()
}
finish() { stop_all; qr_session_end; }
bench_session
trap finish EXIT
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

wait_listening() {   # output-file pid
  local tries=0
  until grep -q "^listening on" "$1" 2>/dev/null; do
    if ! kill -0 "$2" 2>/dev/null || [ $tries -ge 300 ]; then echo "server did not start:"; cat "$1"; exit 1; fi
    sleep 0.1; tries=$((tries + 1))
  done
}

# Private memory (kB) of a Linux process: its own pages, shared libraries not counted.
private_kb() { awk '/^Private_(Clean|Dirty):/ { kb += $2 } END { print kb }' "/proc/$1/smaps_rollup"; }

# Our server (stopped through its event at the end, to read its connection table).
ourPort=$(free_port)
wine "$tools/adblock_server.exe" "$ourPort" 'C:\windows\system32' >"$work/ours.txt" 2>&1 </dev/null &
ours=$!
pids+=("$ours")
wait_listening "$work/ours.txt" "$ours"
memStart=$(private_kb "$ours")

# The minimal responder under the same Wine.
minPort=$(free_port)
wine "$tools/min_responder.exe" "$minPort" >"$work/min.txt" 2>&1 </dev/null &
pids+=("$!")
wait_listening "$work/min.txt" "$!"

# nginx, one worker, the same answer.
nginxPort=$(free_port)
mkdir -p "$work/nginx/logs"
cat >"$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  server {
    listen 127.0.0.1:$nginxPort;
    location / { default_type text/html; return 200 "   "; }
  }
}
CONF
"$nginx" -p "$work/nginx" -c "$work/nginx/nginx.conf" >"$work/nginx/out.txt" 2>&1 &
pids+=("$!")
tries=0
until curl -s -o /dev/null "http://127.0.0.1:$nginxPort/" || [ $tries -ge 100 ]; do sleep 0.1; tries=$((tries + 1)); done

# One 10-second run; appends "rate p99 errors" to $work/NAME.runs.
run_wrk() {   # name port
  wrk -t2 -c50 -d10s --latency -H "Connection: close" "http://127.0.0.1:$2/banner.gif" >"$work/wrk.txt" 2>&1
  local rate p99 errors
  rate=$(awk '/^Requests\/sec:/ { print $2 }' "$work/wrk.txt")
  p99=$(awk '$1 == "99%" { print $2 }' "$work/wrk.txt")
  errors=$(grep -E "Socket errors|Non-2xx" "$work/wrk.txt" | tr -s ' ' | paste -sd ';' - || true)
  echo "$rate $p99 ${errors:-none}" >>"$work/$1.runs"
}
echo "wrk -t2 -c50 -d10s, Connection: close, on 127.0.0.1; $rounds rounds, the servers taking turns"
for round in $(seq "$rounds"); do
  run_wrk ours "$ourPort"
  run_wrk min "$minPort"
  run_wrk nginx "$nginxPort"
done
memWarm=$(private_kb "$ours")
median() { sort -g "$work/$1.runs" | sed -n "$(( ($(wc -l <"$work/$1.runs") + 1) / 2 ))p"; }
show() {   # label name
  printf '  %-19s median %9s req/s, p99 %-9s (all rounds: %s)\n' "$1" "$(median "$2" | cut -d' ' -f1)" \
    "$(median "$2" | cut -d' ' -f2)" "$(cut -d' ' -f1 "$work/$2.runs" | paste -sd ' ' -)"
}
show "our server" ours
show "minimal responder" min
show "nginx (1 worker)" nginx
echo "  socket errors of our server's median round: $(median ours | cut -d' ' -f3-)"
echo "  (wrk counts a read error per answer from servers that close without a \"Connection: close\" header)"
ratio() { awk -v a="$(median "$1" | cut -d' ' -f1)" -v b="$(median "$2" | cut -d' ' -f1)" \
            'BEGIN { if (b > 0) printf "%.0f%%", 100 * a / b; else print "n/a" }'; }
echo "our rate / minimal responder: $(ratio ours min) (aim: at least 70%)"
echo "our rate / nginx:             $(ratio ours nginx)"

# 100,000 more requests to our server; wrk has no request count, so runs of at
# most 20 s are repeated until they add up.
oursRate=$(median ours | cut -d' ' -f1)
loadRequests=0
while [ "$loadRequests" -lt 100000 ]; do
  seconds=$(awk -v left=$((100000 - loadRequests)) -v rate="$oursRate" \
              'BEGIN { s = int(left / (rate > 1 ? rate : 1)) + 1; print (s > 20 ? 20 : s) }')
  wrk -t2 -c50 -d"${seconds}s" -H "Connection: close" "http://127.0.0.1:$ourPort/banner.gif" >"$work/wrk-load.txt" 2>&1
  served=$(awk '/requests in/ { print $1 }' "$work/wrk-load.txt")
  [ -n "$served" ] && [ "$served" -gt 0 ] || { echo "load run failed:"; cat "$work/wrk-load.txt"; exit 1; }
  loadRequests=$((loadRequests + served))
done
sleep 1
memAfter=$(private_kb "$ours")
timeout 30 wine "$tools/set_event.exe" QuillrestAdServerStop </dev/null >/dev/null 2>&1 || true
timeout 20 tail --pid="$ours" -f /dev/null || true
openAtEnd=$(tr -d '\r' <"$work/ours.txt" | awk -F': ' '/^connections open at stop/ { print $2 }')
echo "our server's private memory: $memStart kB at start, $memWarm kB after the rate runs," \
     "$memAfter kB after $loadRequests more requests ($((memAfter - memWarm)) kB growth)"
echo "connections open when our server stopped: ${openAtEnd:-unknown}"
finish
trap - EXIT

if [ -z "${QR_NO_PAC_EVAL:-}" ]; then
  echo
  bash "$root/bench/pac_eval.sh"
fi
