// Capture of Run values and Startup shortcuts, and the restore batch file.
#include "LaunchFixture.h"
#include "launch/EntryWriters.h"
#include "launch/Redirect.h"
#include "launch/WorkQueue.h"

using namespace qrtest;

namespace {

class RedirectTest : public CaptureTest {
protected:
    std::string userStartup_ = StartupFolder(CSIDL_STARTUP);
    std::string commonStartup_ = StartupFolder(CSIDL_COMMON_STARTUP);

    std::string Link(const std::string& folder, const char* name) { return win::PathJoin(folder, name); }
    std::string Batch()
    {
        std::string text;
        win::ReadWholeFile(batchPath_, text);
        return text;
    }
};

TEST_F(RedirectTest, CaptureParksEverythingAndIsIdempotent)
{
    OverrideIs9xForTest(0);
    SetString(HKEY_LOCAL_MACHINE, kRunKey, "QrTestM", "m.exe");
    SetString(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue, "own.exe -hklm");
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestU", "u.exe", REG_EXPAND_SZ);
    const std::string userLink = Link(userStartup_, "QrTestU.lnk");
    const std::string commonLink = Link(commonStartup_, "QrTestC.lnk");
    ASSERT_TRUE(MakeShortcut(userLink, ToolPath("probe"), "", "", 1));
    ASSERT_TRUE(MakeShortcut(commonLink, ToolPath("probe"), "", "", 1));

    PrepForReboot();
    const std::string firstBatch = Batch();
    PrepForReboot();

    EXPECT_TRUE(FolderFiles(userStartup_, "QrTest*.lnk").empty());
    EXPECT_TRUE(win::FileExists(userLink + ".Quillrest"));
    EXPECT_TRUE(win::FileExists(commonLink + ".Quillrest"));
    EXPECT_EQ(std::vector<std::string>({kOwnRunValue}), ValueNames(HKEY_LOCAL_MACHINE, kRunKey));
    EXPECT_TRUE(ValueNames(HKEY_CURRENT_USER, kRunKey).empty());
    EXPECT_EQ("m.exe", ReadString(HKEY_LOCAL_MACHINE, CapturePath(kRunKey).c_str(), "QrTestM"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, CapturePath(kRunKey).c_str(), kOwnRunValue));
    // Type and data travel unchanged.
    win::UniqueKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), 0, KEY_READ, key.Out()));
    DWORD type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.Get(), "QrTestU", nullptr, &type, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);

    // Byte for byte: header, then one pair per parked shortcut, common folder first.
    EXPECT_EQ(RestoreBatchHeader() + RestoreBatchPair(commonLink, commonLink + ".Quillrest") +
                  RestoreBatchPair(userLink, userLink + ".Quillrest"),
              firstBatch);
    EXPECT_EQ(firstBatch, Batch());
}

TEST_F(RedirectTest, ReaddedEntriesReplaceParkedOnes)
{
    OverrideIs9xForTest(0);
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestR", "old.exe");
    const std::string link = Link(userStartup_, "QrTestR.lnk");
    ASSERT_TRUE(MakeShortcut(link, ToolPath("probe"), "old", "", 1));
    PrepForReboot();

    SetString(HKEY_CURRENT_USER, kRunKey, "QrTestR", "new.exe");
    ASSERT_TRUE(MakeShortcut(link, ToolPath("probe"), "new", "", 1));
    PrepForReboot();

    EXPECT_EQ("new.exe", ReadString(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), "QrTestR"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRunKey, "QrTestR"));
    EXPECT_FALSE(win::FileExists(link));
    WorkItem item;
    ASSERT_TRUE(ReadParkedShortcut(link + ".Quillrest", SourceUserStartup, item));
    EXPECT_EQ(" new", item.CommandLine.substr(item.CommandLine.size() - 4));
    // The pair is in the batch file only once.
    const std::string pair = RestoreBatchPair(link, link + ".Quillrest");
    const std::string batch = Batch();
    EXPECT_EQ(batch.find(pair), batch.rfind(pair));
}

// The first move of a shortcut fails with this error; with `otherSession` another
// session's instance has just parked that same shortcut itself.
DWORD g_moveError = 0;
bool g_otherSession = false;
BOOL FailingFirstMove(const std::string& from, const std::string& to, bool replace)
{
    if (replace)
        return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (g_otherSession)
        MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
    SetLastError(g_moveError);
    return FALSE;
}

