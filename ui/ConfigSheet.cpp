// The configuration property sheet.
#include "ui/ConfigSheet.h"
#include "app/Log.h"

void ShowConfigurationSheet()
{
    WriteLog("ShowConfigurationSheet");
}
