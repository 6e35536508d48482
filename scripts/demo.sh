#!/usr/bin/env bash
# The README's run command: installs Quillrest into a sandbox Wine prefix the way a
# user would, parks a handful of sample start-up programs, simulates a log-on and
# saves screenshots of the boot window while it launches them one at a time.
# Output: demo-output/ (screenshots, the diagnostic log, the samples' own lines).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-session.sh"
qr_choose_arch    # the 32-bit program where the host runs it, else the 64-bit one; QR_ARCH chooses
echo "Demo of $QR_ARCH, $(qr_describe): $QR_ARCH_WHY"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
out=$(qr_product_dir "${QR_BUILD_DIR:-$root/build}")
shots="$root/demo-output"
rm -rf "$shots" && mkdir -p "$shots"

trap qr_session_end EXIT
qr_session_begin
if [ -n "${QR_DEMO_DISPLAY:-}" ]; then export DISPLAY=$QR_DEMO_DISPLAY; fi
w() { timeout 120 wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
installed=$(qr_installed_dir)    # SysWOW64 for the 32-bit program on 64-bit Windows
view=$(qr_reg_view)              # and its own registry view
shot() { import -display "$DISPLAY" -window root "$shots/$1.png" 2>/dev/null && echo "  screenshot demo-output/$1.png"; }

qr_user=$(whoami)
drive_c="$WINEPREFIX/drive_c"
samples='C:\Samples'
mkdir -p "$drive_c/Samples"
cp "$out/demo/sample_note.exe" "$out/demo/sample_line.exe" "$out/demo/demo_setup.exe" "$drive_c/Samples/"
cp "$out/Quillrest.exe" "$drive_c/users/$qr_user/Downloads/Quillrest.exe" 2>/dev/null || {
  mkdir -p "$drive_c/users/$qr_user/Downloads"; cp "$out/Quillrest.exe" "$drive_c/users/$qr_user/Downloads/Quillrest.exe"; }

echo "== 1. Sample start-up programs, as other software would register them"
w reg add 'HKLM\software\microsoft\windows\currentversion\run' /v "Clock Helper" /d "$samples\\sample_note.exe Clock Helper" /f >/dev/null
w reg add 'HKLM\software\microsoft\windows\currentversion\run' /v "Update Agent" /d "$samples\\sample_line.exe Update Agent" /f >/dev/null
w reg add 'HKCU\software\microsoft\windows\currentversion\run' /v "Chat Tray" /d "$samples\\sample_note.exe Chat Tray" /f >/dev/null
w "$samples\\demo_setup.exe" link common "Printer Monitor" "$samples\\sample_note.exe" "Printer Monitor"
w "$samples\\demo_setup.exe" link user "Photo Sync" "$samples\\sample_line.exe" "Photo Sync"
# Short pauses and a diagnostic log, so the demo is quick and shows its work.
w reg add 'HKLM\software\Quillrest' /v DelaySeconds /t REG_DWORD /d 2 /f $view >/dev/null
w reg add 'HKLM\software\Quillrest' /v Log /t REG_DWORD /d 1 /f $view >/dev/null
w reg add 'HKLM\software\Quillrest' /v LogBootCount /t REG_DWORD /d 5 /f $view >/dev/null
w reg add 'HKLM\software\Quillrest\State' /v WelcomeDismissed /t REG_DWORD /d 1 /f $view >/dev/null
w reg query 'HKLM\software\microsoft\windows\currentversion\run' | sed 's/^/  /'
w reg query 'HKCU\software\microsoft\windows\currentversion\run' | sed 's/^/  /'

echo "== 2. First run from the downloads folder: Quillrest installs itself and captures them"
w 'C:\users\'"$qr_user"'\Downloads\Quillrest.exe' || true
sleep 3
echo "  installed in $installed: $(ls "$drive_c/windows/${installed##*\\}/" | grep -i quillrest | tr '\n' ' ')"
echo "  Run key now holds only Quillrest's own value:"
w reg query 'HKLM\software\microsoft\windows\currentversion\run' | sed 's/^/    /'
echo "  parked entries:"
w reg query 'HKLM\software\microsoft\windows\currentversion\run\Quillrest' | sed 's/^/    /'
w reg query 'HKCU\software\microsoft\windows\currentversion\run\Quillrest' | sed 's/^/    /'
find "$drive_c" -iname '*.lnk.Quillrest' -printf '    %P\n' 2>/dev/null || true

echo "== 3. Next log-on: the installed copy starts them one at a time"
w 'C:\Samples\demo_setup.exe' shutdown     # end the resident instance the installer started
rm -f "$drive_c/quillrest-demo.txt"
( timeout 120 wine "$installed\\Quillrest.exe" -hklm </dev/null >/dev/null 2>&1 & )
for i in $(seq 1 16); do sleep 1; shot "boot-$(printf %02d $i)"; done
echo "  what the samples wrote:"
sed 's/^/    /' "$drive_c/quillrest-demo.txt" 2>/dev/null || echo "    (nothing)"
log=$(find "$drive_c/users" "$HOME" -name QuillrestLog.txt 2>/dev/null | head -n1)
if [ -n "$log" ]; then
  cp "$log" "$shots/QuillrestLog.txt"
  echo "  launch lines of the diagnostic log:"
  tr -d '\r' < "$log" | grep -E 'Started |WI: |BuildWorkQueue' | sed 's/^/    /' | tail -n 15
fi
w 'C:\Samples\demo_setup.exe' shutdown

echo "== 4. To uninstall: Control Panel > Quillrest > Uninstall, or run"
echo "     wine $installed\\Quillrest.exe -uninstall"
echo "   which puts every captured program back where it was."
echo "Screenshots and the log are in demo-output/."
