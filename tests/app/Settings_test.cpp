// Settings store disciplines and counters against the real registry.
#include "TestSupport.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "install/System.h"

using namespace qrtest;

class SettingsTest : public ProductTest {};

TEST_F(SettingsTest, PlainReadOnMissingKeyCreatesKeyAndKeepsPreset)
{
    DWORD value = 42;
    EXPECT_FALSE(ReadSettingDword(HKEY_LOCAL_MACHINE, kProductKey, "Anything", value));
    EXPECT_EQ(42u, value);
    // The key exists now, but the read reported failure and wrote nothing.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key));
    RegCloseKey(key);
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, "Anything"));
    // Key present, value missing: still false, preset kept.
    EXPECT_FALSE(ReadSettingDword(HKEY_LOCAL_MACHINE, kProductKey, "Anything", value));
    EXPECT_EQ(42u, value);
}

TEST_F(SettingsTest, ReadOrDefaultWritesTheDefaultAsDword)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, "Other", 1);
    DWORD value = 0;
    EXPECT_TRUE(ReadSettingDwordOrDefault(HKEY_LOCAL_MACHINE, kProductKey, "Transparent", 7, value));
    EXPECT_EQ(7u, value);
    EXPECT_EQ(7u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, "Transparent"));
    // A stored value wins over the default.
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, "Transparent", 0);
    EXPECT_TRUE(ReadSettingDwordOrDefault(HKEY_LOCAL_MACHINE, kProductKey, "Transparent", 7, value));
    EXPECT_EQ(0u, value);
}

TEST_F(SettingsTest, ReadOrDefaultOnMissingKeyFillsTheDefault)
{
    DWORD value = 0;
    EXPECT_TRUE(ReadSettingDwordOrDefault(HKEY_LOCAL_MACHINE, kProductKey, "CheckVersion", 1, value));
    EXPECT_EQ(1u, value);
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, "CheckVersion"));
}

TEST_F(SettingsTest, DwordReaderRejectsValuesLongerThanFourBytes)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, "x", 0);
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "Long", "12345678");
    DWORD value = 9;
    EXPECT_FALSE(ReadSettingDword(HKEY_LOCAL_MACHINE, kProductKey, "Long", value));
    EXPECT_EQ(9u, value);
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "Short", "AB");    // 3 bytes of any type are read
    EXPECT_TRUE(ReadSettingDword(HKEY_LOCAL_MACHINE, kProductKey, "Short", value));
    EXPECT_EQ(0x4241u, value);
}

TEST_F(SettingsTest, StringsRoundTripAndDefault)
{
    std::string text = "preset";
    EXPECT_FALSE(ReadSettingString(HKEY_LOCAL_MACHINE, kProductKey, "Name", text));
    EXPECT_TRUE(ReadSettingStringOrDefault(HKEY_LOCAL_MACHINE, kProductKey, "Name", "dflt", REG_SZ, text));
    EXPECT_EQ("dflt", text);
    EXPECT_EQ("dflt", ReadString(HKEY_LOCAL_MACHINE, kProductKey, "Name"));
    EXPECT_TRUE(WriteSettingString(HKEY_LOCAL_MACHINE, kProductKey, "Name", "x\x01y\x01", REG_SZ));
    EXPECT_TRUE(ReadSettingString(HKEY_LOCAL_MACHINE, kProductKey, "Name", text));
    EXPECT_EQ("x\x01y\x01", text);
}

TEST_F(SettingsTest, MultiStringStoresEveryStringAndBothNuls)
{
    ASSERT_TRUE(WriteSettingString(HKEY_LOCAL_MACHINE, kProductKey, "Multi", std::string("one\0two", 7), REG_MULTI_SZ));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key));
    char data[64];
    DWORD size = sizeof(data), type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Multi", nullptr, &type, reinterpret_cast<BYTE*>(data), &size));
    RegCloseKey(key);
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), type);
    EXPECT_EQ(9u, size);
    EXPECT_EQ(std::string("one\0two\0\0", 9), std::string(data, size));
}

TEST(CounterText, ParsesLikeTheStoredText)
{
    struct Case { const char* text; long long value; };
    const Case cases[] = {
        {"0", 0}, {"  42", 42}, {"-17", -17}, {"+5", 5}, {"12abc", 12}, {"abc", 0}, {"", 0}, {"-", 0},
        {"9223372036854775807", 9223372036854775807LL}, {" \t-3 4", -3},
        {"99999999999999999999", 9223372036854775807LL}, {"-9223372036854775809", -9223372036854775807LL - 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value, ParseCounterText(c.text)) << c.text;
    EXPECT_EQ("0", CounterText(0));
    EXPECT_EQ("-12", CounterText(-12));
    EXPECT_EQ("4294967296", CounterText(4294967296LL));
    EXPECT_EQ("-9223372036854775808", CounterText(-9223372036854775807LL - 1));
}

TEST_F(SettingsTest, CountersAreDecimalTextBeyond32Bits)
{
    EXPECT_EQ(0, GetCounter("Boots"));
    EXPECT_EQ("0", ReadString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - Boots"));
    AddToCounter("Boots", 3);
    EXPECT_EQ("3", ReadString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - Boots"));
    SetString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - Big", "4294967295");
    AddToCounter("Big", 1);
    EXPECT_EQ("4294967296", ReadString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - Big"));
    SetString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - Junk", "not a number");
    AddToCounter("Junk", 5);
    EXPECT_EQ(5, GetCounter("Junk"));
    AddToCounter("Fresh", -2);
    EXPECT_EQ("-2", ReadString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - Fresh"));
}

TEST_F(SettingsTest, StateValuesLiveInTheStateKeyAndARefusedWriteIsLoggedOnce)
{
    // Read where earlier versions kept it until written anew, in the state key.
    SetString(HKEY_LOCAL_MACHINE, kProductKey, "Counter - Boots", "41");
    AddToCounter(kCounterBoots, 1);
    EXPECT_EQ("42", ReadString(HKEY_LOCAL_MACHINE, kStateKey, "Counter - Boots"));

    // What Windows refuses a standard user's token, twice each: logged once.
    OverrideMachineWriteRefusalForTest(1);
    EXPECT_FALSE(SetProductDword(kDelaySeconds, 5));
    EXPECT_FALSE(SetProductString(kSortingOrder, "x"));
    EXPECT_FALSE(InstallSelfForBoot() || InstallSelfForBoot());
    EXPECT_TRUE(SetProductDword(kWelcomeDismissed, 1));
    EXPECT_TRUE(WriteSettingDword(HKEY_CURRENT_USER, "Software\\QrTestSettings", "Value", 1));
    OverrideMachineWriteRefusalForTest(-1);
    DeleteTree(HKEY_CURRENT_USER, "Software\\QrTestSettings");
    EXPECT_EQ(1u, LogCount("Could not write HKLM\\software\\Quillrest: error 5 "));
    EXPECT_EQ(1u, LogCount("Could not write HKLM\\software\\microsoft\\windows\\currentversion\\run: error 5 "));
    EXPECT_EQ(2u, LogCount("Could not write "));
}
