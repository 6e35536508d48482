#!/usr/bin/env bash
# Sourced by the run and test scripts: which configurations this host can run,
# and a throwaway Wine prefix for one of them, a private Xvfb and one persistent
# wineserver, all stopped by qr_session_end.
# Honours QR_SESSION_DIR (default: a new temp folder) and QR_ARCH, the
# configuration:
#   x86    the 32-bit program in a 32-bit prefix: 32-bit Windows
#   wow64  the 32-bit program in a win64 prefix: 64-bit Windows running it under
#          WOW64, as most of its users do
#   x64    the 64-bit program in a win64 prefix

QR_SCRIPTS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
QR_CONFIGS_ALL="x86 wow64 x64"

# True when the kernel runs 32-bit code: a 93-byte 32-bit Linux program that
# only exits 0 runs.  Some x86_64 machines have no IA-32 mode at all.
qr_host_runs_x86_code() {
  local probe rc=0
  probe=$(mktemp /tmp/x86probe.XXXXXX) || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || rc=1
  rm -f "$probe"
  return $rc
}

# Why the 32-bit configurations (x86, wow64) cannot run here, in one line;
# nothing (and false) when they can: the kernel runs 32-bit code and the 32-bit
# Wine loader starts.
qr_why_no_x86() {
  local state=${QR_DEPS_STATE:-/var/tmp/quillrest-deps.x86}
  if ! qr_host_runs_x86_code; then
    echo "this host cannot run 32-bit code"
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    return 1
  elif [ -s "$state" ]; then
    head -n1 "$state"
  else
    echo "the 32-bit Wine loader does not start (wine32:i386 missing or broken)"
  fi
}
qr_host_runs_x86() { ! qr_why_no_x86 >/dev/null; }

# The configurations this host can run, in the order they are tested.
qr_configs() { if qr_host_runs_x86; then echo "$QR_CONFIGS_ALL"; else echo x64; fi; }

# Sets QR_ARCH (forced, or the shipped 32-bit program on 32-bit Windows where the
# host runs it, else the 64-bit one) and QR_ARCH_WHY; fails for a forced 32-bit
# configuration on a host that cannot run it.
qr_choose_arch() {
  local why
  case "${QR_ARCH:-}" in
    x86|wow64)
      if why=$(qr_why_no_x86); then
        echo "QR_ARCH=$QR_ARCH, but $why; use QR_ARCH=x64" >&2
        return 1
      fi
      QR_ARCH_WHY=${QR_ARCH_WHY:-"forced by QR_ARCH=$QR_ARCH"} ;;
    x64) QR_ARCH_WHY=${QR_ARCH_WHY:-"forced by QR_ARCH=x64"} ;;
    "")
      if why=$(qr_why_no_x86); then
        QR_ARCH=x64; QR_ARCH_WHY="$why, so the 64-bit program runs under wine64"
      else
        QR_ARCH=x86; QR_ARCH_WHY="this host runs 32-bit code, so the shipped 32-bit program runs on 32-bit Windows"
      fi ;;
    *) echo "QR_ARCH must be x86, wow64 or x64, not '$QR_ARCH'" >&2; return 1 ;;
  esac
  export QR_ARCH QR_ARCH_WHY
}

# What a configuration runs: the build (x86 or x64) and the Windows (a 32-bit or
# a 64-bit prefix).
qr_build_arch() { [ "${1:-${QR_ARCH:-x86}}" = x64 ] && echo x64 || echo x86; }
qr_windows64() { [ "${1:-${QR_ARCH:-x86}}" != x86 ]; }
qr_describe() {
  case "${1:-${QR_ARCH:-x86}}" in
    x86) echo "the 32-bit program on 32-bit Windows" ;;
    wow64) echo "the 32-bit program on 64-bit Windows (WOW64)" ;;
    x64) echo "the 64-bit program on 64-bit Windows" ;;
  esac
}

# Build folders of the current configuration below a build root.
qr_product_dir() { [ "$(qr_build_arch)" = x64 ] && echo "$1/product64" || echo "$1/product"; }
qr_tests_dir() { [ "$(qr_build_arch)" = x64 ] && echo "$1/tests64" || echo "$1/tests"; }

# Where the installed program lives, as a 64-bit process (reg.exe, the demo's own
# commands) must name it: the 32-bit program's writes to system32 land in
# SysWOW64 on 64-bit Windows.
qr_installed_dir() { [ "${QR_ARCH:-x86}" = wow64 ] && echo 'C:\windows\syswow64' || echo 'C:\windows\system32'; }
# reg.exe's switch for the program's own registry view: the 32-bit program
# reads HKLM\Software through Wow6432Node on 64-bit Windows.
qr_reg_view() { [ "${QR_ARCH:-x86}" = wow64 ] && echo /reg:32 || true; }

qr_session_begin() {
  export QR_SESSION_DIR=${QR_SESSION_DIR:-$(mktemp -d /tmp/quillrest-session.XXXXXX)}
  mkdir -p "$QR_SESSION_DIR/home"
  export HOME="$QR_SESSION_DIR/home"            # the prefix's user folders link here
  export WINEPREFIX="$QR_SESSION_DIR/prefix"
  if qr_windows64; then
    # Debian's wrappers would pick the 32-bit loader when it is installed; the
    # 64-bit one starts 32-bit programs (wow64) through the 32-bit loader itself.
    case ":$PATH:" in *":$QR_SCRIPTS_DIR/wine64:"*) ;; *) export PATH="$QR_SCRIPTS_DIR/wine64:$PATH" ;; esac
    export WINEARCH=win64
  else
    PATH=$(printf '%s' ":$PATH:" | sed "s|:$QR_SCRIPTS_DIR/wine64:|:|g; s|^:||; s|:\$||")
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
