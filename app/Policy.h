// Settings an administrator fixes for every user of a machine: values under the
// policy key, which the settings store reads before the product key and which the
// program never writes.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>
#include <vector>

enum class PolicyKind {
    Flag,          // REG_DWORD 0 or 1
    Number,        // REG_DWORD from `minimum` to `maximum`
    WebAddress,    // REG_SZ beginning with http:// or https://
};

struct PolicySetting {
    const char* name;
    PolicyKind kind;
    DWORD minimum;      // Number only
    DWORD maximum;
    bool policyOnly;    // no setting of the user's own stands behind it
};

// Every value the program takes from the policy key, in the order the log and
// the boot report name them.  The administrative templates (policy/) offer the
// same values with the same kinds; a check in the tests holds them together.
const PolicySetting* PolicySettings(size_t& count);
// The entry of `name` (letter case ignored, as the registry does); nullptr for
// a value no policy can fix.
const PolicySetting* FindPolicySetting(const char* name);

// One value of the policy key as the registry holds it, judged against its entry.
struct PolicyValue {
    bool valid = false;
    DWORD number = 0;       // Flag, Number
    std::string text;       // WebAddress
    std::string problem;    // why it is ignored, naming what it holds
};
PolicyValue JudgePolicyValue(const PolicySetting& setting, DWORD type, const std::string& data);
// "DelaySeconds=3": the value as the log and the boot report show it.
std::string PolicyValueText(const PolicySetting& setting, const PolicyValue& value);

// The policy's part in one read of the product key.
enum class PolicyStep {
    Fixed,          // a valid policy value answers
    Unset,          // a policy-only value without a valid policy: the read finds nothing
    UserSetting,    // the user's own setting under the product key answers
};
// A bad value is logged with its name and what it holds, and then ignored.
// A number setting answers into a DWORD, a web address into a string.
PolicyStep PolicyStepFor(const char* name, DWORD& value);
PolicyStep PolicyStepFor(const char* name, std::string& value);

// True while a valid policy value fixes `name`: its controls show that value and
// are disabled, and nothing writes the user's own setting in its place.
bool FixedByPolicy(const char* name);
bool IsPolicyOnly(const char* name);

// What the policy key holds now, in table order: "Name=value" for each value in
// force and one line for each value that is ignored.
struct PolicyReport {
    std::vector<std::string> inForce;
    std::vector<std::string> ignored;
};
PolicyReport ReadPolicyReport();
// Writes which policy values are in force (and which are ignored) to the log.
void LogPolicies();

// Tests read and write the policy key in the view the program reads.
REGSAM PolicyKeyView();
