// Install and uninstall.
#pragma once
#include <string>

bool DoInstall();
void DoUninstall();
void RemoveFromBoot();
void RegisterFileType();
// No new path schedules a deletion.
void MoveFileAtReboot(const std::string& path, const char* newPath = nullptr);
