#!/usr/bin/env bash
# The live ad-block server under fire (not a test): the product's server
# (tests/tools/adblock_server.exe under Wine) gets REQUESTS malformed or random
# requests from bench/hostile_clients.py, 64 connections at a time, in
# ten rounds: random bytes, NUL bytes, truncated lines, 64 KB headers,
# thousands of headers, every method, non-ASCII and escaping paths, CONNECT
# variants, pipelined requests and plain ad requests.  Its private memory is
# taken after one ad request and after each round.  Then: an ad request must
# be answered, the server must still run and its memory be within 10 % of the
# start; it is stopped through its event and says how many connections were open.
#   bench/server_fuzz.sh [REQUESTS]    (default 100000; QR_ARCH=x86|x64 forces the architecture)
set -euo pipefail
requests=${1:-100000}
source "$(dirname "$0")/bench_lib.sh"
bench_arch "Ad-block server under hostile requests"
bench_build adblock_server set_event
tools=$tests/tests
clients=$root/tests/adblock

server=""
finish() {
  if [ -n "$server" ] && kill -0 "$server" 2>/dev/null; then
    timeout 30 wine "$tools/set_event.exe" QuillrestAdServerStop </dev/null >/dev/null 2>&1 || true
    timeout 20 tail --pid="$server" -f /dev/null || kill "$server" 2>/dev/null || true
  fi
  qr_session_end
}
bench_session
trap finish EXIT
private_kb() { awk '/^Private_(Clean|Dirty):/ { kb += $2 } END { print kb }' "/proc/$1/smaps_rollup"; }
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
ad() { /usr/bin/python3 "$clients/http_client.py" "$port" 'GET http://ads.example/ad.gif HTTP/1.1\r\nHost: ads.example\r\n\r\n'; }
expected=$(printf 'HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 3\r\n\r\n   ')

wine "$tools/adblock_server.exe" "$port" 'C:\windows\system32' >"$work/server.txt" 2>&1 </dev/null &
server=$!
tries=0
until grep -q "^listening on" "$work/server.txt" 2>/dev/null; do
  if ! kill -0 "$server" 2>/dev/null || [ $tries -ge 300 ]; then echo "server did not start:"; cat "$work/server.txt"; exit 1; fi
  sleep 0.1; tries=$((tries + 1))
done
[ "$(ad)" = "$expected" ] || { echo "the server does not answer an ad request"; exit 1; }
memStart=$(private_kb "$server")
echo "server on 127.0.0.1:$port; private memory after one ad request: $memStart kB"

failed=0
samples=()
for round in $(seq 10); do
  share=$(( requests / 10 + (round <= requests % 10 ? 1 : 0) ))
  /usr/bin/python3 "$root/bench/hostile_clients.py" "$port" "$share" 64 "$round" >"$work/round$round.txt" || failed=1
  kill -0 "$server" 2>/dev/null || { echo "the server died in round $round:"; cat "$work/round$round.txt"; exit 1; }
  samples+=("$(private_kb "$server")")
done
# What came back, over all rounds.
cat "$work"/round*.txt | awk '
  /requests on/ { sent += $1; seconds += $(NF - 2) }
  /^  / { n = $NF; $NF = ""; sub(/^ +/, ""); sub(/ +$/, ""); count[$0] += n }
  END {
    printf "%d hostile requests in %.0f s (%.0f/s), 64 connections at a time\n", sent, seconds, sent / seconds
    for (o in count) printf "  %-28s %d\n", o, count[o]
  }'
sleep 1
answer=$(ad)
memEnd=$(private_kb "$server")
echo "private memory (kB): start $memStart; after each tenth: ${samples[*]}"
growth=$(awk -v a="$memStart" -v b="$memEnd" 'BEGIN { printf "%+.1f", 100 * (b - a) / a }')
verdict() { [ "$2" = ok ] && echo "ok   $1" || { echo "FAIL $1"; failed=1; }; }
verdict "every connection accepted and ended" "$([ $failed -eq 0 ] && echo ok)"
verdict "an ad request is answered after them" "$([ "$answer" = "$expected" ] && echo ok)"
verdict "the server still runs" "$(kill -0 "$server" 2>/dev/null && echo ok)"
verdict "private memory within 10 % of the start ($memEnd kB, $growth %)" \
  "$(awk -v a="$memStart" -v b="$memEnd" 'BEGIN { if (b <= a * 1.1 && b >= a * 0.9) print "ok" }')"
timeout 30 wine "$tools/set_event.exe" QuillrestAdServerStop </dev/null >/dev/null 2>&1 || true
timeout 20 tail --pid="$server" -f /dev/null || true
echo "connections open when the server stopped: $(tr -d '\r' <"$work/server.txt" | awk -F': ' '/^connections open at stop/ { print $2 }')"
exit $failed
