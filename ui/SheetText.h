// Texts and rules of the configuration sheet that need no window: statistics,
// feedback address, launch-order strings and the details line.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct Statistics {
    long long boots = 0;
    long long filesLaunched = 0;
    long long junkFiles = 0;
    long long junkBytes = 0;
    long long internetFiles = 0;
    long long cookies = 0;
    long long adsBlocked = 0;
};

// The counters as the main page shows them.
Statistics ReadStatistics();
// The five lines of the main page, in control order (four seconds saved per
// launched program; whole minutes and whole KB).
std::vector<std::string> StatisticsLines(const Statistics& stats);

// "<link>?D=<whole days since installation>"; an installation time in the
// future counts as today.
std::string FeedbackAddress(const std::string& link, DWORD installTime, DWORD now);

// "... Version a.b.c" from the first three parts of a file version.
std::string VersionLine(DWORD versionMS, DWORD versionLS);
// The running program's file version (0 and 0 when it has none).
void OwnFileVersion(DWORD& versionMS, DWORD& versionLS);

// A parked shortcut's command line without its ".Quillrest" ending.
std::string WithoutParkedEnding(const std::string& commandLine);

// True when `name` is one of the list's entries (whole names only).
bool IsNameListed(const std::string& name, const std::string& list);

struct LaunchLine {
    std::string name;
    bool launched = true;
};
// "SortingOrder" (every name) and "IgnoreForLaunch" (unticked names), each name
// followed by the separator.
void LaunchOrderStrings(const std::vector<LaunchLine>& lines, std::string& order, std::string& ignore);

// Files in the directory of `pattern` that are neither hidden, system nor directories.
int CountVisibleFiles(const std::string& pattern);
