#!/usr/bin/env bash
# Evaluation time per URL of the product's PAC scripts at four list sizes: the
# default ad-server list (399 names) and lists of 3,000, 20,000 and 100,000
# names (the default list and made-up names, every tenth an exact "+" entry).
# Each size in both forms the product can write (one shExpMatch term per entry;
# one lookup per parent domain in an object keyed by name), the product's own
# choice marked "*".  The engine is plain V8 (node's vm module, a fresh context
# per script, no sandbox library) with the PAC helper functions defined the way
# a browser's PAC library defines them: each shExpMatch call builds a RegExp.
# Then the product's scripts once more in pacparser (an old SpiderMonkey).
# Aims: 0.5 ms or less per URL at the default list, 0.01 ms or less at 100,000.
# The scripts come from the product's own code under Wine (tests/tools/pac_text.exe,
# throwaway prefix).
#   bench/pac_eval.sh          (QR_ARCH=x86|x64 forces the architecture)
set -euo pipefail
source "$(dirname "$0")/bench_lib.sh"
work=$(mktemp -d /tmp/quillrest-paceval.XXXXXX)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
sizes="399 3000 20000 100000"

# The lists: the default one, then the default one filled up with made-up names.
cp "$root/res/default-ad-servers.txt" "$work/list399.txt"
for size in $sizes; do
  [ "$size" = 399 ] && continue
  awk -v size="$size" '{ sub(/\r$/, ""); print; n++ }
       END { for (i = 1; n < size; i++) { printf "%strack%d.adnet%d.example\n", (i % 10 == 0 ? "+" : ""), i, i % 997; n++ } }' \
    "$work/list399.txt" >"$work/list$size.txt"
done

bench_arch "PAC evaluation benchmark"
bench_build pac_text
trap 'qr_session_end; cleanup' EXIT
qr_session_begin
for size in $sizes; do
  for form in product conditions lookup; do
    extra=(); [ "$form" = product ] || extra=("$form")
    wine "$tests/tests/pac_text.exe" "$(qr_winpath "$work/$size-$form.pac")" "$(qr_winpath "$work/list$size.txt")" \
      "${extra[@]}" </dev/null >/dev/null 2>&1 || true
    [ -s "$work/$size-$form.pac" ] || { echo "pac_eval: no $form script for $size names" >&2; exit 1; }
  done
done
qr_session_end
trap cleanup EXIT

cat >"$work/v8.js" <<'JS'
// Times FindProxyForURL per URL in a fresh V8 context holding a browser's PAC helpers.
const fs = require('fs');
const vm = require('vm');

// The helpers as a browser's PAC library defines them (dnsResolve and
// myIpAddress are native there; here they answer without a network).
const helpers = `
function isPlainHostName(host) { return host.indexOf('.') == -1; }
function dnsDomainIs(host, domain) {
    return host.length >= domain.length && host.substring(host.length - domain.length) == domain;
}
function dnsDomainLevels(host) { return host.split('.').length - 1; }
function localHostOrDomainIs(host, hostdom) {
    return host == hostdom || hostdom.lastIndexOf(host + '.', 0) == 0;
}
function isValidIpAddress(ipchars) {
    var m = /^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})$/.exec(ipchars);
    return m != null && m[1] <= 255 && m[2] <= 255 && m[3] <= 255 && m[4] <= 255;
}
function convert_addr(ipchars) {
    var b = ipchars.split('.');
    return ((b[0] & 0xff) << 24) | ((b[1] & 0xff) << 16) | ((b[2] & 0xff) << 8) | (b[3] & 0xff);
}
function dnsResolve(host) { return isValidIpAddress(host) ? host : null; }
function myIpAddress() { return '127.0.0.1'; }
function isResolvable(host) { return dnsResolve(host) != null; }
function isInNet(ipaddr, pattern, maskstr) {
    if (!isValidIpAddress(pattern) || !isValidIpAddress(maskstr)) return false;
    if (!isValidIpAddress(ipaddr)) { ipaddr = dnsResolve(ipaddr); if (ipaddr == null) return false; }
    var mask = convert_addr(maskstr);
    return (convert_addr(ipaddr) & mask) == (convert_addr(pattern) & mask);
}
function shExpMatch(url, pattern) {
    pattern = pattern.replace(/\\./g, '\\\\.');
    pattern = pattern.replace(/\\*/g, '.*');
    pattern = pattern.replace(/\\?/g, '.');
    var newRe = new RegExp('^' + pattern + '$');
    return newRe.test(url);
}
`;

const [work, sizes] = [process.argv[2], process.argv[3].split(' ')];
const now = () => Number(process.hrtime.bigint()) / 1e6;

// The timing loop runs inside the script's context, as a browser calls
// FindProxyForURL straight into its PAC engine: doubles its number of calls
// until they take minMs (that much again warms up), then times as many, the
// URLs taken in turn throughout.
const harness = `
function __timePerUrl(urlsJson, minMs) {
    var urls = JSON.parse(urlsJson), next = 0;
    function run(n) {
        var start = __now();
        for (var i = 0; i < n; i++, next = (next + 1) % urls.length)
            FindProxyForURL(urls[next][0], urls[next][1]);
        return __now() - start;
    }
    var n = 1;
    while (run(n) < minMs)
        n *= 2;
    return run(n) / n;
}
`;

