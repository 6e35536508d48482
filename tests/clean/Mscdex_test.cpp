// MSCDEX remover on the real C:\AUTOEXEC.BAT of the test prefix, answering its message boxes.
#include "TestSupport.h"
#include "app/RegNames.h"
#include "clean/CleanRules.h"
#include "clean/Mscdex.h"
#include "win/Util.h"

using namespace qrtest;

namespace {

const char* const kBat = "C:\\AUTOEXEC.BAT";
const char* const kNew = "C:\\AUTOEXEC.NEW";
const char* const kBackup = "C:\\AUTOEXEC_BACKUP.bat";
const char* const kRemovedText =
    "MSCDEX has been commented out of C:\\AUTOEXEC.BAT.  You should reboot now to see if you can still access your "
    "CD-ROM drive.  If you can't, return here and press 'Restore MSCDEX'.";
const char* const kRestoredText =
    "C:\\AUTOEXEC.BAT has been restored to its previous state.  You should reboot now to access your CD-ROM drive.";

void RemoveAny(const char* path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileA(path))
        RemoveTree(path);
}

std::string Contents(const char* path)
{
    std::string text;
    win::ReadWholeFile(path, text);
    return text;
}

class MscdexTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        hadBat_ = win::ReadWholeFile(kBat, savedBat_);
        CleanUp();
    }
    void TearDown() override
    {
        CleanUp();
        if (hadBat_)
            WriteFileText(kBat, savedBat_);
        ProductTest::TearDown();
    }
    static void CleanUp()
    {
        for (const char* path : {kBat, kNew, kBackup})
            RemoveAny(path);
    }
    // Runs `edit` and answers the box titled `title`; returns its text.
    static std::string Answer(const char* title, void (*edit)(HWND), UINT* icon = nullptr)
    {
        DialogAnswerer box(title, IDOK);
        edit(nullptr);
        EXPECT_TRUE(box.Answered()) << title;
        if (icon)
            *icon = box.IconStyle();
        return box.Text();
    }

    bool hadBat_ = false;
    std::string savedBat_;
};

