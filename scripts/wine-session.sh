#!/usr/bin/env bash
# Sourced by the run and test scripts: a throwaway 32-bit Wine prefix, a private
# Xvfb and one persistent wineserver, all stopped again by qr_session_end.
# Honours QR_SESSION_DIR (default: a new temp folder).

qr_session_begin() {
  export QR_SESSION_DIR=${QR_SESSION_DIR:-$(mktemp -d /tmp/quillrest-session.XXXXXX)}
  mkdir -p "$QR_SESSION_DIR/home"
  export HOME="$QR_SESSION_DIR/home"            # the prefix's user folders link here
  export WINEPREFIX="$QR_SESSION_DIR/prefix"
  export WINEARCH=win32
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
