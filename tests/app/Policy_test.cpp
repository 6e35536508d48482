// Policy values: how each kind is judged, and the settings store asking them first without ever writing them.
#include "TestSupport.h"
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Raii.h"

using namespace qrtest;

namespace {

std::string Dword(DWORD value)
{
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

TEST(PolicyValue, EachKindTakesOnlyWhatItReads)
{
    const struct {
        const char* name;
        DWORD type;
        std::string data;
        bool valid;
        const char* expected;    // as the log shows it, or why it is ignored
    } cases[] = {
        {kDelaySeconds, REG_DWORD, Dword(3), true, "DelaySeconds=3"},
        {kDelaySeconds, REG_DWORD, Dword(61), false, "61 is not between 1 and 60"},
        {kDelaySeconds, REG_SZ, std::string("3\0", 2), false, "it is a REG_SZ (\"3\"), not a REG_DWORD"},
        {kMinimized, REG_DWORD, Dword(2), false, "2 is neither 0 nor 1"},
        {kAdBlockListURL, REG_SZ, std::string("HTTPS://a.example/x\0", 20), true, "AdBlockListURL=HTTPS://a.example/x"},
        {kAdBlockListURL, REG_SZ, "ftp://a.example/", false, "\"ftp://a.example/\" is not a web address (http:// or https://)"},
        {kAdBlockListURL, REG_DWORD, Dword(1), false, "it is a REG_DWORD (1), not a REG_SZ"},
    };
    for (const auto& c : cases) {
        const PolicyValue value = JudgePolicyValue(*FindPolicySetting(c.name), c.type, c.data);
        EXPECT_EQ(c.valid, value.valid) << c.expected;
        EXPECT_EQ(c.expected, value.valid ? PolicyValueText(*FindPolicySetting(c.name), value) : value.problem);
    }
}

using PolicyStoreTest = ProductTest;

TEST_F(PolicyStoreTest, ThePolicyAnswersFirstAndNothingOfItIsWritten)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 8);
    EXPECT_EQ(8u, ProductDword(kDelaySeconds, 0));
    win::UniqueKey policyKey;    // reads never create it
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_READ | PolicyKeyView(), policyKey.Out()));

    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kAllowAdBlocking, 0);    // no setting of the user's own: never read
    SetPolicy(kDelaySeconds, 3);
    SetPolicy(kTransparent, 0);
    SetPolicy(kCheckVersion, std::string("1\0", 2), REG_SZ);
    SetPolicy("DelaySecond", 5);
    EXPECT_EQ(3u, ProductDword(kDelaySeconds, 0));
    EXPECT_EQ(0u, ProductDwordOrDefault(kTransparent, 1));
    EXPECT_EQ(1u, ProductDwordOrDefault(kAllowAdBlocking, 1));
    EXPECT_EQ(7u, ProductDwordOrDefault(kCheckVersion, 7));
    EXPECT_TRUE(LogHas("Ignoring the policy value CheckVersion: it is a REG_SZ (\"1\"), not a REG_DWORD"));
    // The user's own settings keep what they held; a default goes only where no policy answers.
    EXPECT_EQ(8u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kTransparent));
    EXPECT_EQ(0u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kAllowAdBlocking));
    EXPECT_EQ(7u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kCheckVersion));

    LogPolicies();
    EXPECT_TRUE(LogHas("Policies in force: DelaySeconds=3, Transparent=0"));
    EXPECT_TRUE(LogHas("Ignoring the policy value DelaySecond: the program has no setting of that name"));
    // While a policy decides about the log, the user's countdown waits.
    SetPolicy(kLog, 1);
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, 3);
    RunLoggingCountdown();
    EXPECT_EQ(3u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount));
}

} // namespace
