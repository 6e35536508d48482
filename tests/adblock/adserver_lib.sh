# Sourced by the ad-block server tests: start and stop tests/tools/adblock_server.exe
# under the session's Wine, read the "AdsBlocked" counter and the product's log.
# Needs QR_TOOLS (Unix path of the test tree's tools folder) and a Wine session.

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-session.sh"

qr_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# adserver_start PORT PAC_FOLDER OUTPUT_FILE: starts the server (at most 300 s)
# and waits until it listens.  PAC_FOLDER is a Windows path.  Sets ADSERVER_PID.
adserver_start() {
  local port=$1 folder=$2 out=$3
  : >"$out"
  wine "$QR_TOOLS/adblock_server.exe" "$port" "$folder" 300 >"$out" 2>&1 </dev/null &
  ADSERVER_PID=$!
  local tries=0
  while ! grep -q "^listening on" "$out" 2>/dev/null; do
    if ! kill -0 "$ADSERVER_PID" 2>/dev/null || grep -q "^cannot listen" "$out" || [ $tries -ge 600 ]; then
      echo "server did not start:"; cat "$out"
      adserver_stop
      return 1
    fi
    sleep 0.1; tries=$((tries + 1))
  done
}

# Sets the stop event and waits for the server to end (15 s), else kills it.
adserver_stop() {
  [ -n "${ADSERVER_PID:-}" ] || return 0
  timeout 30 wine "$QR_TOOLS/set_event.exe" QuillrestAdServerStop </dev/null >/dev/null 2>&1 || true
  local tries=0
  while kill -0 "$ADSERVER_PID" 2>/dev/null && [ $tries -lt 150 ]; do sleep 0.1; tries=$((tries + 1)); done
  if kill -0 "$ADSERVER_PID" 2>/dev/null; then
    echo "server did not stop in time: killed"
    kill "$ADSERVER_PID" 2>/dev/null || true
  fi
  wait "$ADSERVER_PID" 2>/dev/null
  ADSERVER_STATUS=$?
  ADSERVER_PID=
}

ads_blocked() {
  local value
  value=$(timeout 60 wine reg query 'HKLM\software\Quillrest\State' /v 'Counter - AdsBlocked' $(qr_reg_view) </dev/null 2>/dev/null |
          tr -d '\r' | awk '/Counter - AdsBlocked/ { print $NF }')
  echo "${value:-0}"
}

# The server writes the counter a second after the first unwritten ad: wait for
# it to reach $1 (30 s at most).  Nothing further may come: settle for 1.5 s first.
ads_blocked_reaches() {
  local tries=0 value
  sleep 1.5
  while value=$(ads_blocked); [ "$value" != "$1" ] && [ $tries -lt 60 ]; do sleep 0.5; tries=$((tries + 1)); done
  [ "$value" = "$1" ] || { echo "AdsBlocked is $value, expected $1"; return 1; }
}

# The counter once every earlier ad has been written.
settled_ads_blocked() { sleep 1.5; ads_blocked; }

set_product_dword() {   # name value
  timeout 60 wine reg add 'HKLM\software\Quillrest' /v "$1" /t REG_DWORD /d "$2" /f $(qr_reg_view) </dev/null >/dev/null 2>&1
}

# The product's log file in the prefix (the user's documents folder).
product_log() {
  find -L "$WINEPREFIX/drive_c/users" -maxdepth 3 -name QuillrestLog.txt 2>/dev/null | head -n1
}

# Unix path of a path on the prefix's drive C: (C:\windows\system32), as the
# test tree's programs see it: under WOW64 their system32 is SysWOW64.
qr_unixpath_c() {
  local path
  path=$(printf '%s' "${1#?:\\}" | tr '\\' '/')
  if [ "${QR_ARCH:-}" = wow64 ]; then
    case "${path,,}" in windows/system32|windows/system32/*) path="windows/syswow64${path:16}" ;; esac
  fi
  printf '%s/drive_c/%s' "$WINEPREFIX" "$path"
}

# Test bookkeeping: check DESCRIPTION COMMAND...
QR_FAILURES=0
check() {
  local what=$1; shift
  if "$@"; then
    echo "ok   $what"
  else
    echo "FAIL $what"
    QR_FAILURES=$((QR_FAILURES + 1))
  fi
}
is() { [ "$1" = "$2" ] || { printf 'expected: %q\n     got: %q\n' "$2" "$1"; return 1; }; }
