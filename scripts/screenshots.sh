#!/usr/bin/env bash
# Opens the program's windows in a throwaway Wine session under Xvfb and saves a
# picture of each, at every DPI asked for, into screenshots/<dpi>/:
#   <nn>-<tab title>.png   every page of the configuration sheet
#   managed-<nn>-<tab title>.png
#                          the same while an administrator's policies fix some
#                          settings (greyed controls, the managed line), and
#                          managed-trouble.png
#   read-only-<nn>-<tab title>.png
#                          the same opened with a standard user's token and the
#                          elevation prompt declined (Windows Vista and later)
#   boot-window.png        the boot window while it launches
#   welcome.png, trouble.png, message.png, status.png, select-blocking.png
#                          the small dialogs (Select Blocking with three dial-up
#                          connections from the tests' stand-in for RAS and WinINet)
#   notice-one.png, notice-more.png, notice-corner.png
#                          the notice of start-up programs added during the
#                          session: one newcomer, two more joining it, and the
#                          bottom-right corner of the screen it sits in
# Every tab the sheet has is taken, so new pages need no change here; their
# sample data goes into the "Sample data" section.
#   QR_SHOTS_DPIS="96 120 144"  the DPIs (default "96 144"; 144 is 150 %)
#   QR_SHOTS_THEME=classic      without visual styles (default: Wine's light theme)
#   QR_NO_BUILD=1               uses the builds as they are
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-session.sh"
qr_choose_arch
echo "Screenshots of $QR_ARCH, $(qr_describe): $QR_ARCH_WHY"
"$root/scripts/deps.sh"
build=${QR_BUILD_DIR:-$root/build}
[ -n "${QR_NO_BUILD:-}" ] || "$root/scripts/build.sh" --tests "$QR_ARCH" >/dev/null
product=$(qr_product_dir "$build")
tools="$(qr_tests_dir "$build")/tests"
shots="$root/screenshots"
rm -rf "$shots" && mkdir -p "$shots"
caption="Quillrest Configuration"
boot_title="Quillrest (tm) Hollowmere"
notice_title="Quillrest: new start-up program"

