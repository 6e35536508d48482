// Settings an administrator fixes for every user of a machine: values under the
// policy key, read before the product key and never written by the program.
#include "app/Policy.h"
#include "app/Links.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"

namespace {

// The policy values the program reads, each with the kind it reads.  A new one
// needs its policy in policy/Quillrest.admx and its texts in the .adml, or the
// template check fails.
const PolicySetting kPolicies[] = {
    {kDelaySeconds, PolicyKind::Number, 1, 60, false},
    {kMinimized, PolicyKind::Flag, 0, 1, false},
    {kTransparent, PolicyKind::Flag, 0, 1, false},
    {kCheckVersion, PolicyKind::Flag, 0, 1, false},
    {kDownloadAdBlockInfo, PolicyKind::Flag, 0, 1, false},
    {kAdBlockListURL, PolicyKind::WebAddress, 0, 0, false},
    {kNotifyNewEntries, PolicyKind::Flag, 0, 1, false},
    {kDeleteSafeTempFiles, PolicyKind::Flag, 0, 1, false},
    {kDeleteAllTempFiles, PolicyKind::Flag, 0, 1, false},
    {kDelFileChk, PolicyKind::Flag, 0, 1, false},
    {kClearInetCache, PolicyKind::Flag, 0, 1, false},
    {kDeleteCookies, PolicyKind::Flag, 0, 1, false},
    {kKeepQRCookie, PolicyKind::Flag, 0, 1, false},
    {kLog, PolicyKind::Flag, 0, 1, false},
    {kAllowAdBlocking, PolicyKind::Flag, 0, 1, true},
};

// Longer than any address a browser takes (INTERNET_MAX_URL_LENGTH and its NUL).
constexpr size_t kMaxAddressBytes = 2085;
// What the log quotes of a value it ignores.
constexpr size_t kMaxQuotedBytes = 200;

const char* TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_DWORD: return "REG_DWORD";
    case REG_QWORD: return "REG_QWORD";
    case REG_BINARY: return "REG_BINARY";
    default: return "value of another type";
    }
}

// The text up to its first NUL, with control characters as blanks: it goes
// into one line of the log or the boot report.
std::string OneLine(const std::string& data, size_t maxBytes)
{
    std::string text = win::CutText(data.substr(0, data.find('\0')), maxBytes);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return text;
}

// What a value of the wrong kind holds, for the log.
std::string Holding(DWORD type, const std::string& data)
{
    if (type == REG_DWORD && data.size() == 4)
        return win::Format("a REG_DWORD (%lu)", static_cast<unsigned long>(*reinterpret_cast<const DWORD*>(data.data())));
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return win::Format("a %s (\"%s\")", TypeName(type), OneLine(data, kMaxQuotedBytes).c_str());
    return win::Format("a %s of %u bytes", TypeName(type), static_cast<unsigned>(data.size()));
}

struct RawValue {
    bool present = false;
    DWORD type = REG_NONE;
    std::string data;
};

RawValue ReadRawValue(const char* name)
{
    RawValue raw;
    // Opened, never created: the key belongs to the administrator.
    win::UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE | PolicyKeyView(), key.Out()) !=
        ERROR_SUCCESS)
        return raw;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &raw.type, nullptr, &size) != ERROR_SUCCESS)
        return raw;
    raw.present = true;
    // A longer value is judged by its size alone.
    raw.data.assign(size <= kMaxAddressBytes ? size : 0, '\0');
    DWORD got = size;
    if (size <= kMaxAddressBytes && size != 0 &&
        RegQueryValueExA(key.Get(), name, nullptr, &raw.type, reinterpret_cast<BYTE*>(&raw.data[0]), &got) ==
            ERROR_SUCCESS)
        raw.data.resize(got);
    else if (size > kMaxAddressBytes)
        raw.data.assign(kMaxAddressBytes + 1, ' ');
    return raw;
}

// The value of `setting` in the policy key; a bad one is logged when `log` is set.
PolicyValue ReadPolicyValue(const PolicySetting& setting, bool log)
{
    const RawValue raw = ReadRawValue(setting.name);
    if (!raw.present)
        return PolicyValue();
    PolicyValue value = JudgePolicyValue(setting, raw.type, raw.data);
    if (!value.valid && log)
        WriteLog("Ignoring the policy value %s: %s", setting.name, value.problem.c_str());
    return value;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator)
{
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : separator) + part;
    return text;
}

} // namespace

const PolicySetting* PolicySettings(size_t& count)
{
    count = sizeof(kPolicies) / sizeof(kPolicies[0]);
    return kPolicies;
}

const PolicySetting* FindPolicySetting(const char* name)
{
    for (const PolicySetting& setting : kPolicies)
        if (name && lstrcmpiA(setting.name, name) == 0)
            return &setting;
    return nullptr;
}

