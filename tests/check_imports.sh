#!/usr/bin/env bash
# Fails when a shipped binary imports anything newer than Windows 2000, or
# imports directly one of the functions that must be looked up at run time.
set -u
status=0
forbidden='^(GetTickCount64|AddVectoredExceptionHandler|RemoveVectoredExceptionHandler|InitializeSRWLock|AcquireSRWLock.*|ReleaseSRWLock.*|TryAcquireSRWLock.*|InitializeConditionVariable|SleepConditionVariable.*|WakeConditionVariable|WakeAllConditionVariable|InitOnce.*|InitializeCriticalSectionEx|GetSystemTimePreciseAsFileTime|GetSystemTimeAsFileTimePrecise|CreateEventExA|CreateEventExW|CreateMutexExA|CreateMutexExW|CreateSemaphoreExW|FlsAlloc|FlsFree|FlsGetValue|FlsSetValue|GetCurrentProcessorNumber|GetFileInformationByHandleEx|SetFileInformationByHandle|CreateFile2|GetNativeSystemInfo|IsWow64Process|GetModuleHandleExA|GetModuleHandleExW|.*Ex2[AW]?|SetLayeredWindowAttributes|MoveFileExA|MoveFileExW|OpenSCManagerA|OpenSCManagerW|IsNetworkAlive|CompareStringEx|LCMapStringEx|GetLocaleInfoEx|ResolveLocaleName|GetTickCount64)$'
# W-only functions that have no counterpart on Windows 9x are caught by name.
for binary in "$@"; do
  if [ ! -f "$binary" ]; then echo "missing: $binary"; status=1; continue; fi
  imports=$(i686-w64-mingw32-objdump -p "$binary" | awk '/DLL Name:/ {dll=$3; next} dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_?]/ {print dll ":" $NF} /^$/ {dll=""}')
  if [ -z "$imports" ]; then echo "no imports read from $binary"; status=1; continue; fi
  bad=$(printf '%s\n' "$imports" | awk -F: '{print $2}' | grep -E "$forbidden" || true)
  wide=$(printf '%s\n' "$imports" | grep -iE '^(user32|shell32|shlwapi|comctl32|advapi32|wininet|urlmon)\.dll:' \
         | awk -F: '{print $2}' | grep -E '[a-z0-9]W$' | grep -vE '^(CommandLineToArgvW|SHGetSpecialFolderPathW)$' || true)
  dlls=$(printf '%s\n' "$imports" | awk -F: '{print tolower($1)}' | sort -u | grep -vE '^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|wininet|urlmon|msvcrt|wsock32)\.dll$' || true)
  if [ -n "$bad$wide$dlls" ]; then
    echo "FAIL $binary"
    [ -n "$bad" ] && echo "  imports newer than Windows 2000 or meant for run-time lookup: $bad"
    [ -n "$wide" ] && echo "  wide-character imports: $wide"
    [ -n "$dlls" ] && echo "  unexpected libraries: $dlls"
    status=1
  else
    echo "ok $binary ($(printf '%s\n' "$imports" | wc -l) imports)"
  fi
done
exit $status
