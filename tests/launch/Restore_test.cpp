// Restoration of captured Run values and parked Startup shortcuts.
#include "TestSupport.h"
#include "install/TestHive.h"
#include "app/RegNames.h"
#include "install/Install.h"
#include "launch/LaunchFixture.h"
#include "launch/Profiles.h"
#include "launch/Restore.h"
#include "launch/StartupPlaces.h"
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

TEST(ProfileStartup, UserSettingOrStandardLayout)
{
    EXPECT_EQ("Start Menu\\Programs\\Startup", StandardStartupTail(4));    // 9x and NT 4
    EXPECT_EQ("Start Menu\\Programs\\Startup", StandardStartupTail(5));    // 2000 and XP
    EXPECT_EQ("AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", StandardStartupTail(10));
    const struct {
        const char* setting;
        bool usable;
        const char* path;
    } cases[] = {
        {"%USERPROFILE%\\Start Menu\\Programs\\Autostart", true, "C:\\Users\\ann\\Start Menu\\Programs\\Autostart"},
        {"%userprofile%\\x", true, "C:\\Users\\ann\\x"},
        {"%SystemDrive%\\Shared\\Startup", true, "%SystemDrive%\\Shared\\Startup"},
        {"D:\\Redirected\\ann", true, "D:\\Redirected\\ann"},
        {"%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", false, ""},
    };
    for (const auto& c : cases) {
        std::string path;
        EXPECT_EQ(c.usable, ProfileSettingPath(c.setting, "C:\\Users\\ann", path)) << c.setting;
        if (c.usable) {
            EXPECT_EQ(c.path, path);
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
    // Its program wrote it again while nothing was running: the newer value stays.
    Capture("QrStale", REG_SZ, std::string("C:\\old.exe") + '\0');
    qrtest::SetRaw(HKEY_CURRENT_USER, kRun, "QrStale", REG_SZ, std::string("C:\\new.exe") + '\0');
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
    EXPECT_EQ("C:\\new.exe", qrtest::ReadString(HKEY_CURRENT_USER, kRunKey, "QrStale"));
    EXPECT_TRUE(qrtest::LogHas("Keeping [QrStale] in place: its parked copy [C:\\old.exe] is dropped"));
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

TEST_F(RestoreTest, PutsBackTheParkedShortcutsOfThisUser)
{
    std::string startup;
    ASSERT_TRUE(win::SpecialFolder(CSIDL_STARTUP, startup));
    File(startup + "\\QrPlain.lnk.Quillrest", "plain");
    File(startup + "\\QrRecreated.lnk.Quillrest", "old");
    File(startup + "\\QrRecreated.lnk", "new");
    ownFiles_.push_back(startup + "\\QrPlain.lnk");

    EXPECT_TRUE(RestoreRedirectedApps());

    EXPECT_EQ("plain", Contents(startup + "\\QrPlain.lnk"));
    EXPECT_FALSE(win::FileExists(startup + "\\QrPlain.lnk.Quillrest"));
    EXPECT_EQ("new", Contents(startup + "\\QrRecreated.lnk"));
    EXPECT_FALSE(win::FileExists(startup + "\\QrRecreated.lnk.Quillrest"));
}

// Windows keeps a loaded hive's file up to date; Wine drops the changes at
// unloading, so the stand-in saves the branch into the file first.
LONG SavingUnload(const std::string& name, const std::string& file)
{
    HKEY root = nullptr;
    if (RegOpenKeyExA(HKEY_USERS, name.c_str(), 0, KEY_READ, &root) == ERROR_SUCCESS) {
        DeleteFileA(file.c_str());
        RegSaveKeyA(root, file.c_str(), nullptr);
        RegCloseKey(root);
    }
    return RegUnLoadKeyA(HKEY_USERS, name.c_str());
}

TEST_F(RestoreTest, EveryOtherUserIsRestoredLoggedOnOrNot)
{
    // Other users of the profile list, on today's layout, their folders written as Windows
    // writes them: carl has no registry file (the standard Startup folder); dora is logged on
    // and her own setting moved her folder; ann is not logged on, and her hive file holds a
    // parked Run value and moves her folder; bob's hive file is damaged.
    const std::string users = qrtest::MakeTempFolder("users");
    const char* vista = "AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup";
    const struct {
        const char* sid;
        const char* name;
        const char* startup;
    } profiles[] = {{"S-1-5-21-7-7-7-1001", "carl", vista}, {"S-1-5-21-7-7-7-1002", "dora", "Autostart"},
                    {"S-1-5-21-7-7-7-1003", "ann", "Autostart"}, {"S-1-5-21-7-7-7-1004", "bob", ""}};
    std::vector<std::string> parked;
    for (const auto& profile : profiles) {
        const std::string folder = users + "\\" + profile.name;
        qrtest::SetRaw(HKEY_LOCAL_MACHINE, std::string(kProfileListKey) + "\\" + profile.sid, kProfileImagePath,
                       REG_EXPAND_SZ, "%SystemDrive%" + folder.substr(2) + '\0');
        SHCreateDirectoryExA(nullptr, (folder + "\\" + profile.startup).c_str(), nullptr);
        if (*profile.startup)
            parked.push_back(File(folder + "\\" + profile.startup + "\\QrOther.lnk.Quillrest", profile.name));
    }
    const auto moveStartup = [](HKEY root) {
        qrtest::SetRaw(root, kUserShellFoldersKey, "Startup", REG_EXPAND_SZ,
                       std::string("%USERPROFILE%\\Autostart") + '\0');
    };
    qrtest::TestHive dora(profiles[1].sid, moveStartup);
    ASSERT_TRUE(dora.Loaded());
    const std::string annHive = users + "\\ann\\NTUSER.DAT", bob = users + "\\bob";
    ASSERT_TRUE(qrtest::SaveHiveFile(annHive, [&](HKEY root) {
        qrtest::SetRaw(root, kCapture, "QrAnnApp", REG_SZ, std::string("C:\\ann.exe") + '\0');
        moveStartup(root);
    }));
    qrtest::WriteFileText(bob + "\\NTUSER.DAT", "not a hive");

    // A deployment tool's uninstall: quiet, so it goes on past bob's registry.
    SetHiveUnloaderForTest(SavingUnload);
    SetQuietRun(true);
    const SetupResult result = DoUninstall();
    SetQuietRun(false);
    SetHiveUnloaderForTest(nullptr);

    EXPECT_EQ(SetupOutcome::RestartNeeded, result.outcome);
    const std::string bobPlace = "the profile " + bob + " (" + profiles[3].sid + ")";
    EXPECT_NE(std::string::npos, result.reason.find(bobPlace)) << result.reason;
    EXPECT_TRUE(qrtest::LogHas("Still parked: " + bobPlace + ": its registry could not be loaded (error 1017)"));
    for (size_t i = 0; i < parked.size(); ++i) {
        EXPECT_EQ(profiles[i].name, Contents(parked[i].substr(0, parked[i].rfind('.'))));
        EXPECT_FALSE(win::FileExists(parked[i]));
    }
    for (DWORD index = 0;; ++index) {
        char name[MAX_PATH];
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(HKEY_USERS, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        EXPECT_NE(0, std::string(name).compare(0, 10, "Quillrest_")) << name << " is still loaded";
    }
    // What ann's hive file holds now.
    ASSERT_EQ(ERROR_SUCCESS, RegLoadKeyA(HKEY_USERS, "QrAnnAfter", annHive.c_str()));
    EXPECT_EQ("C:\\ann.exe", qrtest::ReadString(HKEY_USERS, ("QrAnnAfter\\" + kRun).c_str(), "QrAnnApp"));
    EXPECT_TRUE(qrtest::ValueNames(HKEY_USERS, "QrAnnAfter\\" + kCapture).empty());
    RegUnLoadKeyA(HKEY_USERS, "QrAnnAfter");

    for (const auto& profile : profiles)
        qrtest::DeleteTree(HKEY_LOCAL_MACHINE, (std::string(kProfileListKey) + "\\" + profile.sid).c_str());
    qrtest::RemoveTree(users);
}

TEST_F(RestoreTest, CarryingOnRestoresTheRestAndNamesWhatStaysParked)
{
    Capture("QrBefore", REG_SZ, std::string("C:\\before.exe") + '\0');
    Capture("QrTestRefused", REG_SZ, std::string("C:\\refused.exe") + '\0');
    Capture("QrAfter", REG_SZ, std::string("C:\\after.exe") + '\0');
    std::string startup;
    ASSERT_TRUE(win::SpecialFolder(CSIDL_STARTUP, startup));
    const std::string stuck = File(startup + "\\QrTestStuck.lnk.Quillrest", "stuck");
    OverrideEntryWritersForTest(&qrtest::kRefusingWriters);
    std::vector<StillParked> left;
    {
        qrtest::DialogAnswerer carryOn("Error", IDNO);
        EXPECT_TRUE(RestoreStartGroupItems(startup, &left));
        EXPECT_TRUE(RestoreRunKey(HKEY_CURRENT_USER, kRunKey, 0, &left));
        EXPECT_NE(std::string::npos, carryOn.Text().find("[Set Failed GLE=5, N=QrTestRefused, V=C:\\refused.exe]"));
    }
    OverrideEntryWritersForTest(nullptr);

    for (const char* name : {"QrBefore", "QrAfter"}) {
        EXPECT_TRUE(qrtest::ValueExists(HKEY_CURRENT_USER, kRunKey, name)) << name;
        EXPECT_FALSE(qrtest::ValueExists(HKEY_CURRENT_USER, kCapture.c_str(), name)) << name;
    }
    EXPECT_FALSE(qrtest::ValueExists(HKEY_CURRENT_USER, kRunKey, "QrTestRefused"));
    EXPECT_EQ("C:\\refused.exe", qrtest::ReadString(HKEY_CURRENT_USER, kCapture.c_str(), "QrTestRefused"));
    EXPECT_EQ("stuck", Contents(stuck));
    std::vector<std::string> lines;
    for (const StillParked& parked : left)
        lines.push_back(StillParkedLine(parked));
    const std::vector<std::string> expected = {stuck + ": could not be renamed back (error 5)",
                                               "HKCU Run\\QrTestRefused: could not be written back (error 5)"};
    EXPECT_EQ(expected, lines);
    EXPECT_EQ("Quillrest has been removed from the system.  The next time you reboot, the remaining product files "
              "will be cleaned up.\r\n\r\nThese start-up entries could not be put back and are still parked:\r\n    " +
                  expected[0] + "\r\n    " + expected[1] + "\r\n\r\nThank you for trying Quillrest.",
              UninstallCompleteText(left));
}

} // namespace
