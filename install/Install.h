// Install and uninstall.
#pragma once
#include "launch/Restore.h"
#include <windows.h>
#include <string>
#include <vector>

bool DoInstall();
void DoUninstall();

// Windows Vista and later: installing and uninstalling need an elevated token.
// A run without one hands the work to a copy of the program started elevated
// (install/Elevation.h) and ends with that copy's exit code; a declined prompt
// ends the run as cancelled ("Installation cancelled." / "Uninstall cancelled.",
// exit code ERROR_CANCELLED).  False when this run does the work itself.
enum class AdminWork { Install, Uninstall };
bool HandOverToElevatedCopy(AdminWork work, const std::string& arguments, bool startedElevated, int& exitCode);

void RemoveFromBoot();
void RegisterFileType();
// No new path schedules a deletion.
void MoveFileAtReboot(const std::string& path, const char* newPath = nullptr);

// The farewell page address "<link>?D=<whole days since install>"; an empty
// link falls back to the vendor's uninstall page.
std::string FarewellAddress(const std::string& link, DWORD installTime, DWORD now);

// The last message of an uninstall: the entries that stayed parked, each with
// why, between the farewell's two paragraphs.
std::string UninstallCompleteText(const std::vector<StillParked>& left);
