#!/usr/bin/env bash
# Takes pictures of the Block Ads page and the Select Blocking dialog (three
# dial-up connections from the tests' stand-in) in a throwaway Wine session
# under Xvfb: <build folder>/screenshots/adblock-page.png, adblock-select.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-session.sh"
qr_choose_arch
build=${QR_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null
tool="$(qr_tests_dir "$build")/tests/adblock_dialogs.exe"
shots="$build/screenshots"
mkdir -p "$shots"
trap qr_session_end EXIT
qr_session_begin
for what in page select; do
  mode=$what; [ "$what" = select ] && mode=choose
  out="$QR_SESSION_DIR/$what.txt"
  ( timeout 60 wine "$tool" "$mode" 4 </dev/null >"$out" 2>/dev/null & )
  for _ in $(seq 1 300); do [ -s "$out" ] && break; sleep 0.1; done
  [ -s "$out" ] || { echo "The $what window did not appear" >&2; exit 1; }
  read -r x y width height <"$out"
  sleep 1    # let it paint before the picture is taken
  import -display "$DISPLAY" -window root -crop "${width}x${height}+${x}+${y}" +repage "$shots/adblock-$what.png"
  echo "$shots/adblock-$what.png"
  sleep 4
done
