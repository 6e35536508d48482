#!/usr/bin/env bash
# The product's ad-block server (tests/tools/adblock_server.exe under Wine) on a
# free port of 127.0.0.1, asked by real clients: curl, and raw sockets for the
# requests curl cannot make.  Argument: the test tree's tools folder.
set -u
export QR_TOOLS=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/adserver_lib.sh"
client() { python3 "$here/http_client.py" "$@"; }

work=$(mktemp -d /tmp/qr-adserver.XXXXXX)
trap 'adserver_stop; rm -rf "$work"' EXIT
pacs="$work/pacs"; mkdir -p "$pacs"
export QR_ADSERVER_CLOCK="$work/clock"
echo 1000000 >"$QR_ADSERVER_CLOCK"

set_product_dword Log 1
log=$(product_log)
logStart=$( [ -n "$log" ] && stat -c %s "$log" || echo 0)
newLog() { log=$(product_log); [ -n "$log" ] && tail -c +$((logStart + 1)) "$log" | tr -d '\r'; }

port=$(qr_free_port)
adserver_start "$port" "$(qr_winpath "$pacs")" "$work/server.txt" || exit 1
base="http://127.0.0.1:$port"

# Only this computer can reach it: the one listening socket is on 127.0.0.1.
listeners=$(ss -ltnH "( sport = :$port )" | awk '{ print $4 }' | sort -u | paste -sd ' ' -)
check "listens on 127.0.0.1 only" is "$listeners" "127.0.0.1:$port"

# An ad image asked through the proxy, as a browser does.
before=$(settled_ads_blocked)
curl -s -i --max-time 30 -x "$base" http://banner.ads.example/img/top.gif -o "$work/ad.txt"
check "ad request: 200, text/html, length 3, three blanks" \
  is "$(cat "$work/ad.txt")" "$(printf 'HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 3\r\n\r\n   ')"
check "ad request: counted once" ads_blocked_reaches $((before + 1))
client "$port" 'GET http://ads.example/x.gif HTTP/1.1\r\nHost: ads.example\r\n\r\n' >/dev/null
check "ad request: the server closes the connection" is "$?" 0

# Method in lower case and the root path: "/index.html", an ad as well.
before=$(settled_ads_blocked)
answer=$(client "$port" 'get / HTTP/1.0\r\n\r\n')
check "lower-case get /: three blanks" is "$answer" "$(printf 'HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 3\r\n\r\n   ')"
check "lower-case get /: counted" ads_blocked_reaches $((before + 1))
newLog | grep -qF "HTTP request for $(qr_winpath "$pacs")/index.html .... returning nothing!"
check "lower-case get /: logged as /index.html" is "$?" 0

# The PAC file and its 60-second cache (the server's clock comes from the clock file).
pacName='QuillrestAdBlocker_(Default-LAN).pac'
printf 'function FindProxyForURL(url,host)\r\n{ return "DIRECT"; }\r\n' >"$pacs/$pacName"
before=$(settled_ads_blocked)
curl -s -i --max-time 30 "$base/$pacName" -o "$work/pac1.txt"
check "PAC: served with its type and length" \
  is "$(cat "$work/pac1.txt")" "$(printf 'HTTP/1.1 200 OK\r\nContent-Type: application/x-ns-proxy-autoconfig\r\nContent-Length: %d\r\n\r\n' "$(stat -c %s "$pacs/$pacName")"; cat "$pacs/$pacName")"
printf 'function FindProxyForURL(url,host)\r\n{ return "PROXY 10.0.0.1:80"; }\r\n' >"$pacs/$pacName"
echo 1000060 >"$QR_ADSERVER_CLOCK"
check "PAC: 60 s later still the cached copy" is "$(curl -s --max-time 30 "$base/$pacName")" \
  "$(printf 'function FindProxyForURL(url,host)\r\n{ return "DIRECT"; }\r\n')"
echo 1000061 >"$QR_ADSERVER_CLOCK"
check "PAC: 61 s later read again" is "$(curl -s --max-time 30 "$base/$pacName")" "$(cat "$pacs/$pacName")"
check "PAC: not counted as an ad" ads_blocked_reaches "$before"
newLog | grep -qF "$pacName .... returning PAC file from cache"
check "PAC: cache hit logged" is "$?" 0

# The name marker in other letter case.
printf 'small' >"$pacs/QuillrestAdBlocker_X.pac"
curl -s -i --max-time 30 "$base/quillrestadblocker_x.pac" -o "$work/lower.txt"
check "marker in lower case: a PAC request" is "$(tail -c 5 "$work/lower.txt")" small
grep -q "^Content-Type: application/x-ns-proxy-autoconfig" "$work/lower.txt"
check "marker in lower case: PAC type" is "$?" 0

