// MSCDEX remover: comments the driver out of C:\AUTOEXEC.BAT between marker lines and puts it back.
#pragma once
#include <windows.h>

// True when C:\autoexec.bat can be read and loads MSCDEX; then also sets "SawMSCDEX".
bool IsMSCDEXLoaded();
// Both edits end in a message box owned by `owner`.
void RemoveMSCDEX(HWND owner);
void RestoreMSCDEX(HWND owner);
