#!/usr/bin/env bash
# The product's ad-block server (tests/tools/adblock_server.exe under Wine)
# against clients that never finish a request: 200 half requests, each closed
# by the server 30 s after its accept (the real 30 s); and 3,000 idle
# connections, of which the server keeps at most 256 open (the oldest go
# first) while it still answers an ad at once.  Argument: the tools folder.
set -u
export QR_TOOLS=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/adserver_lib.sh"

# 3,000 connections at once need as many open files.
need=3400
if [ "$(ulimit -n)" != unlimited ] && [ "$(ulimit -n)" -lt $need ]; then
  hard=$(ulimit -Hn)
  ulimit -n "$([ "$hard" = unlimited ] || [ "$hard" -gt 8192 ] && echo 8192 || echo "$hard")" 2>/dev/null
fi
if [ "$(ulimit -n)" != unlimited ] && [ "$(ulimit -n)" -lt $need ]; then
  echo "FAIL this host allows $(ulimit -n) open files per process (hard limit $(ulimit -Hn)); the test needs $need"
  exit 1
fi

work=$(mktemp -d /tmp/qr-slow.XXXXXX)
trap 'adserver_stop; rm -rf "$work"' EXIT
set_product_dword Log 1
log=$(product_log)
logStart=$( [ -n "$log" ] && stat -c %s "$log" || echo 0)
newLog() { log=$(product_log); [ -n "$log" ] && tail -c +$((logStart + 1)) "$log" | tr -d '\r'; }
port=$(qr_free_port)
adserver_start "$port" 'C:\windows\system32' "$work/server.txt" || exit 1
atLeast() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 >= b + 0) }' || { echo "$1 is below $2"; return 1; }; }

# Half requests: seconds from each client's connect to the server's close.
result=$(python3 "$here/slow_clients.py" half "$port" 200)
echo "$result"
read -r closed first last < <(sed -E 's/^closed ([0-9]+) of [0-9]+, after ([0-9.]+) to ([0-9.]+) s$/\1 \2 \3/' <<<"$result")
check "200 half requests: every one closed by the server" is "$closed" 200
check "none closed before 30 s" atLeast "$first" 29.5
check "all closed within 40 s" atLeast 40 "$last"
check "each close logged" is "$(newLog | grep -cE '^<.*, No complete request on socket [0-9]+ within 30 seconds$')" 200

# Idle connections beyond the limit: the oldest waiting one makes room.
result=$(python3 "$here/slow_clients.py" idle "$port" 3000 256)
echo "$result"
check "3,000 idle: all but 256 closed by the server" grep -qx "closed 2744 of 3000" <<<"$result"
check "3,000 idle: the newest 256 kept" grep -qx "survivors among the last 256 opened: yes" <<<"$result"
read -r seconds status < <(sed -nE 's/^ad answered in ([0-9.]+) s: (.*)$/\1 \2/p' <<<"$result")
check "3,000 idle: an ad is still answered" is "${status:-}" "HTTP/1.1 200 OK"
check "3,000 idle: within 5 s" atLeast 5 "${seconds:-99}"
most=$(newLog | awk '/, Connection accepted on socket / { open++; if (open > most) most = open }
                     /, Closing socket: / { open-- } END { print most + 0 }')
check "never more than 256 connections open (from the log)" atLeast 256 "$most"
check "making room logged" grep -qE ', 256 connections open: closing socket [0-9]+, the oldest still waiting for its request$' <(newLog)

echo "$QR_FAILURES failure(s)"
[ "$QR_FAILURES" -eq 0 ]
