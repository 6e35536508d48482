// Registry-backed settings store and the 64-bit statistics counters.
#include "app/Settings.h"
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "win/Util.h"
#include <set>
#include <vector>

namespace {

// The state subkey grants the interactive users reading and writing (not
// deleting, nor changing its security); the users read, administrators and the
// system do everything.  Its own list: nothing is inherited from the product key.
const char* const kStateKeySecurity = "D:P(A;OICI;KA;;;SY)(A;OICI;KA;;;BA)(A;OICI;KRKW;;;IU)(A;OICI;KR;;;BU)";

int g_refuseOverride = -1;

bool RefusesMachineWrites()
{
    static const bool fromEnvironment = win::EnvironmentVariable("QR_TEST_REFUSE_MACHINE_WRITES") == "1";
    return g_refuseOverride >= 0 ? g_refuseOverride != 0 : fromEnvironment;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Letter case ignored, as the registry does for its names (ASCII is all these names hold).
bool StartsWith(const char* text, const char* start)
{
    for (; *start; ++text, ++start)
        if (AsciiLower(*text) != AsciiLower(*start))
            return false;
    return true;
}

bool InStateKey(HKEY root, const char* subkey)
{
    return root == HKEY_LOCAL_MACHINE && subkey && StartsWith(subkey, kStateKey) &&
           (subkey[lstrlenA(kStateKey)] == '\0' || subkey[lstrlenA(kStateKey)] == '\\');
}

const char* RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKLM";
    if (root == HKEY_CURRENT_USER)
        return "HKCU";
    if (root == HKEY_CLASSES_ROOT)
        return "HKCR";
    if (root == HKEY_USERS)
        return "HKU";
    return "?";
}

// Failed writes already logged by this process, as "root\key\value".
class FailedWrites {
public:
    FailedWrites() { InitializeCriticalSection(&lock_); }
    ~FailedWrites() { DeleteCriticalSection(&lock_); }
    bool First(const std::string& what)
    {
        EnterCriticalSection(&lock_);
        const bool first = seen_.insert(win::ToLower(what)).second;
        LeaveCriticalSection(&lock_);
        return first;
    }

private:
    CRITICAL_SECTION lock_;
    std::set<std::string> seen_;
};
FailedWrites g_failedWrites;

// Opens without creating (`create` false) or create-or-open; a key that this
// call had to create counts as unreadable.
bool OpenForRead(HKEY root, const char* subkey, win::UniqueKey& key, bool create = true)
{
    if (!create)
        return RegOpenKeyExA(root, subkey, 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, key.Out(),
                              &disposition);
    return rc == ERROR_SUCCESS && disposition != REG_CREATED_NEW_KEY;
}

// Where a value of `root`\`subkey` is written: the state subkey for state values of the product key.
const char* WrittenIn(HKEY root, const char* subkey, const char* name)
{
    return root == HKEY_LOCAL_MACHINE && subkey && lstrcmpiA(subkey, kProductKey) == 0 && name && IsStateValue(name)
               ? kStateKey
               : subkey;
}

bool WriteValue(HKEY root, const char* subkey, const char* name, DWORD type, const BYTE* data, DWORD size)
{
    const char* target = WrittenIn(root, subkey, name);
    win::UniqueKey key;
    LONG rc = OpenKeyForWrite(root, target, key);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetValueExA(key.Get(), name, 0, type, data, size);
        if (rc != ERROR_SUCCESS)
            LogFailedWrite(root, target, name, rc);
    }
    return rc == ERROR_SUCCESS;
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

bool ReadStored(HKEY root, const char* subkey, const char* name, DWORD& out, bool create = true)
{
    win::UniqueKey key;
    if (!OpenForRead(root, subkey, key, create))
        return false;
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return false;
    out = data;
    return true;
}

bool ReadStored(HKEY root, const char* subkey, const char* name, std::string& out, bool create = true)
{
    win::UniqueKey key;
    if (!OpenForRead(root, subkey, key, create))
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

// A state value: the state subkey (never created by a read, so that it only
// ever exists with its own security), then the product key, where versions
// before it kept the value.
template <typename T>
bool ReadState(const char* name, T& out)
{
    return ReadStored(HKEY_LOCAL_MACHINE, kStateKey, name, out, false) ||
           ReadStored(HKEY_LOCAL_MACHINE, kProductKey, name, out);
}

} // namespace

bool IsStateValue(const char* name)
{
    return StartsWith(name, "Counter - ") || StartsWith(name, "DontShow") || lstrcmpiA(name, kWelcomeDismissed) == 0 ||
           lstrcmpiA(name, kLastAdBlockInfoCheck) == 0 || lstrcmpiA(name, kLastVerWarning) == 0;
}

void OverrideMachineWriteRefusalForTest(int refuse)
{
    g_refuseOverride = refuse;
}

LONG OpenKeyForWrite(HKEY root, const char* subkey, win::UniqueKey& key, REGSAM access)
{
    LONG rc = ERROR_ACCESS_DENIED;
    if (!(RefusesMachineWrites() && root == HKEY_LOCAL_MACHINE && !InStateKey(root, subkey)))
        rc = RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key.Out(), nullptr);
    if (rc != ERROR_SUCCESS)
        LogFailedWrite(root, subkey, nullptr, rc);
    return rc;
}

