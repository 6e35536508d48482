#!/usr/bin/env bash
# The product's ad-block server (tests/tools/adblock_server.exe under Wine) under
# 3,000 hostile requests (bench/hostile_clients.py: random bytes, NULs, cut lines, 64 KB
# and thousands of headers, every method, escaping paths, CONNECT variants,
# pipelining) on 32 connections at a time: every connection ends, an ad request
# is answered after them, and the server stops with none left open.
# bench/server_fuzz.sh sends 100,000 with the same client.  Argument: the tools folder.
set -u
export QR_TOOLS=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/adserver_lib.sh"

work=$(mktemp -d /tmp/qr-hostile.XXXXXX)
trap 'adserver_stop; rm -rf "$work"' EXIT
port=$(qr_free_port)
adserver_start "$port" 'C:\windows\system32' "$work/server.txt" || exit 1

/usr/bin/python3 "$here/../../bench/hostile_clients.py" "$port" 3000 32 >"$work/clients.txt"
check "every hostile connection is accepted and ends" is "$?" 0
cat "$work/clients.txt"
answer=$(/usr/bin/python3 "$here/http_client.py" "$port" 'GET http://ads.example/after.gif HTTP/1.1\r\nHost: ads.example\r\n\r\n')
check "an ad request is answered after them" \
  is "$answer" "$(printf 'HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 3\r\n\r\n   ')"
check "the server still runs" kill -0 "$ADSERVER_PID"
adserver_stop
check "it stops on its event with no connection left open" \
  is "$ADSERVER_STATUS:$(tr -d '\r' <"$work/server.txt" | grep '^connections')" "0:connections open at stop: 0"

echo "$QR_FAILURES failure(s)"
[ "$QR_FAILURES" -eq 0 ]
