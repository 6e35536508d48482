#!/usr/bin/env bash
# Opens the configuration sheet in a throwaway Wine session under Xvfb and saves
# a picture of every page: screenshots/<nn>-<tab title>.png.  Every tab the sheet
# has is taken, so new pages need no change here; their sample data goes into
# the "Sample data" section.  QR_NO_BUILD=1 uses the builds as they are.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-session.sh"
qr_choose_arch
build=${QR_BUILD_DIR:-$root/build}
[ -n "${QR_NO_BUILD:-}" ] || "$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null
product=$(qr_product_dir "$build")
tool="$(qr_tests_dir "$build")/tests/sheet_page.exe"
shots="$root/screenshots"
rm -rf "$shots" && mkdir -p "$shots"
caption="Quillrest Configuration"

trap qr_session_end EXIT
qr_session_begin
w() { timeout 60 wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
key='HKLM\software\Quillrest'
# No window manager runs here: Wine draws the frames and captions itself.
w reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null

# ---- Sample data, so the pages have something to show ----
w reg add "$key" /v SawMSCDEX /t REG_DWORD /d 1 /f >/dev/null
w reg add "$key" /v "Counter - Boots" /d 123 /f >/dev/null
w reg add "$key" /v "Counter - FilesLaunched" /d 4567 /f >/dev/null
w reg add "$key" /v "Counter - JunkFilesDeleted" /d 890 /f >/dev/null
w reg add "$key" /v "Counter - JunkFileBytesDeleted" /d 52428800 /f >/dev/null
w reg add "$key" /v "Counter - DeletedInternetFiles" /d 2345 /f >/dev/null
w reg add "$key" /v "Counter - DeletedCookies" /d 678 /f >/dev/null
w reg add "$key" /v "Counter - AdsBlocked" /d 9012 /f >/dev/null
capture='HKLM\software\microsoft\windows\currentversion\run\Quillrest'
w reg add "$capture" /v "Clock Helper" /d 'C:\Program Files\Clock\clockhelper.exe /tray' /f >/dev/null
w reg add "$capture" /v "Update Agent" /d 'C:\Program Files\Some Vendor\Updates\A Rather Long Folder Name\agent.exe -background -quiet' /f >/dev/null
w reg add 'HKCU\software\microsoft\windows\currentversion\run\Quillrest' /v "Chat Tray" /d 'C:\Chat\chat.exe' /f >/dev/null
w reg add "$key" /v IgnoreForLaunch /d "$(printf 'Chat Tray\001')" /f >/dev/null

# A boot report of 20 log-ons for the Boot Report page: twelve at the fixed
# delay, then eight started as soon as the computer was quiet.
appdata=$(w cmd.exe /c 'echo %LOCALAPPDATA%')
report="$(w winepath -u "$appdata")/QuillrestBootReport.txt"
{
  printf 'Quillrest boot report 2\r\n'
  now=$(date +%s)
  for boot in $(seq 1 19); do
    if [ "$boot" -le 12 ]; then pacing=0; gap=8000; else pacing=1; gap=$((1500 + boot * 37 % 400)); fi
    last=$((1200 + 7 * gap)); printf 'B\t%d\t%d\t%d\t%d\t%d\t8\r\n' $((now - (20 - boot) * 86400)) $pacing \
      $((280 + boot * 13 % 90)) $last $((last + 600 + boot * 71 % 900))
    for item in 0 1 2 3 4 5 6 7; do
      printf 'I\t%d\t%d\t1\t%d\tProgram %d\r\n' $((1200 + item * gap)) $((300 + (item * 577 + boot * 131) % 2600)) \
        $((1 + item % 3)) $item
    done
  done
  printf 'B\t%d\t1\t310\t13300\t14200\t8\r\n' "$now"
  printf 'I\t1200\t350\t1\t2\tClock Helper\r\nI\t2000\t1650\t1\t1\tUpdate Agent\r\nI\t4100\t3500\t0\t4\tPhoto Sync\r\n'
  printf 'I\t7600\t800\t1\t2\tChat Tray\r\nI\t8900\t420\t1\t3\tPrinter Monitor\r\nI\t9900\t2300\t1\t2\tCloud Drive\r\n'
  printf 'I\t12600\t260\t1\t1\tAudio Tray\r\nI\t13300\t900\t1\t2\tBackup Reminder\r\n'
} >"$report"

# ---- The sheet, one page after another ----
( timeout 300 wine "$(qr_winpath "$product/Quillrest.exe")" -noinstall -configure </dev/null >/dev/null 2>&1 & )
index=0
while line=$(w "$(qr_winpath "$tool")" "$caption" $index) && [ -n "$line" ]; do
  read -r x y width height title <<<"$line"
  sleep 0.5    # let the page paint before the picture is taken
  name=$(printf '%02d-%s' $((index + 1)) "$(echo "$title" | tr ' ' '-')")
  [ -z "${QR_SHOTS_FULL:-}" ] || import -display "$DISPLAY" -window root "$shots/screen-$index.png"
  import -display "$DISPLAY" -window root -crop "${width}x${height}+${x}+${y}" +repage "$shots/$name.png"
  echo "screenshots/$name.png"
  index=$((index + 1))
done
w "$(qr_winpath "$tool")" "$caption" cancel >/dev/null || true
[ $index -gt 0 ] || { echo "The configuration sheet did not appear" >&2; exit 1; }
