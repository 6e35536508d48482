// Install and uninstall.
#pragma once
#include "install/Setup.h"
#include "launch/Restore.h"
#include <windows.h>
#include <string>
#include <vector>

// Each ends in one outcome, with its reason; a second run while one is under
// way is Busy at once.
SetupResult DoInstall();
SetupResult DoUninstall();
// The capture at install: everything, but as the SYSTEM account (a deployment
// tool's) only the machine-wide places; each user's own are parked by the
// resident instance at that user's next log-on.
void ParkForThisAccount();

// Windows Vista and later: installing and uninstalling need an elevated token.
// A run without one hands the work to a copy of the program started elevated
// (install/Elevation.h) and ends with that copy's exit code; a declined prompt
// ends the run as cancelled ("Installation cancelled." / "Uninstall cancelled.",
// the exit code of a cancelled setup).  False when this run does the work itself.
enum class AdminWork { Install, Uninstall };
bool HandOverToElevatedCopy(AdminWork work, const std::string& arguments, bool startedElevated, int& exitCode);

void RemoveFromBoot();
void RegisterFileType();
// No new path schedules a deletion.  False when nothing could be scheduled.
bool MoveFileAtReboot(const std::string& path, const char* newPath = nullptr);

// The farewell page address "<link>?D=<whole days since install>"; an empty
// link falls back to the vendor's uninstall page.
std::string FarewellAddress(const std::string& link, DWORD installTime, DWORD now);

// The last message of an uninstall: the entries that stayed parked, each with
// why, between the farewell's two paragraphs.
std::string UninstallCompleteText(const std::vector<StillParked>& left);
