// Start-up redirection: parks Run values and Startup shortcuts where only Quillrest finds them.
#include "launch/Redirect.h"
#include "app/Log.h"

void PrepForReboot()
{
    WriteLog("PrepForReboot");
}

void RedirectStartupLinkToQuillrest(int) {}
void RedirectRegKeyToQuillrest(HKEY, const char*, int) {}
void AppendRestoreBatchLine(const std::string&, const std::string&) {}
