// Whether a start-up entry comes through the ANSI calls whole.
//
// On the NT family the A calls hand out a best-fit copy of a character that the
// process's code page lacks ("Ω" becomes "O"): parking an entry by that copy would
// write a corrupted entry beside the real one, or lose the real one.  So before
// an entry is parked it is read again through the W calls and compared.  The W
// calls are looked up at run time: Windows 9x has none, and there every name is
// code-page text to begin with.
#pragma once
#include "launch/RegValues.h"
#include <windows.h>
#include <string>
#include <vector>

// Logged for an entry that is left for Windows to start.
constexpr const char* kLeftInPlaceLog =
    "Leaving %s where it is: its name or command cannot be written in this system's code page";

// True when value number `index` of `key`, read through the A calls as `value`,
// is what the W calls read there.  Also true where there are no W calls.
bool RegValueSurvives(HKEY key, DWORD index, const RegValue& value);

// Deletes from `capture` each value that an earlier version parked as a
// best-fit copy of an entry that `key` or `capture` still holds, so the entry
// is neither started twice nor put back twice.  Needs query and set access.
void DropBestFitCopies(HKEY key, HKEY capture);

// One shortcut (*.lnk) of a Startup folder.
struct StartupLink {
    std::string path;           // as the A calls name it: a best-fit copy where it does not survive
    std::wstring widePath;      // the file's own path; empty where there are no W calls
    bool survives = true;       // name, target, arguments and working directory come through whole
};

// The shortcuts of Startup folder `csidl`, listed before anything is moved;
// false when the shell has no such folder.  With `check` (the NT family) each
// one is also read through the W calls; COM must be initialised for the
// shortcut's own contents to be compared.
bool ListStartupLinks(int csidl, bool check, std::vector<StartupLink>& links);
