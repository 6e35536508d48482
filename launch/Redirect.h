// Start-up redirection: parks Run values and Startup shortcuts where only Quillrest finds them.
#pragma once
#include <windows.h>
#include <string>

void PrepForReboot();
void RedirectStartupLinkToQuillrest(int csidl);
void RedirectRegKeyToQuillrest(HKEY root, const char* path, int logNumber);
void AppendRestoreBatchLine(const std::string& path, const std::string& parkedPath);