PolicyValue JudgePolicyValue(const PolicySetting& setting, DWORD type, const std::string& data)
{
    PolicyValue value;
    if (setting.kind == PolicyKind::WebAddress) {
        if (type != REG_SZ) {
            value.problem = "it is " + Holding(type, data) + ", not a REG_SZ";
        } else if (data.size() > kMaxAddressBytes) {
            value.problem = "it is longer than a web address can be";
        } else {
            const std::string text = data.substr(0, data.find('\0'));
            value.valid = IsWebAddress(text);
            if (value.valid)
                value.text = text;
            else
                value.problem = "\"" + OneLine(text, kMaxQuotedBytes) + "\" is not a web address (http:// or https://)";
        }
        return value;
    }
    if (type != REG_DWORD || data.size() != 4) {
        value.problem = "it is " + Holding(type, data) + ", not a REG_DWORD";
        return value;
    }
    const DWORD number = *reinterpret_cast<const DWORD*>(data.data());
    const DWORD low = setting.kind == PolicyKind::Flag ? 0 : setting.minimum;
    const DWORD high = setting.kind == PolicyKind::Flag ? 1 : setting.maximum;
    if (number < low || number > high) {
        value.problem = setting.kind == PolicyKind::Flag
                            ? win::Format("%lu is neither 0 nor 1", static_cast<unsigned long>(number))
                            : win::Format("%lu is not between %lu and %lu", static_cast<unsigned long>(number),
                                          static_cast<unsigned long>(low), static_cast<unsigned long>(high));
        return value;
    }
    value.valid = true;
    value.number = number;
    return value;
}

std::string PolicyValueText(const PolicySetting& setting, const PolicyValue& value)
{
    if (setting.kind == PolicyKind::WebAddress)
        return std::string(setting.name) + "=" + OneLine(value.text, kMaxAddressBytes);
    return win::Format("%s=%lu", setting.name, static_cast<unsigned long>(value.number));
}

namespace {

// The policy's step for a setting read as text (a web address) or as a number.
PolicyStep PolicyStepOfKind(const char* name, bool text, PolicyValue& policy)
{
    const PolicySetting* setting = FindPolicySetting(name);
    if (!setting || (setting->kind == PolicyKind::WebAddress) != text)
        return PolicyStep::UserSetting;
    policy = ReadPolicyValue(*setting, true);
    if (policy.valid)
        return PolicyStep::Fixed;
    return setting->policyOnly ? PolicyStep::Unset : PolicyStep::UserSetting;
}

} // namespace

PolicyStep PolicyStepFor(const char* name, DWORD& value)
{
    PolicyValue policy;
    const PolicyStep step = PolicyStepOfKind(name, false, policy);
    if (step == PolicyStep::Fixed)
        value = policy.number;
    return step;
}

PolicyStep PolicyStepFor(const char* name, std::string& value)
{
    PolicyValue policy;
    const PolicyStep step = PolicyStepOfKind(name, true, policy);
    if (step == PolicyStep::Fixed)
        value = policy.text;
    return step;
}

bool FixedByPolicy(const char* name)
{
    const PolicySetting* setting = FindPolicySetting(name);
    return setting && ReadPolicyValue(*setting, false).valid;
}

bool IsPolicyOnly(const char* name)
{
    const PolicySetting* setting = FindPolicySetting(name);
    return setting && setting->policyOnly;
}

PolicyReport ReadPolicyReport()
{
    PolicyReport report;
    for (const PolicySetting& setting : kPolicies) {
        const RawValue raw = ReadRawValue(setting.name);
        if (!raw.present)
            continue;
        const PolicyValue value = JudgePolicyValue(setting, raw.type, raw.data);
        if (value.valid)
            report.inForce.push_back(PolicyValueText(setting, value));
        else
            report.ignored.push_back(std::string(setting.name) + ": " + value.problem);
    }
    // A name no policy has (a typing error in a hand-made value) is ignored too.
    win::UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE | PolicyKeyView(), key.Out()) !=
        ERROR_SUCCESS)
        return report;
    for (DWORD index = 0;; ++index) {
        char name[256] = "";
        DWORD size = sizeof(name);
        const LONG rc = RegEnumValueA(key.Get(), index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA)
            continue;
        if (rc != ERROR_SUCCESS)
            break;
        if (!FindPolicySetting(name))
            report.ignored.push_back(std::string(name) + ": the program has no setting of that name");
    }
    return report;
}

void LogPolicies()
{
    const PolicyReport report = ReadPolicyReport();
    WriteLog("Policies in force: %s", report.inForce.empty() ? "none" : Joined(report.inForce, ", ").c_str());
    for (const std::string& line : report.ignored)
        WriteLog("Ignoring the policy value %s", line.c_str());
}

REGSAM PolicyKeyView()
{
    // Group Policy writes the 64-bit view; a 32-bit program on 64-bit Windows
    // names it, and no view is named where Windows has only one.
    return Is64BitWindows() ? KEY_WOW64_64KEY : 0;
}
