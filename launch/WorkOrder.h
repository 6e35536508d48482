// Work items and the pure rules around them: launch ordering, ignore list, log text, link names.
#pragma once
#include "launch/NameList.h"
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
    // The registry view an HKLM Run entry was captured in on 64-bit Windows
    // (KEY_WOW64_64KEY or KEY_WOW64_32KEY); 0 for the process's own view.
    REGSAM View = 0;
    // The user switched it off in the system's start-up settings: shown, never launched.
    bool SwitchedOff = false;
    // Left in place because the code page cannot carry its name or command,
    // or parked beside an entry of its name that could not be parked: Windows
    // starts that one; shown, never launched.
    bool StartedByWindows = false;
    // A REG_EXPAND_SZ entry: its environment references are expanded when it starts.
    bool ExpandCommand = false;
};

// Sorts by first occurrence of the lower-cased name in the lower-cased order
// string (absent names first), then by lower-cased name; same names keep their
// collection order, so an entry's two views always come in the same order.
void SortWorkQueue(std::vector<WorkItem>& queue, const std::string& sortingOrder);

// Removes the items whose Name equals one of the list's entries exactly.
void RemoveIgnoredItems(std::vector<WorkItem>& queue, const std::string& ignoreList);

// Removes the items whose `flag` is set (SwitchedOff, StartedByWindows) and
// returns their names.
std::vector<std::string> RemoveFlaggedItems(std::vector<WorkItem>& queue, bool WorkItem::*flag);

// The launch-order page's line for an item: its name, then what tells it
// apart: " (32-bit)" for the WOW6432Node view, " (switched off in Windows)",
// " (started by Windows)".
std::string WorkItemLine(const WorkItem& item);
// The name a page line stands for: that of the queue's item with this line (a
// name may itself end like a mark), else the line without its marks.
std::string WorkItemLineName(const std::vector<WorkItem>& queue, const std::string& line);

// "WI: N=[%s] P=[%s] Pa=[%s] C=%d S=%d", followed by the view when it has one.
std::string WorkItemText(const WorkItem& item);

// The display name of a parked shortcut: its file name without ".lnk.Quillrest".
std::string LinkDisplayName(const std::string& path);

// Puts double quotes around a path that contains a blank (as PathQuoteSpaces
// does, without its MAX_PATH limit).
std::string QuoteSpaces(const std::string& path);
