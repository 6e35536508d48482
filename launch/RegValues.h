// Registry value enumeration whose buffers grow to fit any value.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct RegValue {
    std::string name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

// Reads value number `index` of `key`.  Starts with 2052-byte name and data
// buffers and grows them on ERROR_MORE_DATA, so a long value never ends a walk.
// Returns the enumeration's result (ERROR_NO_MORE_ITEMS at the end).
LONG EnumRegValue(HKEY key, DWORD index, RegValue& value);

// The data of a string value up to its first NUL (or its end).
std::string RegValueText(const RegValue& value);
