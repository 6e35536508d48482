// Registry-backed settings store and the 64-bit statistics counters.
#pragma once
#include "app/CounterText.h"
#include <windows.h>
#include <string>

// Reads of the product key ask the administrator's policy first (app/Policy.h):
// a policy value answers and is never written back, not even as a default.
//
// Plain read: false (and `out` untouched) when the key can't be opened, was
// created by this very read, or the value is missing.
bool ReadSettingDword(HKEY root, const char* subkey, const char* name, DWORD& out);
bool WriteSettingDword(HKEY root, const char* subkey, const char* name, DWORD value);
// Read-or-default: a value that can't be read becomes `def` and is written back.
bool ReadSettingDwordOrDefault(HKEY root, const char* subkey, const char* name, DWORD def, DWORD& out);

bool ReadSettingString(HKEY root, const char* subkey, const char* name, std::string& out);
bool ReadSettingStringOrDefault(HKEY root, const char* subkey, const char* name, const std::string& def,
                                DWORD type, std::string& out);
// For REG_MULTI_SZ, `text` holds the strings separated by NULs; the stored
// data runs up to and including the terminating pair of NULs.
bool WriteSettingString(HKEY root, const char* subkey, const char* name, const std::string& text, DWORD type);

// Counters live under the product key as "Counter - <name>" in decimal text.
long long GetCounter(const char* name);
void AddToCounter(const char* name, long long amount);

// Shorthands for the product key.
DWORD ProductDword(const char* name, DWORD preset);            // plain read
DWORD ProductDwordOrDefault(const char* name, DWORD def);      // read-or-default
bool SetProductDword(const char* name, DWORD value);
std::string ProductString(const char* name);                  // plain read, empty preset
std::string ProductStringOrDefault(const char* name, const std::string& def);
bool SetProductString(const char* name, const std::string& text);