void LogFailedWrite(HKEY root, const char* subkey, const char* name, LONG error)
{
    std::string what = std::string(RootName(root)) + "\\" + (subkey ? subkey : "");
    if (name)
        what += std::string("\\") + (*name ? name : "(default)");
    if (g_failedWrites.First(what))
        WriteLog("Could not write %s: error %ld (not logged again in this run)", what.c_str(), error);
}

bool CreateStateKey()
{
    win::UniqueKey key;
    if (OpenKeyForWrite(HKEY_LOCAL_MACHINE, kStateKey, key, KEY_WRITE | WRITE_DAC) != ERROR_SUCCESS)
        return false;
    // Windows 2000 and later; Windows 9x keeps no security, NT 4 lacks the text form.
    using FromText = BOOL(WINAPI*)(LPCSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);
    using SetSecurity = LONG(WINAPI*)(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
    const HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
    auto fromText = win::LookUp<FromText>(advapi, "ConvertStringSecurityDescriptorToSecurityDescriptorA");
    auto setSecurity = win::LookUp<SetSecurity>(advapi, "RegSetKeySecurity");
    if (!fromText || !setSecurity)
        return true;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (!fromText(kStateKeySecurity, 1, &security, nullptr)) {
        WriteLog("Could not build the security of %s: error %lu", kStateKey, GetLastError());
        return false;
    }
    const LONG rc = setSecurity(key.Get(), DACL_SECURITY_INFORMATION, security);
    LocalFree(security);
    if (rc != ERROR_SUCCESS) {
        LogFailedWrite(HKEY_LOCAL_MACHINE, kStateKey, nullptr, rc);
        return false;
    }
    WriteLog("Created %s, writable by the interactive users", kStateKey);
    return true;
}

// Every read of the product key: what the program records while it runs comes
// from the state subkey; any other setting from the administrator's policy
// first, then from the user's own setting.  A policy value is never written back.
template <typename T>
bool ReadSetting(HKEY root, const char* subkey, const char* name, T& out)
{
    if (UnderPolicy(root, subkey)) {
        if (IsStateValue(name))
            return ReadState(name, out);
        switch (PolicyStepFor(name, out)) {
        case PolicyStep::Fixed:
            return true;
        case PolicyStep::Unset:
            return false;
        case PolicyStep::UserSetting:
            break;
        }
    }
    return ReadStored(root, subkey, name, out);
}

bool ReadSettingDword(HKEY root, const char* subkey, const char* name, DWORD& out)
{
    return ReadSetting(root, subkey, name, out);
}

bool WriteSettingDword(HKEY root, const char* subkey, const char* name, DWORD value)
{
    return WriteValue(root, subkey, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
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
    return ReadSetting(root, subkey, name, out);
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
    std::string data = text;
    data.push_back('\0');
    if (type == REG_MULTI_SZ) {
        // Up to and including the terminating pair of NULs.
        if (data.size() < 2 || data[data.size() - 2] != '\0')
            data.push_back('\0');
    }
    return WriteValue(root, subkey, name, type, reinterpret_cast<const BYTE*>(data.data()),
                      static_cast<DWORD>(data.size()));
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
