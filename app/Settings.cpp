// Registry-backed settings store and the 64-bit statistics counters.
#include "app/Settings.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "win/Raii.h"
#include <vector>

namespace {

// Create-or-open; a key that this call had to create counts as unreadable.
bool OpenForRead(HKEY root, const char* subkey, win::UniqueKey& key)
{
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, key.Out(),
                              &disposition);
    return rc == ERROR_SUCCESS && disposition != REG_CREATED_NEW_KEY;
}

bool OpenForWrite(HKEY root, const char* subkey, win::UniqueKey& key)
{
    DWORD disposition = 0;
    return RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Out(),
                           &disposition) == ERROR_SUCCESS;
}

// Values of the product key answer after the administrator's policy; no other key has one.
bool UnderPolicy(HKEY root, const char* subkey)
{
    return root == HKEY_LOCAL_MACHINE && subkey && lstrcmpiA(subkey, kProductKey) == 0;
}

// A value that exists only as a policy: nothing of the user's own is read or written.
bool PolicyOnly(HKEY root, const char* subkey, const char* name)
{
    return UnderPolicy(root, subkey) && IsPolicyOnly(name);
}

bool ReadStoredDword(HKEY root, const char* subkey, const char* name, DWORD& out)
{
    win::UniqueKey key;
    if (!OpenForRead(root, subkey, key))
        return false;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return false;
    out = data;
    return true;
}

bool ReadStoredString(HKEY root, const char* subkey, const char* name, std::string& out)
{
    win::UniqueKey key;
    if (!OpenForRead(root, subkey, key))
        return false;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<char> data(size + 2, '\0');
    DWORD got = size;
    bool ok = RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &got) ==
              ERROR_SUCCESS;
    out = ok ? std::string(data.data()) : std::string();
    return ok;
}

} // namespace

// Every read of the product key takes two steps: the administrator's policy
// first, then the user's own setting.  A policy value is never written back.
bool ReadSettingDword(HKEY root, const char* subkey, const char* name, DWORD& out)
{
    if (UnderPolicy(root, subkey)) {
        switch (PolicyDwordStep(name, out)) {
        case PolicyStep::Fixed:
            return true;
        case PolicyStep::Unset:
            return false;
        case PolicyStep::UserSetting:
            break;
        }
    }
    return ReadStoredDword(root, subkey, name, out);
}

bool WriteSettingDword(HKEY root, const char* subkey, const char* name, DWORD value)
{
    win::UniqueKey key;
    if (!OpenForWrite(root, subkey, key))
        return false;
    return RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
           ERROR_SUCCESS;
}

bool ReadSettingDwordOrDefault(HKEY root, const char* subkey, const char* name, DWORD def, DWORD& out)
{
    if (!ReadSettingDword(root, subkey, name, out)) {
        out = def;
        if (!PolicyOnly(root, subkey, name))
            WriteSettingDword(root, subkey, name, def);
    }
    return true;
}

bool ReadSettingString(HKEY root, const char* subkey, const char* name, std::string& out)
{
    if (UnderPolicy(root, subkey)) {
        switch (PolicyStringStep(name, out)) {
        case PolicyStep::Fixed:
            return true;
        case PolicyStep::Unset:
            return false;
        case PolicyStep::UserSetting:
            break;
        }
    }
    return ReadStoredString(root, subkey, name, out);
}

bool ReadSettingStringOrDefault(HKEY root, const char* subkey, const char* name, const std::string& def, DWORD type,
                                std::string& out)
{
    if (!ReadSettingString(root, subkey, name, out)) {
        out = def;
        if (!PolicyOnly(root, subkey, name))
            WriteSettingString(root, subkey, name, def, type);
    }
    return true;
}

bool WriteSettingString(HKEY root, const char* subkey, const char* name, const std::string& text, DWORD type)
{
    win::UniqueKey key;
    if (!OpenForWrite(root, subkey, key))
        return false;
    std::string data = text;
    data.push_back('\0');
    if (type == REG_MULTI_SZ) {
        // Up to and including the terminating pair of NULs.
        if (data.size() < 2 || data[data.size() - 2] != '\0')
            data.push_back('\0');
    }
    return RegSetValueExA(key.Get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}


long long GetCounter(const char* name)
{
    std::string text;
    ReadSettingStringOrDefault(QR_HKLM, kProductKey, CounterValueName(name).c_str(), "0", REG_SZ, text);
    return ParseCounterText(text.c_str());
}

void AddToCounter(const char* name, long long amount)
{
    long long sum = static_cast<long long>(static_cast<unsigned long long>(GetCounter(name)) +
                                           static_cast<unsigned long long>(amount));
    WriteSettingString(QR_HKLM, kProductKey, CounterValueName(name).c_str(), CounterText(sum), REG_SZ);
}

DWORD ProductDword(const char* name, DWORD preset)
{
    DWORD value = preset;
    ReadSettingDword(QR_HKLM, kProductKey, name, value);
    return value;
}

DWORD ProductDwordOrDefault(const char* name, DWORD def)
{
    DWORD value = def;
    ReadSettingDwordOrDefault(QR_HKLM, kProductKey, name, def, value);
    return value;
}

bool SetProductDword(const char* name, DWORD value)
{
    return WriteSettingDword(QR_HKLM, kProductKey, name, value);
}

std::string ProductString(const char* name)
{
    std::string value;
    ReadSettingString(QR_HKLM, kProductKey, name, value);
    return value;
}

std::string ProductStringOrDefault(const char* name, const std::string& def)
{
    std::string value;
    ReadSettingStringOrDefault(QR_HKLM, kProductKey, name, def, REG_SZ, value);
    return value;
}

bool SetProductString(const char* name, const std::string& text)
{
    return WriteSettingString(QR_HKLM, kProductKey, name, text, REG_SZ);
}