# Error pages: real HTTP responses that close the connection.
errorPage() {   # "404 Not Found"
  local page="<body><h1>$1</h1></body>"
  printf 'HTTP/1.1 %s\r\nContent-Type: text/html\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s' "$1" ${#page} "$page"
}
before=$(settled_ads_blocked)
check "POST: 501" is "$(curl -s -i --max-time 30 -d 'a=b' "$base/form")" "$(errorPage '501 Not Implemented')"
check "POST: nothing counted" ads_blocked_reaches "$before"
check ".. in the path: 400" is "$(curl -s -i --max-time 30 --path-as-is "$base/a/../$pacName")" "$(errorPage '400 Bad Request')"
check ".. in a header: 400" is "$(curl -s -i --max-time 30 -H 'Referer: http://a.example/x/../y' "$base/$pacName")" \
  "$(errorPage '400 Bad Request')"
check "missing PAC: 404" is "$(curl -s -i --max-time 30 "$base/QuillrestAdBlocker_Gone.pac")" "$(errorPage '404 Not Found')"
newLog | grep -A1 -F "QuillrestAdBlocker_Gone.pac .... returning " | tail -n1 | grep -qF "######## Can't get $(qr_winpath "$pacs")/QuillrestAdBlocker_Gone.pac!!"
check "missing PAC: the Can't get line follows the request line" is "$?" 0
longPath=$(head -c 2100 /dev/zero | tr '\0' p)
check "path too long for the path buffer: 400" is "$(client "$port" "GET /$longPath HTTP/1.1\r\n\r\n")" "$(errorPage '400 Bad Request')"
padding=$(head -c 17000 /dev/zero | tr '\0' a)
answer=$(client "$port" "GET http://ads.example/ HTTP/1.1\r\nX-Padding: $padding")
check "16 KB without an empty line: 400 and closed" is "$?:$answer" "0:$(errorPage '400 Bad Request')"

# HTTPS ads: a tunnel request (any letter case) is refused with a real status
# line and counted; the PAC sends only listed hosts here.
refused=$(printf 'HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n')
before=$(settled_ads_blocked)
answer=$(client "$port" 'CONNECT ads.example:443 HTTP/1.1\r\nHost: ads.example:443\r\n\r\n')
check "CONNECT: 403, no body, closed" is "$?:$answer" "0:$refused"
answer=$(client "$port" 'connect tracker.example:443 HTTP/1.0\r\n\r\n')
check "connect in lower case: the same" is "$?:$answer" "0:$refused"
check "curl's tunnel to an HTTPS ad: refused with 403" \
  is "$(curl -s -o /dev/null --max-time 30 -w '%{http_connect}' -x "$base" https://banner.ads.example/top.gif)" 403
check "tunnels: each counted as a blocked ad" ads_blocked_reaches $((before + 3))
newLog | grep -qF "HTTP tunnel request for banner.ads.example:443 .... returning 403 Forbidden"
check "tunnel: logged with its host" is "$?" 0

# A request in three pieces is answered only after the empty line.
before=$(settled_ads_blocked)
answer=$(client "$port" 'GET http://ads.example/split.gif HTTP/1.1\r\n' 'Host: ads.example\r\n' '\r\n')
check "request in pieces: answered once complete" is "$?:$answer" \
  "0:$(printf 'HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 3\r\n\r\n   ')"
check "request in pieces: counted once" ads_blocked_reaches $((before + 1))

# Bodies of exactly one piece and of several pieces arrive whole.
for size in 1024 5000; do
  head -c $size /dev/urandom | base64 -w0 | head -c $size >"$pacs/QuillrestAdBlocker_$size.pac"
  curl -s --max-time 30 "$base/QuillrestAdBlocker_$size.pac" -o "$work/body$size"
  check "PAC of $size characters arrives whole" cmp -s "$work/body$size" "$pacs/QuillrestAdBlocker_$size.pac"
done
# A body larger than the socket buffers, read only after a pause: the server
# has to wait for room and carry on when the socket has it again.  The client's
# receive buffer is small and fixed, the server's send buffer grows to at most
# the kernel's limit: one more MB than both cannot fit.  The client reads as
# long as data keeps coming, so a slow machine takes longer but passes.
sendMax=$(awk '{ print $3 }' /proc/sys/net/ipv4/tcp_wmem 2>/dev/null || echo 4194304)
big=$((sendMax + 2 * 65536 + 1024 * 1024))
head -c $big /dev/zero | tr '\0' x >"$pacs/QuillrestAdBlocker_big.pac"
RCVBUF=65536 READ_DELAY=2 client "$port" 'GET /QuillrestAdBlocker_big.pac HTTP/1.1\r\n\r\n' >"$work/big.txt"
check "a body larger than the socket buffers arrives whole" \
  is "$?:$(stat -c %s "$work/big.txt")" "0:$((big + $(printf 'HTTP/1.1 200 OK\r\nContent-Type: application/x-ns-proxy-autoconfig\r\nContent-Length: %d\r\n\r\n' $big | wc -c)))"
newLog | grep -q "OnWrite for socket"
check "the large body waited for room at least once" is "$?" 0

adserver_stop
check "server ends on the stop event with no connection open" \
  is "$ADSERVER_STATUS:$(tr -d '\r' <"$work/server.txt" | grep '^connections')" "0:connections open at stop: 0"

# Port 0 is the "http" service port, 80 (skipped when something else holds it).
if python3 -c 'import socket; socket.socket().bind(("127.0.0.1", 80))' 2>/dev/null; then
  adserver_start 0 "$(qr_winpath "$pacs")" "$work/server80.txt" || exit 1
  check "port 0 listens on 80" is "$(tr -d '\r' <"$work/server80.txt" | head -n1)" "listening on 80"
  check "port 0: answers on 80" is "$(curl -s --max-time 30 -x http://127.0.0.1:80 http://ads.example/p.gif)" "   "
  adserver_stop
else
  echo "skip port 0: port 80 is taken or not open to this user"
fi

echo "$QR_FAILURES failure(s)"
[ "$QR_FAILURES" -eq 0 ]
