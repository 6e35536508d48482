#!/usr/bin/env bash
# Installs on Debian 12 (needs root) every package that the build, the demo, the
# screenshots, the tests and the benchmarks use, when any is missing.  Nothing
# else need be installed by hand: a test whose client is missing would fail.
set -euo pipefail
need=()
want() { need+=("$@"); }
command -v i686-w64-mingw32-g++-win32 >/dev/null || want mingw-w64
command -v i686-w64-mingw32-g++-posix >/dev/null || want mingw-w64
command -v cmake >/dev/null || want cmake
command -v make >/dev/null || want make
command -v wine >/dev/null || want wine
dpkg -s wine32:i386 >/dev/null 2>&1 || want wine32:i386   # installs even where it cannot run
[ -x /usr/lib/wine/wine64 ] || want wine64
command -v Xvfb >/dev/null || want xvfb
command -v import >/dev/null || want imagemagick            # screenshots
command -v convert >/dev/null || want imagemagick
[ -d /usr/src/googletest ] || want googletest
# Debian's own python3: its modules import only there (the first python3 on PATH may be another).
[ -x /usr/bin/python3 ] || want python3
/usr/bin/python3 -c 'import pacparser' >/dev/null 2>&1 || want python3-pacparser   # the real PAC engine
command -v curl >/dev/null || want curl
command -v chromium >/dev/null || want chromium             # the ad-block server test drives it headless
command -v ss >/dev/null || want iproute2                   # which address the server listens on
command -v node >/dev/null || want nodejs                   # PAC benchmark (V8, its own vm module)
command -v wrk >/dev/null || want wrk                       # server benchmark
command -v nginx >/dev/null || [ -x /usr/sbin/nginx ] || want nginx
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: $(printf '%s\n' "${need[@]}" | sort -u | tr '\n' ' ')"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  # Packaged servers (nginx) must not start as system services on port 80.
  policy=/usr/sbin/policy-rc.d
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod +x "$policy"
    trap 'rm -f "$policy"' EXIT
  fi
  apt-get update -q
  apt-get install -y -q $(printf '%s\n' "${need[@]}" | sort -u)
fi
