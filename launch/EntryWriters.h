// The two writes that move a start-up entry between its place and where it is parked.
#pragma once
#include "launch/RegValues.h"
#include <windows.h>
#include <string>

// Renames a Startup-folder file.  With `replace` a file of the new name gives
// way in the same step (MoveFileExA where it exists; Windows 9x has none and
// deletes it first).  The last error tells why it failed.
BOOL MoveEntryFile(const std::string& from, const std::string& to, bool replace);

// Writes `value` (name, type and data as they are) into `key`; the registry's result.
LONG WriteEntryValue(HKEY key, const RegValue& value);

// Test seam: the writes that tests put failures in the way of.  nullptr puts
// the real ones back.
struct EntryWriters {
    BOOL (*moveFile)(const std::string& from, const std::string& to, bool replace);
    LONG (*writeValue)(HKEY key, const RegValue& value);
};
void OverrideEntryWritersForTest(const EntryWriters* writers);