TEST_F(MscdexTest, DetectsOnlyActiveLines)
{
    EXPECT_FALSE(IsMSCDEXLoaded());    // no file at all
    struct Case { const char* contents; bool loaded; } cases[] = {
        {"@ECHO OFF\r\nrem mscdex.exe\r\n", false},
        {"PATH C:\\DOS\r\n", false},
        {"@ECHO OFF\nLH C:\\DOS\\MSCDEX.EXE /D:MSCD001", true},
        {"  REM MSCDEX\r\n", true},
    };
    for (const Case& c : cases) {
        ResetProductKey();
        ASSERT_TRUE(WriteFileText(kBat, c.contents));
        SetFileAttributesA(kBat, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        EXPECT_EQ(c.loaded, IsMSCDEXLoaded()) << c.contents;
        EXPECT_EQ(c.loaded ? 1u : 0xFFFFFFFFu, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kSawMSCDEX)) << c.contents;
        const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
        EXPECT_EQ(kept, GetFileAttributesA(kBat) & kept);    // the test leaves the attributes alone
        SetFileAttributesA(kBat, FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(MscdexTest, RemoveTwiceThenRestoreIsByteExact)
{
    const std::string original =
        "@ECHO OFF\nLH C:\\DOS\\MSCDEX.EXE /D:MSCD001\r\nrem mscdex.exe\r\n  REM MSCDEX\r\nPATH C:\\DOS";
    const std::string removed = std::string("@ECHO OFF\r\n") + kMscdexBelowMarker +
                                "\r\nREM LH C:\\DOS\\MSCDEX.EXE /D:MSCD001\r\n" + kMscdexAboveMarker +
                                "\r\nrem mscdex.exe\r\n" + kMscdexBelowMarker + "\r\nREM   REM MSCDEX\r\n" +
                                kMscdexAboveMarker + "\r\nPATH C:\\DOS\r\n";
    ASSERT_TRUE(WriteFileText(kBat, original));
    SetFileAttributesA(kBat, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

    UINT icon = 1;
    EXPECT_EQ(kRemovedText, Answer("Success", RemoveMSCDEX, &icon));
    EXPECT_EQ(0u, icon);
    EXPECT_EQ(removed, Contents(kBat));
    EXPECT_EQ(original, Contents(kBackup));
    EXPECT_EQ(0u, GetFileAttributesA(kBat) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_FALSE(win::FileExists(kNew));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kSawMSCDEX));
    EXPECT_FALSE(IsMSCDEXLoaded());

    EXPECT_EQ(kRemovedText, Answer("Success", RemoveMSCDEX));
    EXPECT_EQ(removed, Contents(kBat));
    EXPECT_EQ(removed, Contents(kBackup));
    EXPECT_EQ(1u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kSawMSCDEX));

    EXPECT_EQ(kRestoredText, Answer("Success", RestoreMSCDEX));
    EXPECT_EQ("@ECHO OFF\r\nLH C:\\DOS\\MSCDEX.EXE /D:MSCD001\r\nrem mscdex.exe\r\n  REM MSCDEX\r\nPATH C:\\DOS\r\n",
              Contents(kBat));
    EXPECT_EQ(removed, Contents(kBackup));
    EXPECT_TRUE(IsMSCDEXLoaded());
}

TEST_F(MscdexTest, UnopenableFilesShowTheErrorAndChangeNothing)
{
    const std::string head = "Quillrest is unable to open your C:\\AUTOEXEC.BAT file.  The reason is: ";
    const std::string tail = ".\r\n\r\nNo changes were made.";
    const std::string tempHead = "Quillrest is unable to open C:\\AUTOEXEC.NEW to use as a temporary file.  The reason is: ";
    const std::string content = "LH MSCDEX.EXE\r\n";

    // Missing file.
    UINT icon = 0;
    EXPECT_EQ(head + "C:\\autoexec.bat was not found." + tail, Answer("Error", RemoveMSCDEX, &icon));
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), icon);
    EXPECT_FALSE(win::FileExists(kBat));
    EXPECT_FALSE(win::FileExists(kNew));

    // Held open by another program without sharing.
    ASSERT_TRUE(WriteFileText(kBat, content));
    HANDLE held = CreateFileA(kBat, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(head + "C:\\autoexec.bat is in use by another program." + tail, Answer("Error", RestoreMSCDEX));
    CloseHandle(held);
    EXPECT_EQ(content, Contents(kBat));
    EXPECT_FALSE(win::FileExists(kBackup));

    // A directory in the place of the new copy.
    ASSERT_TRUE(CreateDirectoryA(kNew, nullptr));
    EXPECT_EQ(tempHead + "Access to C:\\autoexec.new was denied." + tail, Answer("Error", RemoveMSCDEX, &icon));
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), icon);
    EXPECT_EQ(content, Contents(kBat));
    EXPECT_FALSE(win::FileExists(kBackup));
}

TEST_F(MscdexTest, FailedBackupOrCopyShowsTheErrorAndKeepsTheFile)
{
    const std::string content = "LH MSCDEX.EXE\r\n";
    ASSERT_TRUE(WriteFileText(kBat, content));

    ASSERT_TRUE(CreateDirectoryA(kBackup, nullptr));
    UINT icon = 0;
    EXPECT_EQ("Failed to backup AUTOEXEC.bat.  No changes were made.", Answer("Error", RemoveMSCDEX, &icon));
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), icon);
    EXPECT_EQ(content, Contents(kBat));
    EXPECT_TRUE(win::FileExists(kNew));    // left for the next edit to truncate
    RemoveAny(kBackup);

    // Readable, but nobody may write it while this handle is open.
    HANDLE held = CreateFileA(kBat, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ("Failed to copy C:\\AUTOEXEC.NEW to C:\\AUTOEXEC.BAT.  MSCDEX could not be removed.",
              Answer("Error", RemoveMSCDEX));
    EXPECT_EQ("Failed to copy C:\\AUTOEXEC.NEW to C:\\AUTOEXEC.BAT.  MSCDEX could not be restored.",
              Answer("Error", RestoreMSCDEX, &icon));
    CloseHandle(held);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), icon);
    EXPECT_EQ(content, Contents(kBat));
    EXPECT_EQ(content, Contents(kBackup));
}

} // namespace
