// Restoration of captured Run values and parked Startup shortcuts.
#include "TestSupport.h"
#include "install/TestHive.h"
#include "app/RegNames.h"
#include "launch/Restore.h"
#include "win/Util.h"
#include <shlobj.h>

namespace {

const std::string kRun = kRunKey;
const std::string kCapture = kRun + "\\Quillrest";

class RestoreTest : public qrtest::ProductTest {
protected:
    void TearDown() override
    {
        for (const std::string& name : ownValues_) {
            qrtest::DeleteValue(HKEY_CURRENT_USER, kRun, name);
            qrtest::DeleteValue(HKEY_CURRENT_USER, kCapture, name);
        }
        for (const std::string& path : ownFiles_)
            DeleteFileA(path.c_str());
        ProductTest::TearDown();
    }
    void Capture(const std::string& name, DWORD type, const std::string& data)
    {
        ownValues_.push_back(name);
        qrtest::SetRaw(HKEY_CURRENT_USER, kCapture, name, type, data);
    }
    std::string File(const std::string& path, const std::string& text)
    {
        ownFiles_.push_back(path);
        qrtest::WriteFileText(path, text);
        return path;
    }
    static std::string Contents(const std::string& path)
    {
        std::string text;
        win::ReadWholeFile(path, text);
        return text;
    }

    std::vector<std::string> ownValues_;
    std::vector<std::string> ownFiles_;
};

TEST(SplitStartupPath, FindsProfilesFolderAndTail)
{
    struct Case {
        const char* startup;
        bool found;
        const char* parent;
        const char* tail;
    } cases[] = {
        {"C:\\WINDOWS\\Profiles\\bob\\Start Menu\\Programs\\StartUp", true, "C:\\WINDOWS\\PROFILES",
         "\\START MENU\\PROGRAMS\\STARTUP"},
        {"C:\\Documents and Settings\\Ann Lee\\Start Menu\\Programs\\Startup", true, "C:\\DOCUMENTS AND SETTINGS",
         "\\START MENU\\PROGRAMS\\STARTUP"},
        {"C:\\Windows\\Start Menu\\Programs\\StartUp", true, "C:", "\\START MENU\\PROGRAMS\\STARTUP"},
        {"D:\\Autostart", false, "", ""},
    };
    for (const Case& c : cases) {
        std::string parent, tail;
        EXPECT_EQ(c.found, SplitStartupPath(c.startup, parent, tail)) << c.startup;
        if (c.found) {
            EXPECT_EQ(c.parent, parent) << c.startup;
            EXPECT_EQ(c.tail, tail) << c.startup;
        }
    }
}

TEST_F(RestoreTest, NothingCapturedAsksNothing)
{
    qrtest::DialogAnswerer error("Error", IDNO, 3000);
    EXPECT_TRUE(RestoreRunKey(HKEY_CURRENT_USER, "Software\\QrNoSuchKey\\Run"));
    EXPECT_TRUE(RestoreRedirectedApps());
    EXPECT_FALSE(error.Answered()) << error.Text();
    EXPECT_TRUE(qrtest::LogHas("RestoreRunKey on HKCU"));
}

TEST_F(RestoreTest, KeyThatCannotBeOpenedAsksWhetherToStop)
{
    // A stale root handle fails the open with something other than "not found".
    HKEY broken = reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x7FF0));
    const struct {
        int answer;
        bool goOn;
    } cases[] = {{IDYES, false}, {IDNO, true}};
    for (const auto& c : cases) {
        qrtest::DialogAnswerer question("Error", c.answer);
        EXPECT_EQ(c.goOn, RestoreRunKey(broken, kRunKey));
        ASSERT_TRUE(question.Answered());
        EXPECT_EQ(0u, question.Text().find("Unable to restore a boot setting.  You should stop and login as a power "
                                           "user (Administrator) on this computer and try again.\r\nDo you want to "
                                           "stop so you can login as a different user?\r\n\r\n[Open/Create Failed GLE="))
            << question.Text();
        EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), question.IconStyle());
    }
}

