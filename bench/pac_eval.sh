#!/usr/bin/env bash
# Evaluation time per URL of the PAC script made from the default ad-server list,
# in a V8-based engine (node's pac-resolver 6.0.2, which runs the script in V8
# through vm2) and in pacparser (Debian's python3-pacparser, an old SpiderMonkey).
# Aim: 0.5 ms or less per URL in V8.
# Usage: bench/pac_eval.sh [PACFILE]
#   Without PACFILE the script is made from res/default-ad-servers.txt by the
#   product's own code under Wine (tests/tools/pac_text.exe, throwaway prefix).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QR_BUILD_DIR:-$root/build}
work=$(mktemp -d /tmp/quillrest-paceval.XXXXXX)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

pac=${1:-}
if [ -z "$pac" ]; then
  source "$root/scripts/wine-session.sh"
  qr_choose_arch
  tests=$(qr_tests_dir "$build")
  if [ ! -f "$tests/CMakeCache.txt" ]; then "$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null; fi
  cmake "$tests" >/dev/null    # picks up tools added since the tree was configured
  cmake --build "$tests" --target pac_text -j 2 >/dev/null
  trap 'qr_session_end; cleanup' EXIT
  qr_session_begin
  wine "$tests/tests/pac_text.exe" "$(qr_winpath "$work/default.pac")" "$(qr_winpath "$root/res/default-ad-servers.txt")" \
    </dev/null >/dev/null 2>&1 || true
  qr_session_end
  trap cleanup EXIT
  pac="$work/default.pac"
fi
[ -s "$pac" ] || { echo "pac_eval: no PAC script at $pac" >&2; exit 1; }
list="$root/res/default-ad-servers.txt"
grep -q shExpMatch "$pac" || { echo "pac_eval: $pac holds no condition" >&2; exit 1; }

# Test URLs: listed subdomains spread over the list, bare listed names (which a
# plain entry does not block) and unlisted hosts; the last two test every entry.
awk 'NR % 4 == 1 { sub(/\r$/, ""); print "http://ads." $0 "/banner.gif\tlisted" }' "$list" >"$work/urls"
awk 'NR % 4 == 3 { sub(/\r$/, ""); print "http://" $0 "/\tbare" }' "$list" >>"$work/urls"
for i in $(seq 1 100); do printf 'http://www.site%d.example/page.html\tunlisted\n' "$i"; done >>"$work/urls"

# node's pac-resolver, kept in the git-ignored build folder between runs.
node_dir="$build/bench-node"
if [ ! -d "$node_dir/node_modules/pac-resolver" ]; then
  mkdir -p "$node_dir"
  npm install --prefix "$node_dir" --no-audit --no-fund --silent pac-resolver@6.0.2 >/dev/null
fi
cat >"$work/v8.js" <<'JS'
const fs = require('fs');
const resolver = require(process.argv[2]);
const create = resolver.default || resolver.createPacResolver || resolver;
const find = create(fs.readFileSync(process.argv[3], 'utf8'));
// The engine's own cost per call: a script that decides nothing.
const floor = create('function FindProxyForURL(url, host) { return "DIRECT"; }');
const urls = fs.readFileSync(process.argv[4], 'utf8').trim().split('\n').map((l) => l.split('\t'));
(async () => {
  for (const [url] of urls) await find(url);   // warm-up: compile and optimise
  const rounds = 20, totals = {}, counts = {};
  for (let r = 0; r < rounds; r++) {
    for (const [url, kind] of urls) {
      const start = process.hrtime.bigint();
      await find(url);
      const ns = Number(process.hrtime.bigint() - start);
      totals[kind] = (totals[kind] || 0) + ns;
      counts[kind] = (counts[kind] || 0) + 1;
    }
  }
  let all = 0, n = 0;
  for (const kind of Object.keys(totals)) {
    console.log(`V8 (pac-resolver 6.0.2)   ${kind.padEnd(9)} ${(totals[kind] / counts[kind] / 1e6).toFixed(3)} ms per URL`);
    all += totals[kind]; n += counts[kind];
  }
  console.log(`V8 (pac-resolver 6.0.2)   all       ${(all / n / 1e6).toFixed(3)} ms per URL (aim: 0.5 ms or less)`);
  const start = process.hrtime.bigint();
  for (let r = 0; r < rounds; r++) for (const [url] of urls) await floor(url);
  const floorMs = Number(process.hrtime.bigint() - start) / (rounds * urls.length) / 1e6;
  console.log(`V8 (pac-resolver 6.0.2)   floor     ${floorMs.toFixed(3)} ms per URL (a script that only returns DIRECT)`);
})();
JS
cat >"$work/spidermonkey.py" <<'PY'
import sys, time, urllib.parse, pacparser
pac, url_file = sys.argv[1], sys.argv[2]
urls = [line.rstrip('\n').split('\t') for line in open(url_file) if line.strip()]
pacparser.init()
pacparser.parse_pac_file(pac)
totals, counts = {}, {}
for url, kind in urls:
    host = urllib.parse.urlsplit(url).hostname
    start = time.perf_counter()
    pacparser.find_proxy(url, host)
    totals[kind] = totals.get(kind, 0.0) + time.perf_counter() - start
    counts[kind] = counts.get(kind, 0) + 1
pacparser.cleanup()
for kind in totals:
    print("pacparser (SpiderMonkey) %-9s %.3f ms per URL" % (kind, totals[kind] / counts[kind] * 1000))
print("pacparser (SpiderMonkey) all       %.3f ms per URL" % (sum(totals.values()) / sum(counts.values()) * 1000))
PY
echo "PAC script: $(stat -c %s "$pac") bytes, $(grep -c shExpMatch "$pac") conditions; $(wc -l <"$work/urls") URLs"
node "$work/v8.js" "$node_dir/node_modules/pac-resolver" "$pac" "$work/urls"
/usr/bin/python3 "$work/spidermonkey.py" "$pac" "$work/urls"
