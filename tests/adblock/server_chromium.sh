#!/usr/bin/env bash
# Headless Chromium with its proxy script served by the product's ad-block server
# (tests/tools/adblock_server.exe under Wine): a page on 127.0.0.1 shows images
# from listed ad hosts, over HTTP and HTTPS, and from a local web server.  The
# HTTP ad images get the server's three blanks and the HTTPS ones a refused
# tunnel (so both fail as images at once), the others load, and "AdsBlocked"
# grows by the number of ad images.  Argument: the tools folder.
set -u
export QR_TOOLS=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/adserver_lib.sh"

work=$(mktemp -d /tmp/qr-chromium.XXXXXX)
webPid=
cleanup() {
  adserver_stop
  [ -n "$webPid" ] && kill "$webPid" 2>/dev/null && wait "$webPid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/web" "$work/profile"
set_product_dword Log 1
log=$(product_log)
logStart=$( [ -n "$log" ] && stat -c %s "$log" || echo 0)

port=$(qr_free_port)
webPort=$(qr_free_port)
pacName='QuillrestAdBlocker_(Default-LAN).pac'
# The list: subdomains of ads.example and of tracker.example, and exactly pop.example.
printf 'ads.example\r\n+pop.example\r\ntracker.example\r\n' >"$work/list.txt"
wine "$QR_TOOLS/write_pac.exe" "$(qr_winpath "$work/list.txt")" "$port" </dev/null >"$work/write_pac.txt" 2>&1 ||
  { echo "write_pac failed:"; cat "$work/write_pac.txt"; exit 1; }
pacFolder=$(sed -n 1p "$work/write_pac.txt" | tr -d '\r')
check "the product names the LAN script $pacName" is "$(sed -n 2p "$work/write_pac.txt" | tr -d '\r')" "$pacName"
echo "--- PAC from the product's generator:"
cat "$(qr_unixpath_c "$pacFolder")/$pacName"; echo "---"

# A one-pixel PNG for the images that should load.
python3 - "$work/web/dot.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 2, 0, 0, 0)) \
    + chunk(b"IDAT", zlib.compress(b"\x00\xff\x00\x00")) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
PY
ads=("http://banner.ads.example/top.gif" "http://pop.example/under.gif" "http://x.tracker.example/pixel.gif")
secureAds=("https://secure.ads.example/side.gif" "https://pop.example/over.gif" "https://a.b.tracker.example/beacon.gif")
others=("http://127.0.0.1:$webPort/dot.png?one" "http://ads.example:$webPort/dot.png?bare")
{
  echo '<!DOCTYPE html><html><head><title>ads</title><script>'
  echo 'function seen(img, how) { img.setAttribute("data-result", how + ":" + img.naturalWidth); }'
  echo 'window.addEventListener("load", function () {'
  echo '  var lines = [];'
  echo '  document.querySelectorAll("img").forEach(function (img) { lines.push(img.getAttribute("src") + " " + img.getAttribute("data-result")); });'
  echo '  document.getElementById("results").textContent = "\n" + lines.join("\n") + "\n";'
  echo '});</script></head><body>'
  for src in "${ads[@]}" "${secureAds[@]}" "${others[@]}"; do
    echo "<img src=\"$src\" onload=\"seen(this, 'load')\" onerror=\"seen(this, 'error')\">"
  done
  echo '<pre id="results"></pre></body></html>'
} >"$work/web/page.html"

python3 -m http.server "$webPort" --bind 127.0.0.1 --directory "$work/web" >"$work/web.log" 2>&1 &
webPid=$!
adserver_start "$port" "$pacFolder" "$work/server.txt" || exit 1
tries=0
until curl -s -o /dev/null "http://127.0.0.1:$webPort/page.html" || [ $tries -ge 300 ]; do sleep 0.1; tries=$((tries + 1)); done

before=$(settled_ads_blocked)
# ads.example itself is not listed (only its subdomains): it goes direct, and the
# resolver rule sends it to the local web server.  Nothing else resolves.
timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --proxy-pac-url="http://127.0.0.1:$port/$pacName" \
  --host-resolver-rules="MAP ads.example 127.0.0.1, MAP * ~NOTFOUND, EXCLUDE 127.0.0.1" \
  --virtual-time-budget=15000 --dump-dom "http://127.0.0.1:$webPort/page.html" \
  >"$work/dom.html" 2>"$work/chromium.err" </dev/null
chromiumStatus=$?
# A request left waiting would hold the page past its virtual time until the
# time-out kills the browser; every image has its verdict once the page loaded.
check "the page loaded and Chromium ended by itself" is "$chromiumStatus" 0
results=$(sed -n '/<pre id="results">/,/<\/pre>/p' "$work/dom.html")
echo "$results"
newLog() { log=$(product_log); [ -n "$log" ] && tail -c +$((logStart + 1)) "$log" | tr -d '\r'; }

for src in "${ads[@]}"; do
  check "ad image $src: not an image" grep -qF "$src error:0" <<<"$results"
  check "ad image $src: answered by our server with nothing" grep -qF "HTTP request for $pacFolder$src .... returning nothing!" <(newLog)
  check "ad image $src: never reached the web server" bash -c "! grep -qF '${src#http://*/}' '$work/web.log'"
done
for src in "${secureAds[@]}"; do
  host=${src#https://}; host=${host%%/*}
  check "HTTPS ad image $src: not an image" grep -qF "$src error:0" <<<"$results"
  check "HTTPS ad image $src: its tunnel refused by our server" \
    grep -qF "HTTP tunnel request for $host:443 .... returning 403 Forbidden" <(newLog)
done
for src in "${others[@]}"; do
  check "image $src: loaded" grep -qF "$src load:1" <<<"$results"
done
check "the proxy script was fetched from our server" grep -qF "$pacName .... returning PAC file" <(newLog)
adImages=$(( ${#ads[@]} + ${#secureAds[@]} ))
check "AdsBlocked grew by $adImages" ads_blocked_reaches $((before + adImages))
[ "$QR_FAILURES" -eq 0 ] || { echo "--- chromium stderr"; tail -n 20 "$work/chromium.err"; echo "--- server log"; newLog | grep -vE "Entered|Leaving"; }
echo "$QR_FAILURES failure(s)"
[ "$QR_FAILURES" -eq 0 ]