function load(file) {
  const context = vm.createContext({ __now: () => performance.now() });
  vm.runInContext(helpers + harness, context);
  const start = now();
  vm.runInContext(fs.readFileSync(file, 'latin1'), context, { filename: file });
  return {
    find: context.FindProxyForURL,
    timePerUrl: (urls) => context.__timePerUrl(JSON.stringify(urls), 250),
    loadMs: now() - start,
  };
}

// URLs by kind from a list: subdomains of plain entries (blocked), the plain
// names themselves (not blocked), exact "+" names (blocked), unlisted hosts.
function urlsOf(listFile) {
  const plain = [], exact = [];
  for (const line of fs.readFileSync(listFile, 'latin1').split(/[\r\n]+/)) {
    if (line.startsWith('+')) exact.push(line.slice(1));
    else if (line) plain.push(line);
  }
  const spread = (names, count) => names.filter((_, i) => i % Math.max(1, Math.floor(names.length / count)) == 0).slice(0, count);
  const kinds = {
    listed: spread(plain, 100).map((n) => ['http://img.' + n + '/banner.gif', 'img.' + n]),
    bare: spread(plain, 100).map((n) => ['http://' + n + '/', n]),
    exact: spread(exact, 100).map((n) => ['http://' + n + '/', n]),
    unlisted: [...Array(100).keys()].map((i) => ['http://www.site' + i + '.example/page.html', 'www.site' + i + '.example']),
  };
  for (const kind of Object.keys(kinds)) if (kinds[kind].length == 0) delete kinds[kind];
  return kinds;
}

const fmt = (ms) => (ms < 0.01 ? ms.toFixed(5) : ms < 1 ? ms.toFixed(3) : ms.toFixed(1)).padStart(9);
console.log(`V8 ${process.versions.v8} (node ${process.version}, vm module), ms per URL; "*" the form the product writes`);
console.log('  names  form         script    load ms    listed      bare     exact  unlisted     mixed');
const aims = [];
for (const size of sizes) {
  const kinds = urlsOf(`${work}/list${size}.txt`);
  const product = fs.readFileSync(`${work}/${size}-product.pac`, 'latin1');
  const verdicts = {};
  for (const form of ['conditions', 'lookup']) {
    const file = `${work}/${size}-${form}.pac`;
    const text = fs.readFileSync(file, 'latin1');
    const mark = text == product ? '*' : ' ';
    const { find, timePerUrl, loadMs } = load(file);
    const cells = ['listed', 'bare', 'exact', 'unlisted'].map((k) => (kinds[k] ? timePerUrl(kinds[k]) : null));
    // All kinds taken in turn, as a page's requests come.
    const all = Object.values(kinds);
    const mixed = [];
    for (let i = 0; mixed.length < all.reduce((n, urls) => n + urls.length, 0); i++)
      for (const urls of all) if (i < urls.length) mixed.push(urls[i]);
    cells.push(timePerUrl(mixed));
    console.log(`  ${size.padStart(6)} ${(form + mark).padEnd(11)} ${(text.length / 1024).toFixed(0).padStart(6)} KB ${fmt(loadMs)}` +
                cells.map((c) => (c == null ? '        -' : fmt(c))).join(' '));
    // The same verdicts from both forms, on the first ten URLs of every kind.
    verdicts[form] = Object.values(kinds).flatMap((urls) => urls.slice(0, 10).map((u) => find(u[0], u[1])));
    if (mark == '*') {
      aims.push([size, Math.max(...cells.slice(0, 4).filter((c) => c != null)), cells[4]]);
    }
  }
  const same = JSON.stringify(verdicts.conditions) == JSON.stringify(verdicts.lookup);
  console.log(`         both forms give the same verdicts on ${verdicts.lookup.length} URLs: ${same ? 'yes' : 'NO'}`);
}
for (const [size, worst, mixed] of aims) {
  const aim = size == '399' ? 0.5 : size == '100000' ? 0.01 : null;
  if (aim != null)
    console.log(`the product's script at ${size} names: ${fmt(mixed).trim()} ms per URL mixed, ` +
                `${fmt(worst).trim()} ms for the slowest kind (aim: ${aim} ms or less)`);
}
JS
cat >"$work/spidermonkey.py" <<'PY'
import sys, time, urllib.parse, pacparser
work, sizes = sys.argv[1], sys.argv[2].split()
print("pacparser (SpiderMonkey), the product's scripts, ms per URL")
for size in sizes:
    names = [l.strip() for l in open("%s/list%s.txt" % (work, size)) if l.strip()]
    step = max(1, len(names) // 100)
    hosts = ["img." + n for n in names[::step] if not n.startswith("+")][:100]
    hosts += ["www.site%d.example" % i for i in range(100)]
    pacparser.init()
    pacparser.parse_pac_file("%s/%s-product.pac" % (work, size))
    start = time.perf_counter()
    for host in hosts:
        pacparser.find_proxy("http://%s/" % host, host)
    per = (time.perf_counter() - start) / len(hosts) * 1000
    pacparser.cleanup()
    print("  %6s names: %.4f ms" % (size, per))
PY
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) processors)"
node "$work/v8.js" "$work" "$sizes"
/usr/bin/python3 "$work/spidermonkey.py" "$work" "$sizes"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
