// The work queue: captured start-up entries read back from where they are parked.
#pragma once
#include "launch/WorkOrder.h"
#include <windows.h>
#include <string>
#include <vector>

// Collects every parked entry, orders it by "SortingOrder" and, when asked,
// leaves out the names of "IgnoreForLaunch".  Without the ignore list (the
// launch-order page's queue) it also holds the entries left for Windows to
// start, marked StartedByWindows.
std::vector<WorkItem> BuildWorkQueue(bool applyIgnoreList);

// One item per value of the capture key "<path>\Quillrest" under `root`, read
// in registry view `view` (0: the process's own).
void AddRunKeyItems(HKEY root, const char* path, int source, std::vector<WorkItem>& queue, REGSAM view = 0);

// One item per parked shortcut (*.Quillrest) of a Startup folder.  COM must be
// initialised on the calling thread.
void AddStartupFolderItems(int csidl, int source, std::vector<WorkItem>& queue);

// The item of one parked shortcut file; false (and a log line) when it can't be
// read.  `widePath`, where given, is the file's own name for loading it.
bool ReadParkedShortcut(const std::string& path, int source, WorkItem& item,
                        const std::wstring& widePath = std::wstring());

// The item as the launcher starts it: a REG_EXPAND_SZ entry with its
// environment references expanded, as Windows does; what is stored stays as it is.
WorkItem ExpandedForLaunch(const WorkItem& item);

// True when the system's start-up settings hold the entry `valueName` of that
// source and view as switched off; a missing key or value means on.
bool SwitchedOffInWindows(int source, REGSAM view, const std::string& valueName);