TEST_F(RedirectTest, AFailedMoveNeverDeletes)
{
    OverrideIs9xForTest(0);
    const struct {
        DWORD error;
        bool otherSession;
        const char* parked;    // what the parked file holds afterwards
        bool liveStays;
    } cases[] = {
        {ERROR_ALREADY_EXISTS, false, "live", false},      // re-created after parking: the new one takes its place
        {ERROR_ACCESS_DENIED, false, "parked", true},      // any other failure: both stay
        {ERROR_FILE_NOT_FOUND, true, "live", false},       // parked meanwhile by another session: nothing deleted
        {ERROR_ALREADY_EXISTS, true, "live", false},
    };
    const EntryWriters failing = {FailingFirstMove, nullptr};
    const std::string link = Link(userStartup_, "QrTestMove.lnk");
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileText(link, "live"));
        ASSERT_TRUE(WriteFileText(link + ".Quillrest", "parked"));
        g_moveError = c.error;
        g_otherSession = c.otherSession;
        OverrideEntryWritersForTest(&failing);
        RedirectStartupLinkToQuillrest(CSIDL_STARTUP);
        OverrideEntryWritersForTest(nullptr);
        std::string parked;
        EXPECT_TRUE(win::ReadWholeFile(link + ".Quillrest", parked)) << c.error;
        EXPECT_EQ(c.parked, parked) << c.error;
        EXPECT_EQ(c.liveStays, win::FileExists(link)) << c.error;
    }
}

TEST_F(RedirectTest, LongValueDoesNotEndTheWalk)
{
    OverrideIs9xForTest(0);
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTest1", "one.exe");
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTest2", std::string(6000, 'd'));
    SetString(HKEY_CURRENT_USER, kRunKey, ("QrTest" + std::string(2100, 'n')).c_str(), "named.exe");
    SetString(HKEY_CURRENT_USER, kRunKey, "QrTest3", "three.exe");
    RedirectRegKeyToQuillrest(HKEY_CURRENT_USER, kRunKey, 509);
    EXPECT_TRUE(ValueNames(HKEY_CURRENT_USER, kRunKey).empty());
    EXPECT_EQ(4u, ValueNames(HKEY_CURRENT_USER, CapturePath(kRunKey)).size());
    EXPECT_EQ(std::string(6000, 'd'), ReadString(HKEY_CURRENT_USER, CapturePath(kRunKey).c_str(), "QrTest2"));
}

TEST_F(RedirectTest, RunServicesOnlyOn9xAndMachineKeysOnlyForAdministrators)
{
    SetString(HKEY_LOCAL_MACHINE, kRunServicesKey, "QrTestS", "s.exe");
    SetString(HKEY_LOCAL_MACHINE, kRunKey, "QrTestM", "m.exe");
    OverrideIs9xForTest(0);
    PrepForReboot();
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRunServicesKey, "QrTestS"));

    OverrideIs9xForTest(1);
    OverrideIsAdministratorForTest(0);
    SetString(HKEY_LOCAL_MACHINE, kRunKey, "QrTestM2", "m2.exe");
    PrepForReboot();
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRunServicesKey, "QrTestS"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kRunKey, "QrTestM2"));

    OverrideIsAdministratorForTest(1);
    PrepForReboot();
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kRunServicesKey, "QrTestS"));
    EXPECT_EQ("s.exe", ReadString(HKEY_LOCAL_MACHINE, CapturePath(kRunServicesKey).c_str(), "QrTestS"));
    DeleteValue(HKEY_LOCAL_MACHINE, kRunServicesKey, "QrTestS");
}

TEST_F(RedirectTest, BatchFileRunByCmdRestoresTheShortcuts)
{
    OverrideIs9xForTest(0);
    // cmd.exe reads the file in the OEM code page, which has "é" and "Ω" (437) too.
    const std::vector<std::string> links = {Link(userStartup_, "QrTest A.lnk"), Link(userStartup_, "QrTestB.lnk"),
                                            Link(userStartup_, "QrTest Caf\xC3\xA9.lnk"),
                                            Link(userStartup_, "QrTest \xCE\xA9mega.lnk")};
    for (const std::string& link : links)
        ASSERT_TRUE(MakeShortcut(link, ToolPath("probe"), "", "", 1));
    PrepForReboot();
    ASSERT_FALSE(win::FileExists(links[0]));
    // A newer shortcut put in place since is not overwritten, nor its parked copy deleted.
    ASSERT_TRUE(WriteFileText(links[1], "newer"));

    RunResult run = RunProcess(win::PathJoin(win::SystemDirectory(), "cmd.exe"), "/c \"" + batchPath_ + "\"", 60000,
                               "C:\\");
    ASSERT_TRUE(run.finished);
    for (const std::string& link : links) {
        EXPECT_TRUE(win::FileExists(link)) << link;
        EXPECT_EQ(link == links[1], win::FileExists(link + ".Quillrest")) << link;
    }
    std::string newer;
    EXPECT_TRUE(win::ReadWholeFile(links[1], newer));
    EXPECT_EQ("newer", newer);
}

} // namespace
