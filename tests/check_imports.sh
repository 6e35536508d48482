#!/usr/bin/env bash
# Fails when a shipped binary imports anything newer than the oldest Windows its
# architecture targets, or imports directly one of the functions that must be
# looked up at run time.
#   check_imports.sh x86|x64 FILE...
# x86 (the 32-bit program): nothing newer than Windows 2000, and nothing W-only,
# so that it loads on Windows 95 to XP.  x64: nothing newer than Windows XP x64 /
# Server 2003 SP1, the oldest 64-bit Windows.
set -u
arch=${1:-}; shift || true
# Vista and later: forbidden for both.
newer_than_xp64='GetTickCount64|InitializeSRWLock|AcquireSRWLock.*|ReleaseSRWLock.*|TryAcquireSRWLock.*|InitializeConditionVariable|SleepConditionVariable.*|WakeConditionVariable|WakeAllConditionVariable|InitOnce.*|InitializeCriticalSectionEx|GetSystemTimePreciseAsFileTime|GetSystemTimeAsFileTimePrecise|CreateEventExA|CreateEventExW|CreateMutexExA|CreateMutexExW|CreateSemaphoreExW|GetCurrentProcessorNumber|GetFileInformationByHandleEx|SetFileInformationByHandle|CreateFile2|.*Ex2[AW]?|CompareStringEx|LCMapStringEx|GetLocaleInfoEx|ResolveLocaleName'
# Windows XP (and Server 2003): fine on 64-bit Windows, not on Windows 2000 or 9x.
newer_than_2000='AddVectoredExceptionHandler|RemoveVectoredExceptionHandler|FlsAlloc|FlsFree|FlsGetValue|FlsSetValue|GetNativeSystemInfo|IsWow64Process|GetModuleHandleExA|GetModuleHandleExW'
# Looked up at run time by the program, whatever the architecture.
run_time_only='OpenProcessToken|GetTokenInformation|CheckTokenMembership|ConvertStringSecurityDescriptorToSecurityDescriptorA|RegSetKeySecurity|SetLayeredWindowAttributes|MoveFileExA|MoveFileExW|OpenSCManagerA|OpenSCManagerW|IsNetworkAlive|GetSystemTimes|GetProcessTimes|GetThreadTimes|GetProcessIoCounters|FindFirstFileW|FindNextFileW|SHGetSpecialFolderPathW'
case "$arch" in
  x86) objdump=i686-w64-mingw32-objdump; forbidden="^($newer_than_xp64|$newer_than_2000|$run_time_only)\$"; floor="Windows 2000" ;;
  x64) objdump=x86_64-w64-mingw32-objdump; forbidden="^($newer_than_xp64|$run_time_only)\$"; floor="Windows XP x64" ;;
  *) echo "usage: check_imports.sh x86|x64 FILE..."; exit 2 ;;
esac
status=0
for binary in "$@"; do
  if [ ! -f "$binary" ]; then echo "missing: $binary"; status=1; continue; fi
  imports=$($objdump -p "$binary" | awk '/DLL Name:/ {dll=$3; next} dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_?]/ {print dll ":" $NF} /^$/ {dll=""}')
  if [ -z "$imports" ]; then echo "no imports read from $binary"; status=1; continue; fi
  bad=$(printf '%s\n' "$imports" | awk -F: '{print $2}' | grep -E "$forbidden" || true)
  # W-only functions that have no counterpart on Windows 9x are caught by name.
  wide=$(printf '%s\n' "$imports" | grep -iE '^(user32|shell32|shlwapi|comctl32|advapi32|wininet|urlmon)\.dll:' \
         | awk -F: '{print $2}' | grep -E '[a-z0-9]W$' | grep -vE '^(CommandLineToArgvW|SHGetSpecialFolderPathW)$' || true)
  dlls=$(printf '%s\n' "$imports" | awk -F: '{print tolower($1)}' | sort -u | grep -vE '^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|wininet|urlmon|msvcrt|wsock32|version)\.dll$' || true)
  if [ -n "$bad$wide$dlls" ]; then
    echo "FAIL $binary ($arch)"
    [ -n "$bad" ] && echo "  imports newer than $floor or meant for run-time lookup: $bad"
    [ -n "$wide" ] && echo "  wide-character imports: $wide"
    [ -n "$dlls" ] && echo "  unexpected libraries: $dlls"
    status=1
  else
    echo "ok $binary ($arch, $(printf '%s\n' "$imports" | wc -l) imports)"
  fi
done
exit $status
