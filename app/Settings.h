// Registry-backed settings store and the 64-bit statistics counters.
#pragma once
#include "app/CounterText.h"
#include "win/Raii.h"
#include <windows.h>
#include <string>

// Reads of the product key ask the administrator's policy first (app/Policy.h):
// a policy value answers and is never written back, not even as a default.
//
// What the program records while it runs (the counters, the remembered answers
// of its popups, the times of the last version check and list download) is
// named as a product key value but lives in the state subkey, which a standard
// user's token may write: it is read there first, then where earlier versions
// kept it, and always written there.  Everything else of the product key decides
// for every user and stays writable by administrators only.
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

// True for the values kept in the state subkey.
bool IsStateValue(const char* name);

// Opens (creating it where missing) `subkey` for writing: the one door of the
// program's registry writes.  A refused open or write is logged once per key and
// value for the process (`name` may be null), never retried, and reported by the result.
LONG OpenKeyForWrite(HKEY root, const char* subkey, win::UniqueKey& key, REGSAM access = KEY_WRITE);
void LogFailedWrite(HKEY root, const char* subkey, const char* name, LONG error);

// Creates the state subkey, readable by the users and writable by the
// interactive users (Windows 2000 and later; a plain key where Windows has no
// security); administrators and the system keep full control.  The installer
// calls it with administrator rights.
bool CreateStateKey();

// Test seam, as Windows treats a token without administrator rights where Wine
// does not: 1 refuses every write under HKEY_LOCAL_MACHINE except in the state
// subkey, 0 refuses none, -1 follows QR_TEST_REFUSE_MACHINE_WRITES=1 in the
// environment (how a test reaches the real program).
void OverrideMachineWriteRefusalForTest(int refuse);

// Counters live in the state subkey as "Counter - <name>" in decimal text.
long long GetCounter(const char* name);
void AddToCounter(const char* name, long long amount);

// Shorthands for the product key.
DWORD ProductDword(const char* name, DWORD preset);            // plain read
DWORD ProductDwordOrDefault(const char* name, DWORD def);      // read-or-default
bool SetProductDword(const char* name, DWORD value);
std::string ProductString(const char* name);                  // plain read, empty preset
std::string ProductStringOrDefault(const char* name, const std::string& def);
bool SetProductString(const char* name, const std::string& text);
