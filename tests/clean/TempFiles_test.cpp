// Temporary-file cleaner against real folders; the candidate places point at test folders.
#include "TestSupport.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/CleanRules.h"
#include "clean/TempFiles.h"
#include "win/Util.h"
#include <shlobj.h>
#include <algorithm>

using namespace qrtest;

namespace {

class TempFilesTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        dir_ = MakeTempFolder("qrtemp");
        second_ = MakeTempFolder("qrtemp2");
        candidates_ = {dir_ + "\\", dir_, second_, dir_ + "\\missing"};
        OverrideTempCandidatesForTest(&candidates_);
    }
    void TearDown() override
    {
        OverrideTempCandidatesForTest(nullptr);
        RemoveTree(dir_);
        RemoveTree(second_);
        ProductTest::TearDown();
    }
    std::string In(const std::string& name) const { return dir_ + "\\" + name; }
    void Put(const std::string& path, size_t size) { ASSERT_TRUE(WriteFileText(path, std::string(size, 'x'))); }

    std::string dir_, second_;
    std::vector<std::string> candidates_;
};

TEST_F(TempFilesTest, BothSettingsOffTouchesNothingButCreatesTheValues)
{
    Put(In("~WRL0001.TMP"), 10);
    Put(In("other.dat"), 10);
    DeleteTempFiles();
    EXPECT_TRUE(win::FileExists(In("~WRL0001.TMP")));
    EXPECT_TRUE(win::FileExists(In("other.dat")));
    EXPECT_EQ(0u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kDeleteSafeTempFiles));
    EXPECT_EQ(0u, GetDword(HKEY_LOCAL_MACHINE, kProductKey, kDeleteAllTempFiles));
    EXPECT_FALSE(LogHas("DeleteTempFiles"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kStateKey, "Counter - JunkFilesDeleted"));
}

TEST_F(TempFilesTest, SafeSettingDeletesOnlySafeNamesOnceAndCounts)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDeleteSafeTempFiles, 1);
    AddToCounter(kCounterJunkFiles, 5);
    AddToCounter(kCounterJunkBytes, 1000);
    Put(In("~WRL0001.TMP"), 100);
    Put(In("report.tmp"), 20);
    Put(In("TMPDATA"), 7);
    Put(In("A.TMP.BAK"), 7);
    Put(second_ + "\\~hidden", 3);
    SetFileAttributesA((second_ + "\\~hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(CreateDirectoryA(In("~sub.tmp").c_str(), nullptr));
    Put(In("~sub.tmp\\~inner.tmp"), 5);

    EXPECT_EQ(2u, GetTempDirectories().size());    // the duplicates and the missing one are gone
    TempFileCounts counts = CountTempFiles();
    EXPECT_EQ(3, counts.safeFiles);
    EXPECT_EQ(2, counts.otherFiles);

    DeleteTempFiles();
    EXPECT_TRUE(LogHas("DeleteTempFiles"));
    EXPECT_FALSE(win::FileExists(In("~WRL0001.TMP")));
    EXPECT_FALSE(win::FileExists(In("report.tmp")));
    EXPECT_FALSE(win::FileExists(second_ + "\\~hidden"));
    EXPECT_TRUE(win::FileExists(In("TMPDATA")));
    EXPECT_TRUE(win::FileExists(In("A.TMP.BAK")));
    EXPECT_TRUE(win::FileExists(In("~sub.tmp\\~inner.tmp")));
    EXPECT_EQ(5 + 3, GetCounter(kCounterJunkFiles));
    EXPECT_EQ(1000 + 123, GetCounter(kCounterJunkBytes));
}

TEST_F(TempFilesTest, AllSettingDeletesEveryFileOnceWithOrWithoutSafe)
{
    for (DWORD safe : {0u, 1u}) {
        ResetProductKey();
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDeleteAllTempFiles, 1);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDeleteSafeTempFiles, safe);
        Put(In("~a.tmp"), 1);
        Put(In("TMPDATA"), 2);
        Put(second_ + "\\notes.txt", 4);
        DeleteTempFiles();
        EXPECT_EQ(0, CountTempFiles().safeFiles + CountTempFiles().otherFiles) << safe;
        EXPECT_EQ(3, GetCounter(kCounterJunkFiles)) << safe;
        EXPECT_EQ(7, GetCounter(kCounterJunkBytes)) << safe;
    }
}

// Only deletions that succeed count; with none, the counters are not even created.
TEST_F(TempFilesTest, LockedFileIsLoggedLeftAndNotCounted)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDeleteAllTempFiles, 1);
    Put(In("~locked.tmp"), 50);
    HANDLE held = CreateFileA(In("~locked.tmp").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    DeleteTempFiles();
    CloseHandle(held);
    EXPECT_TRUE(win::FileExists(In("~locked.tmp")));
    EXPECT_TRUE(LogHas("DeleteTempFiles"));
    EXPECT_TRUE(LogHas("Failed to delete " + In("~locked.tmp")));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kStateKey, "Counter - JunkFilesDeleted"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kStateKey, "Counter - JunkFileBytesDeleted"));
}

TEST_F(TempFilesTest, SetIsByteWiseOrderedAndMergesSamePaths)
{
    std::set<std::string> set = TempDirectorySet({second_ + "\\", dir_, dir_ + "\\", "", dir_ + "\\missing"});
    std::vector<std::string> ordered(set.begin(), set.end());
    std::vector<std::string> expected{dir_, second_};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, ordered);
}

// The real candidates, with the temporary path taken from TMP as GetTempPathA does.
TEST_F(TempFilesTest, RealCandidatesInTheirOrder)
{
    OverrideTempCandidatesForTest(nullptr);
    char oldTmp[MAX_PATH] = "";
    DWORD hadTmp = GetEnvironmentVariableA("TMP", oldTmp, sizeof(oldTmp));
    SetEnvironmentVariableA("TMP", (dir_ + "\\").c_str());
    std::vector<std::string> candidates = TempDirectoryCandidates();
    std::set<std::string> set = GetTempDirectories();
    SetEnvironmentVariableA("TMP", hadTmp ? oldTmp : nullptr);

    ASSERT_EQ(4u, candidates.size());
    EXPECT_EQ(dir_ + "\\", candidates[0]);
    EXPECT_EQ("C:\\TEMP", candidates[1]);
    EXPECT_EQ(win::PathJoin(win::WindowsDirectory(), "TEMP"), candidates[2]);
    std::string appData;
    ASSERT_TRUE(win::SpecialFolder(CSIDL_APPDATA, appData));
    EXPECT_EQ(LocalSettingsTempFrom(appData), candidates[3]);
    EXPECT_EQ(1u, set.count(dir_));
    EXPECT_EQ(win::FileExists("C:\\TEMP") ? 1u : 0u, set.count("C:\\TEMP"));
}

} // namespace
