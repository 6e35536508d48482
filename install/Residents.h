// Resident instances of every session: ending them all for uninstall, and waiting until they have ended.
#pragma once
#include <windows.h>

// The names of the uninstall signal, which every resident instance waits on,
// and of the object each resident holds for as long as it runs.  Windows 2000
// and later keep both in the global namespace, seen from every session; older
// Windows have one session and keep the shutdown event and the single-instance
// mutex of today.
struct ResidentSignalNames {
    const char* uninstall;
    const char* presence;
};
ResidentSignalNames ResidentSignals(DWORD platformId, DWORD majorVersion);

// For an instance about to become resident: marks it present, so that
// EndEveryResident waits for it, and tells whether it may go on (false while
// an uninstall is under way).
bool JoinResidents();
// The uninstall signal to wait on besides the session's shutdown event; null
// where the shutdown event is the signal itself (Windows before 2000).
HANDLE OpenUninstallSignal();

// Ends the resident instance of every session and waits until each has ended
// (false when one still runs after a generous wait).  The signal stays up
// until AllowResidents or the end of this process, so an instance that starts
// meanwhile ends at once.
bool EndEveryResident();
void AllowResidents();
