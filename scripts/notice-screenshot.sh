#!/usr/bin/env bash
# Takes pictures of the notice that names start-up programs parked during the
# session, in a throwaway Wine session under Xvfb: a resident instance runs,
# programs add themselves to the Run key, and the notice shows in the corner.
#   <build folder>/screenshots/notice-one.png    one newcomer
#   <build folder>/screenshots/notice-more.png   two more joined the open notice
#   <build folder>/screenshots/notice-corner.png the bottom-right corner of the screen
# QR_NO_BUILD=1 uses the builds as they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-session.sh"
qr_choose_arch
build=${QR_BUILD_DIR:-$root/build}
[ -n "${QR_NO_BUILD:-}" ] || "$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null
product=$(qr_product_dir "$build")
tool="$(qr_tests_dir "$build")/tests/window_rect.exe"
shots="$build/screenshots"
mkdir -p "$shots"
trap qr_session_end EXIT
qr_session_begin
w() { timeout 60 wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
key='HKLM\software\Quillrest'
run='HKCU\software\microsoft\windows\currentversion\run'
title="Quillrest: new start-up program"
# No window manager runs here: Wine draws the frames and captions itself.
w reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
for value in WelcomeDismissed:1 DelaySeconds:1 CheckVersion:0 DeleteSafeTempFiles:0 DeleteAllTempFiles:0 \
             DelFileChk:0 ClearInetCache:0 DeleteCookies:0; do
  w reg add "$key" /v "${value%%:*}" /t REG_DWORD /d "${value#*:}" /f >/dev/null
done

shot() {   # name: the notice, cropped
  local x y width height
  read -r x y width height <<<"$(w "$(qr_winpath "$tool")" "$title")" || { echo "The notice did not appear" >&2; exit 1; }
  sleep 1    # let it paint before the picture is taken
  import -display "$DISPLAY" -window root -crop "${width}x${height}+${x}+${y}" +repage "$shots/$1.png"
  echo "$shots/$1.png"
}

# The resident instance after its launch phase (none to launch: one second).
( timeout 300 wine "$(qr_winpath "$product/Quillrest.exe")" -noinstall -hklm </dev/null >/dev/null 2>&1 & )
w "$(qr_winpath "$tool")" "Quillrest (tm) Hollowmere" >/dev/null || { echo "The boot window did not appear" >&2; exit 1; }
sleep 4    # the launch phase ends and the watch begins
w reg add "$run" /v "Photo Sync" /d 'C:\Program Files\Photo Sync\photosync.exe /tray' /f >/dev/null
shot notice-one
w reg add "$run" /v "Cloud Drive" /d 'C:\Program Files\Cloud Drive\drive.exe -background' /f >/dev/null
w reg add "$run" /v "Printer Monitor" /d 'C:\Printer\monitor.exe' /f >/dev/null
sleep 4    # the second burst is parked and joins the open notice
shot notice-more
import -display "$DISPLAY" -window root "$QR_SESSION_DIR/screen.png"
convert "$QR_SESSION_DIR/screen.png" -gravity SouthEast -crop 640x240+0+0 +repage "$shots/notice-corner.png"
echo "$shots/notice-corner.png"
