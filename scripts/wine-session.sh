#!/usr/bin/env bash
# Sourced by the run and test scripts: which architecture this host can run, and
# a throwaway Wine prefix of that architecture (32-bit for x86, win64 for x64),
# a private Xvfb and one persistent wineserver, all stopped by qr_session_end.
# Honours QR_SESSION_DIR (default: a new temp folder) and QR_ARCH (x86 or x64).

QR_SCRIPTS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# True when this host runs 32-bit code: the 32-bit Wine loader starts.  Some
# x86_64 kernels have no IA-32 mode at all, and there it fails at once.
qr_host_runs_x86() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Sets QR_ARCH (forced, or what the host runs) and QR_ARCH_WHY; fails for a
# forced x86 on a host that cannot run it.
qr_choose_arch() {
  case "${QR_ARCH:-}" in
    x86)
      if ! qr_host_runs_x86; then
        echo "QR_ARCH=x86, but this host cannot run 32-bit code (the 32-bit Wine loader does not start); use QR_ARCH=x64" >&2
        return 1
      fi
      QR_ARCH_WHY=${QR_ARCH_WHY:-"forced by QR_ARCH=x86"} ;;
    x64) QR_ARCH_WHY=${QR_ARCH_WHY:-"forced by QR_ARCH=x64"} ;;
    "")
      if qr_host_runs_x86; then QR_ARCH=x86; QR_ARCH_WHY="this host runs 32-bit code, so the shipped 32-bit program is tested"
      else QR_ARCH=x64; QR_ARCH_WHY="this host cannot run 32-bit code, so the 64-bit program is tested under wine64"; fi ;;
    *) echo "QR_ARCH must be x86 or x64, not '$QR_ARCH'" >&2; return 1 ;;
  esac
  export QR_ARCH QR_ARCH_WHY
}

# Build folders of one architecture below a build root.
qr_product_dir() { [ "${QR_ARCH:-x86}" = x64 ] && echo "$1/product64" || echo "$1/product"; }
qr_tests_dir() { [ "${QR_ARCH:-x86}" = x64 ] && echo "$1/tests64" || echo "$1/tests"; }

qr_session_begin() {
  export QR_SESSION_DIR=${QR_SESSION_DIR:-$(mktemp -d /tmp/quillrest-session.XXXXXX)}
  mkdir -p "$QR_SESSION_DIR/home"
  export HOME="$QR_SESSION_DIR/home"            # the prefix's user folders link here
  export WINEPREFIX="$QR_SESSION_DIR/prefix"
  if [ "${QR_ARCH:-x86}" = x64 ]; then
    # Debian's wrappers would pick the 32-bit loader when it is installed.
    case ":$PATH:" in *":$QR_SCRIPTS_DIR/wine64:"*) ;; *) export PATH="$QR_SCRIPTS_DIR/wine64:$PATH" ;; esac
    export WINEARCH=win64
  else
    export WINEARCH=win32
  fi
  # Wine takes its code pages from the locale: a UTF-8 one gives programs without
  # the manifest's code page ANSI 1252 and OEM 437, whatever the machine has set.
  export LC_ALL=C.UTF-8
  unset LANGUAGE
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset DISPLAY

  # Private X display for everything that opens a window.
  rm -f "$QR_SESSION_DIR/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$QR_SESSION_DIR/display" >/dev/null 2>&1 &
  QR_XVFB_PID=$!
  disown "$QR_XVFB_PID" 2>/dev/null || true
  local tries=0
  while [ ! -s "$QR_SESSION_DIR/display" ] && [ $tries -lt 100 ]; do sleep 0.1; tries=$((tries+1)); done
  export DISPLAY=":$(head -n1 "$QR_SESSION_DIR/display")"

  # Create the prefix before anything else runs in it.
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 wineboot -i >/dev/null 2>&1 || true
    timeout 120 wineserver -w || true
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
    timeout 120 wineserver -w || true
  fi
  wineserver -p60
  # Keep one Wine process alive for the whole session, so the desktop and the
  # RPC service that the first GUI or COM program starts stay up and never
  # inherit a later test's output pipes (ctest would wait on them).
  ( sleep 100000 | wine cmd.exe >/dev/null 2>&1 ) 2>/dev/null &
  QR_KEEPER_PID=$!
  disown "$QR_KEEPER_PID" 2>/dev/null || true
  timeout 120 wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  # Warm-up: a program that opens the desktop and loads COM ($1, optional).
  if [ -n "${1:-}" ]; then
    timeout 120 wine "$@" </dev/null >/dev/null 2>&1 || true
  fi
}

qr_session_end() {
  [ -n "${QR_KEEPER_PID:-}" ] && pkill -P "$QR_KEEPER_PID" >/dev/null 2>&1 || true
  [ -n "${QR_KEEPER_PID:-}" ] && kill "$QR_KEEPER_PID" >/dev/null 2>&1 || true
  [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k >/dev/null 2>&1 || true
  [ -n "${QR_XVFB_PID:-}" ] && kill "$QR_XVFB_PID" >/dev/null 2>&1 || true
  if [ -n "${QR_SESSION_DIR:-}" ] && [ -z "${QR_KEEP_SESSION:-}" ]; then
    rm -rf "$QR_SESSION_DIR"
  fi
}

# Windows path of a Unix path inside the session (Wine maps / to Z:).
qr_winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
