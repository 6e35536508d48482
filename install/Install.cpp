// Install and uninstall.
#include "install/Install.h"
#include "app/Log.h"

bool DoInstall()
{
    WriteLog("DoInstall");
    return false;
}

void DoUninstall()
{
    WriteLog("DoUninstall");
}

void RemoveFromBoot() {}
void RegisterFileType() {}
void MoveFileAtReboot(const std::string&, const char*) {}