trap qr_session_end EXIT
qr_session_begin
w() { timeout 60 wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
tool() { w "$(qr_winpath "$tools/$1.exe")" "${@:2}"; }
key='HKLM\software\Quillrest'
state="$key\State"    # what the program records while it runs
view=$(qr_reg_view)    # the program's own registry view (the 32-bit one under WOW64)
policy='HKLM\Software\Policies\Hollowmere\Quillrest'    # read in the 64-bit view on 64-bit Windows
# No window manager runs here: Wine draws the frames and captions itself.
w reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
# Visual styles: Wine's light theme, or none (the classic look of Windows 95 to 2000).
themes='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
if [ "${QR_SHOTS_THEME:-light}" = classic ]; then
  w reg add "$themes" /v ThemeActive /d 0 /f >/dev/null
else
  w reg add "$themes" /v DllName /d 'C:\windows\resources\themes\light\light.msstyles' /f >/dev/null
  w reg add "$themes" /v ColorName /d Blue /f >/dev/null
  w reg add "$themes" /v SizeName /d NormalSize /f >/dev/null
  w reg add "$themes" /v ThemeActive /d 1 /f >/dev/null
fi

# ---- Sample data, so the pages have something to show ----
w reg add "$key" /v SawMSCDEX /t REG_DWORD /d 1 /f $view >/dev/null
w reg add "$state" /v "Counter - Boots" /d 123 /f $view >/dev/null
w reg add "$state" /v "Counter - FilesLaunched" /d 4567 /f $view >/dev/null
w reg add "$state" /v "Counter - JunkFilesDeleted" /d 890 /f $view >/dev/null
w reg add "$state" /v "Counter - JunkFileBytesDeleted" /d 52428800 /f $view >/dev/null
w reg add "$state" /v "Counter - DeletedInternetFiles" /d 2345 /f $view >/dev/null
w reg add "$state" /v "Counter - DeletedCookies" /d 678 /f $view >/dev/null
w reg add "$state" /v "Counter - AdsBlocked" /d 9012 /f $view >/dev/null
capture='HKLM\software\microsoft\windows\currentversion\run\Quillrest'
user_run='HKCU\software\microsoft\windows\currentversion\run'
clock='C:\Program Files\Clock\clockhelper.exe'
agent='C:\Program Files\Some Vendor\Updates\A Rather Long Folder Name\agent.exe'
w reg add "$capture" /v "Clock Helper" /d "$clock /tray" /f >/dev/null
w reg add "$capture" /v "Update Agent" /d "$agent -background -quiet" /f >/dev/null
w reg add "$user_run\Quillrest" /v "Chat Tray" /d 'C:\Chat\chat.exe' /f >/dev/null
w reg add "$key" /v IgnoreForLaunch /d "$(printf 'Chat Tray\001')" /f $view >/dev/null
# The boot window starts these for real: small programs that only write a line.
for program in "$clock" "$agent"; do
  unix=$(w winepath -u "$program")
  mkdir -p "$(dirname "$unix")" && cp "$product/demo/sample_line.exe" "$unix"
done

# A boot report of 20 log-ons for the Boot Report page: twelve at the fixed
# delay, then eight started as soon as the computer was quiet.
appdata=$(w cmd.exe /c 'echo %LOCALAPPDATA%')
report="$(w winepath -u "$appdata")/QuillrestBootReport.txt"
write_report() {
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
}

# Saves the screen area "x y width height" (the first line of $2) as $1.
crop() {
  local x y width height
  read -r x y width height _ <<<"$2"
  import -display "$DISPLAY" -window root -crop "${width}x${height}+${x}+${y}" +repage "$1"
  echo "${1#"$root/"}"
}

shoot_at() {    # dpi
  local dpi=$1 out="$shots/$1" line
  mkdir -p "$out"
  # Every Wine process started from now on reads its DPI from here.
  w reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  write_report >"$report"
  # The same settings in every pass: the boot window below changes these.
  for value in DelaySeconds Minimized CheckVersion; do
    w reg delete "$key" /v $value /f $view >/dev/null || true
  done
  w reg delete "$state" /v WelcomeDismissed /f $view >/dev/null || true

  # ---- The sheet, one page after another; then again under policies ----
  shoot_sheet ""
  for value in DelaySeconds:3 Minimized:0 NotifyNewEntries:0 DownloadAdBlockInfo:0 AllowAdBlocking:0 CheckVersion:0 \
               DeleteCookies:1 Log:1; do
    w reg add "$policy" /v "${value%:*}" /t REG_DWORD /d "${value#*:}" /f >/dev/null
  done
  w reg add "$policy" /v AdBlockListURL /d https://lists.corp.example/ads.txt /f >/dev/null
  shoot_sheet managed-
  shoot_dialog managed-trouble dialog_shot show trouble 3
  w reg delete "$policy" /f >/dev/null
  # A newcomer of the machine-wide Run key, which only an administrator may park.
  w reg add "${capture%\\Quillrest}" /v "Scanner Tray" /d 'C:\Scanner\tray.exe' /f >/dev/null
  shoot_sheet read-only- "$(qr_winpath "$tools/limited.exe")" --decline-elevation
  w reg delete "${capture%\\Quillrest}" /v "Scanner Tray" /f >/dev/null

  # ---- The boot window while it launches, with the welcome dialog ----
  # Opening the sheet wrote the main page's defaults; the boot window shows normally.
  w reg add "$key" /v Minimized /t REG_DWORD /d 0 /f $view >/dev/null
  w reg add "$state" /v WelcomeDismissed /t REG_DWORD /d 0 /f $view >/dev/null
  w reg add "$key" /v DelaySeconds /t REG_DWORD /d 2 /f $view >/dev/null
  # No version check: its status popup would show in the notice's corner.
  w reg add "$key" /v CheckVersion /t REG_DWORD /d 0 /f $view >/dev/null
  ( timeout 120 wine "$(qr_winpath "$product/Quillrest.exe")" -noinstall </dev/null >/dev/null 2>&1 & )
  line=$(tool dialog_shot find "$boot_title" 1004) || { echo "The boot window did not appear" >&2; exit 1; }
  sleep 0.5
  crop "$out/boot-window.png" "$line"
  line=$(tool dialog_shot find "Welcome to Quillrest!") || { echo "The welcome dialog did not appear" >&2; exit 1; }
  crop "$out/welcome.png" "$line"

  # ---- The notice: programs add themselves once the launch phase is over ----
  tool dialog_shot gone "$boot_title" || { echo "The launch phase did not end" >&2; exit 1; }
  sleep 1    # the watch begins
  w reg add "$user_run" /v "Photo Sync" /d 'C:\Program Files\Photo Sync\photosync.exe /tray' /f >/dev/null
  shoot_notice notice-one
  w reg add "$user_run" /v "Cloud Drive" /d 'C:\Program Files\Cloud Drive\drive.exe -background' /f >/dev/null
  w reg add "$user_run" /v "Printer Monitor" /d 'C:\Printer\monitor.exe' /f >/dev/null
  sleep 4    # the second burst is parked and joins the open notice
  shoot_notice notice-more
  import -display "$DISPLAY" -window root "$QR_SESSION_DIR/screen.png"
  convert "$QR_SESSION_DIR/screen.png" -gravity SouthEast -crop "$((dpi * 640 / 96))x$((dpi * 240 / 96))+0+0" \
    +repage "$out/notice-corner.png"
  echo "${out#"$root/"}/notice-corner.png"
  tool set_event Quillrest_Shutdown >/dev/null || true
  tool dialog_shot gone "$notice_title" || true
  # Parked by the resident instance: not samples for the next pass.
  for name in "Photo Sync" "Cloud Drive" "Printer Monitor"; do
    w reg delete "$user_run\Quillrest" /v "$name" /f >/dev/null || true
  done

  # ---- The other small dialogs, each shown for three seconds by a tool ----
  shoot_dialog trouble dialog_shot show trouble 3
  shoot_dialog message dialog_shot show message 3
  shoot_dialog status dialog_shot show status 3
  shoot_dialog select-blocking adblock_dialogs choose 3
}

# Every page of the sheet, saved as $1<nn>-<tab title>.png; the program started
# through the rest of the arguments when there are any (a launcher and its switches).
shoot_sheet() {
  local index=0 line title name prefix=$1
  shift
  ( timeout 300 wine "$@" "$(qr_winpath "$product/Quillrest.exe")" -noinstall -configure </dev/null >/dev/null 2>&1 & )
  while line=$(tool sheet_page "$caption" $index) && [ -n "$line" ]; do
    title=$(cut -d' ' -f5- <<<"$line")
    sleep 0.5    # let the page paint before the picture is taken
    name=$(printf '%s%02d-%s' "$prefix" $((index + 1)) "$(echo "$title" | tr ' ' '-')")
    [ -z "${QR_SHOTS_FULL:-}" ] || import -display "$DISPLAY" -window root "$out/${prefix}screen-$index.png"
    crop "$out/$name.png" "$line"
    index=$((index + 1))
  done
  tool sheet_page "$caption" cancel >/dev/null || true
  [ $index -gt 0 ] || { echo "The configuration sheet did not appear at $dpi DPI" >&2; exit 1; }
  tool dialog_shot gone "$caption" || { echo "The configuration sheet did not close" >&2; exit 1; }
}

# The notice once its text shows, saved as $1.png.
shoot_notice() {
  local line
  line=$(tool dialog_shot find "$notice_title" 1115) || { echo "The notice did not appear" >&2; exit 1; }
  sleep 1    # let it paint before the picture is taken
  crop "$out/$1.png" "$line"
}

# Starts tool $2 with the rest as arguments; once it prints where its window
# is, saves the picture as $1.png and waits until the window has gone.
shoot_dialog() {
  local name=$1 shown="$QR_SESSION_DIR/$1.txt"
  rm -f "$shown"
  ( timeout 60 wine "$(qr_winpath "$tools/$2.exe")" "${@:3}" </dev/null >"$shown" 2>/dev/null & )
  for _ in $(seq 1 300); do [ -s "$shown" ] && break; sleep 0.1; done
  [ -s "$shown" ] || { echo "The $name window did not appear" >&2; exit 1; }
  sleep 0.5    # let it paint
  crop "$out/$name.png" "$(cat "$shown")"
  sleep 3
}

for dpi in ${QR_SHOTS_DPIS:-96 144}; do
  shoot_at "$dpi"
done
