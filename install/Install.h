// Install and uninstall.
#pragma once
#include "launch/Restore.h"
#include <windows.h>
#include <string>
#include <vector>

bool DoInstall();
void DoUninstall();
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
