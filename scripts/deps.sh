#!/usr/bin/env bash
# Installs on Debian 12 (needs root) every package that the build, the demo, the
# screenshots, the tests, the fuzzers and the benchmarks use, when any is missing.
# Nothing else need be installed by hand: a test whose client is missing would fail.
#
# A package mirror in mid-sync must not stop a build machine: when "apt-get
# update" fails for some lists, the install goes on with what was fetched.  What
# only the 32-bit configurations need (wine32:i386) is installed apart from the
# rest; if it cannot be, one line says why, the reason is left in
# $QR_DEPS_STATE (default /var/tmp/quillrest-deps.x86) for the test command,
# and the set-up goes on.  A package every configuration needs still stops it.
set -euo pipefail
state=${QR_DEPS_STATE:-/var/tmp/quillrest-deps.x86}
need=()
want() { need+=("$@"); }
command -v i686-w64-mingw32-g++-win32 >/dev/null || want mingw-w64
command -v i686-w64-mingw32-g++-posix >/dev/null || want mingw-w64
command -v cmake >/dev/null || want cmake
command -v make >/dev/null || want make
command -v wine >/dev/null || want wine
[ -x /usr/lib/wine/wine64 ] || want wine64
command -v Xvfb >/dev/null || want xvfb
command -v import >/dev/null || want imagemagick            # screenshots
command -v convert >/dev/null || want imagemagick
[ -d /usr/src/googletest ] || want googletest
# Debian's own python3: its modules import only there (the first python3 on PATH may be another).
[ -x /usr/bin/python3 ] || want python3
/usr/bin/python3 -c 'import pacparser' >/dev/null 2>&1 || want python3-pacparser   # the real PAC engine
/usr/bin/python3 -c 'import yaml' >/dev/null 2>&1 || want python3-yaml             # the winget manifest check
command -v xmllint >/dev/null || want libxml2-utils                                 # the policy templates
command -v curl >/dev/null || want curl
command -v chromium >/dev/null || want chromium             # the ad-block server test drives it headless
command -v ss >/dev/null || want iproute2                   # which address the server listens on
command -v node >/dev/null || want nodejs                   # PAC benchmark (V8, its own vm module)
command -v wrk >/dev/null || want wrk                       # server benchmark
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || want nginx
# The fuzzers: Debian's clang with libFuzzer and the sanitizer runtimes.
command -v clang++ >/dev/null || want clang
[ -n "$(find /usr/lib/llvm-*/lib/clang -name "libclang_rt.fuzzer-$(uname -m).a" 2>/dev/null | head -n1)" ] || want libclang-rt-dev

# The 32-bit Wine loader only where this machine can run 32-bit code at all;
# elsewhere it is dead weight.
source "$(dirname "$0")/wine-session.sh"
want_x86=""
if qr_host_runs_x86_code; then
  dpkg -s wine32:i386 >/dev/null 2>&1 || want_x86=wine32:i386
else
  rm -f "$state"   # nothing 32-bit is expected here; the test command says why by itself
fi

[ ${#need[@]} -gt 0 ] || [ -n "$want_x86" ] || exit 0
export DEBIAN_FRONTEND=noninteractive
# Packaged servers (nginx) must not start as system services on port 80.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod +x "$policy"
  trap 'rm -f "$policy"' EXIT
fi
if [ -n "$want_x86" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
update_log=$(mktemp /tmp/apt-update.XXXXXX)
if ! apt-get update -q >"$update_log" 2>&1; then
  failed=$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$update_log" | sort -u | paste -sd' ' || true)
  echo "deps.sh: apt-get update failed for some package lists (${failed:-see apt-get update}); installing from what was fetched"
fi
rm -f "$update_log"

if [ ${#need[@]} -gt 0 ]; then
  list=$(printf '%s\n' "${need[@]}" | sort -u | tr '\n' ' ')
  echo "Installing: $list"
  # shellcheck disable=SC2086
  if ! apt-get install -y -q $list; then
    echo "deps.sh: could not install $list; every test configuration needs them, so the set-up stops here" >&2
    exit 1
  fi
fi

if [ -n "$want_x86" ]; then
  echo "Installing: $want_x86 (the 32-bit configurations)"
  out=$(apt-get install -y -q "$want_x86" 2>&1) && rc=0 || rc=$?
  if [ $rc -ne 0 ]; then
    # The usual cause: a mirror in mid-sync left the 32-bit and 64-bit copies of
    # shared libraries at different versions.  Name some, skip the 32-bit runs.
    names=$(printf '%s\n' "$out" | sed -n 's/^ \([^ ]*\) : .*/\1/p' | head -n 4 | paste -sd, | sed 's/,/, /g')
    error=$(printf '%s\n' "$out" | sed -n 's/^E: //p' | head -n 1)
    echo "apt-get could not install wine32:i386 (${names:+unresolved: $names; }${error:-exit $rc})" >"$state"
    echo "deps.sh: $(cat "$state"); the 32-bit configurations (x86, wow64) will be left out"
  else
    rm -f "$state"
  fi
fi
