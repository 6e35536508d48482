// Work items and the pure rules around them: launch ordering, ignore list, log text, link names.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Where a work item was captured.
enum WorkSource {
    SourceHklmRun = 1,
    SourceHklmRunServices = 2,
    SourceHkcuRun = 3,
    SourceUserStartup = 4,
    SourceCommonStartup = 5,
};

// One captured start-up entry.
struct WorkItem {
    std::string Name;
    std::string CommandLine;
    std::string WorkingDir;
    WORD ShowCmd = 1;
    int Source = 0;
};

// "SortingOrder" and "IgnoreForLaunch" separate their names with this character.
constexpr char kNameListSeparator = '\1';

// The entries of a stored name list: each name ends at the separator; a last
// name without one counts too.
std::vector<std::string> SplitNameList(const std::string& list);

// Sorts by first occurrence of the lower-cased name in the lower-cased order
// string (absent names first), then by lower-cased name.
void SortWorkQueue(std::vector<WorkItem>& queue, const std::string& sortingOrder);

// Removes the items whose Name equals one of the list's entries exactly.
void RemoveIgnoredItems(std::vector<WorkItem>& queue, const std::string& ignoreList);

// "WI: N=[%s] P=[%s] Pa=[%s] C=%d S=%d"
std::string WorkItemText(const WorkItem& item);

// The display name of a parked shortcut: its file name without ".lnk.Quillrest".
std::string LinkDisplayName(const std::string& path);

// Puts double quotes around a path that contains a blank (as PathQuoteSpaces
// does, without its MAX_PATH limit).
std::string QuoteSpaces(const std::string& path);