TEST_F(RestoreTest, PutsBackCapturedValuesOfEveryHive)
{
    const std::string longData(5000, 'd');
    const std::string longName = "QrLongName" + std::string(2100, 'n');
    Capture("QrShort", REG_SZ, std::string("C:\\short.exe /x") + '\0');
    Capture("QrExpand", REG_EXPAND_SZ, std::string("%windir%\\x.exe") + '\0');
    Capture(longName, REG_SZ, std::string("C:\\after-long-name.exe") + '\0');
    Capture("QrLongData", REG_SZ, longData + '\0');
    Capture("QrTail", REG_SZ, std::string("C:\\tail.exe") + '\0');
    const std::string ownBefore = qrtest::ReadString(HKEY_CURRENT_USER, kCapture.c_str(), "Quillrest");
    qrtest::SetRaw(HKEY_CURRENT_USER, kCapture, "Quillrest", REG_SZ, std::string("own") + '\0');

    qrtest::TestHive hive("QrSecondUser", [](HKEY root) {
        qrtest::SetRaw(root, kCapture, "QrOtherUserApp", REG_SZ, std::string("C:\\other.exe") + '\0');
    });
    ASSERT_TRUE(hive.Loaded());

    EXPECT_TRUE(RestoreRedirectedApps());

    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(qrtest::GetRaw(HKEY_CURRENT_USER, kRun, "QrShort", type, data));
    EXPECT_EQ(std::string("C:\\short.exe /x") + '\0', data);
    ASSERT_TRUE(qrtest::GetRaw(HKEY_CURRENT_USER, kRun, "QrExpand", type, data));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    ASSERT_TRUE(qrtest::GetRaw(HKEY_CURRENT_USER, kRun, longName, type, data));
    ASSERT_TRUE(qrtest::GetRaw(HKEY_CURRENT_USER, kRun, "QrLongData", type, data));
    EXPECT_EQ(longData + '\0', data);
    EXPECT_TRUE(qrtest::GetRaw(HKEY_CURRENT_USER, kRun, "QrTail", type, data));
    EXPECT_FALSE(qrtest::ValueExists(HKEY_CURRENT_USER, kRunKey, "Quillrest"));
    // Only the program's own value stays in the capture key.
    EXPECT_EQ(std::vector<std::string>{"Quillrest"}, qrtest::ValueNames(HKEY_CURRENT_USER, kCapture));
    EXPECT_TRUE(qrtest::LogHas("Setting [Quillrest] = [own]"));

    const std::string other = "QrSecondUser\\" + kRun;
    EXPECT_EQ("C:\\other.exe", qrtest::ReadString(HKEY_USERS, other.c_str(), "QrOtherUserApp"));
    EXPECT_TRUE(qrtest::ValueNames(HKEY_USERS, other + "\\Quillrest").empty());
    EXPECT_TRUE(qrtest::LogHas("RestoreRunKey on QrSecondUser"));

    if (ownBefore.empty())
        qrtest::DeleteValue(HKEY_CURRENT_USER, kCapture, "Quillrest");
    else
        qrtest::SetRaw(HKEY_CURRENT_USER, kCapture, "Quillrest", REG_SZ, ownBefore + '\0');
    ownValues_.push_back(longName);
}

TEST_F(RestoreTest, PutsBackParkedShortcutsOfEveryProfile)
{
    std::string startup;
    ASSERT_TRUE(win::SpecialFolder(CSIDL_STARTUP, startup));
    File(startup + "\\QrPlain.lnk.Quillrest", "plain");
    File(startup + "\\QrRecreated.lnk.Quillrest", "old");
    File(startup + "\\QrRecreated.lnk", "new");
    ownFiles_.push_back(startup + "\\QrPlain.lnk");

    std::string parent, tail;
    ASSERT_TRUE(SplitStartupPath(startup, parent, tail));
    const std::string profile = parent + "\\QrOtherProfile";
    const std::string otherStartup = profile + tail;
    SHCreateDirectoryExA(nullptr, otherStartup.c_str(), nullptr);
    File(otherStartup + "\\QrOther.lnk.Quillrest", "other");

    EXPECT_TRUE(RestoreRedirectedApps());

    EXPECT_EQ("plain", Contents(startup + "\\QrPlain.lnk"));
    EXPECT_FALSE(win::FileExists(startup + "\\QrPlain.lnk.Quillrest"));
    EXPECT_EQ("new", Contents(startup + "\\QrRecreated.lnk"));
    EXPECT_FALSE(win::FileExists(startup + "\\QrRecreated.lnk.Quillrest"));
    EXPECT_EQ("other", Contents(otherStartup + "\\QrOther.lnk"));
    EXPECT_FALSE(win::FileExists(otherStartup + "\\QrOther.lnk.Quillrest"));
    qrtest::RemoveTree(profile);
}

} // namespace
