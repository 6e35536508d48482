// The start-up routine every run goes through.
#pragma once
#include <windows.h>

// Runs the role chosen from `arguments`; returns the process exit code.
int RunApplication(const char* arguments);

// Waits for "Quillrest_Shutdown" and ends the process when it is set.
DWORD WINAPI ShutdownWatchProc(LPVOID);
