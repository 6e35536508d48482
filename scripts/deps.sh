#!/usr/bin/env bash
# Installs the build and test tools on Debian 12 when any is missing (needs root).
set -euo pipefail
need=()
command -v i686-w64-mingw32-g++-win32 >/dev/null || need+=(mingw-w64)
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(mingw-w64)
command -v cmake >/dev/null || need+=(cmake)
command -v wine >/dev/null || need+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)   # installs even where it cannot run
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v Xvfb >/dev/null || need+=(xvfb)
command -v import >/dev/null || need+=(imagemagick)
command -v convert >/dev/null || need+=(imagemagick)
[ -d /usr/src/googletest ] || need+=(googletest)
command -v python3 >/dev/null || need+=(python3)
command -v curl >/dev/null || need+=(curl)
command -v chromium >/dev/null || need+=(chromium)    # the ad-block server test drives it headless
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q $(printf '%s\n' "${need[@]}" | sort -u) cmake make
fi
