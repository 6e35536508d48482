// Check-disk fragment cleaner on the real drive C: of the test prefix.
#include "TestSupport.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/CheckFiles.h"
#include "win/Util.h"

using namespace qrtest;

namespace {

constexpr long long kHour = 36000000000LL;    // in 100 ns units
constexpr long long kDay = 24 * kHour;

class CheckFilesTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        CleanUp();
    }
    void TearDown() override
    {
        CleanUp();
        ProductTest::TearDown();
    }
    void CleanUp()
    {
        for (const char* dir : {"C:\\FOUND.000", "C:\\FOUND.ABC", "C:\\FOUND.0000", "C:\\found.002", "C:\\QRCHKTEST"})
            RemoveTree(dir);
        for (const char* file : {"C:\\FILE0001.CHK", "C:\\FILE0002.CHK", "C:\\FILE0003.CHK", "C:\\FILE0011.CHK",
                                 "C:\\file0009.chk", "C:\\FILEABCD.CHK", "C:\\FILE00001.CHK"}) {
            SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(file);
        }
    }
    // A fragment of `size` bytes last written `age` (100 ns units) ago.
    static void Put(const std::string& path, size_t size, long long age)
    {
        ASSERT_TRUE(WriteFileText(path, std::string(size, 'c'))) << path;
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t;
        t.LowPart = now.dwLowDateTime;
        t.HighPart = now.dwHighDateTime;
        t.QuadPart -= age;
        FILETIME written{t.LowPart, t.HighPart};
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
        CloseHandle(file);
    }
};

TEST_F(CheckFilesTest, SwitchedOffDoesNothing)
{
    Put("C:\\FILE0001.CHK", 10, 100 * kDay);
    DeleteCheckFiles();
    EXPECT_TRUE(win::FileExists("C:\\FILE0001.CHK"));
    EXPECT_FALSE(LogHas("DeleteCheckFiles"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProductKey, kDelFileChk));
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelFileChk, 0);
    DeleteCheckFiles();
    EXPECT_TRUE(win::FileExists("C:\\FILE0001.CHK"));
    EXPECT_FALSE(LogHas("DeleteCheckFiles"));
}

TEST_F(CheckFilesTest, DeletesOldFragmentsInRootAndNestedFoundDirectories)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelFileChk, 1);
    AddToCounter(kCounterJunkFiles, 2);
    for (const char* dir : {"C:\\FOUND.000", "C:\\FOUND.000\\FOUND.001", "C:\\FOUND.ABC", "C:\\FOUND.0000",
                            "C:\\found.002", "C:\\QRCHKTEST"})
        ASSERT_TRUE(CreateDirectoryA(dir, nullptr)) << dir;
    struct Fragment { const char* path; size_t size; long long age; bool deleted; } fragments[] = {
        {"C:\\FILE0001.CHK", 100, 61 * kDay, true},
        {"C:\\FILE0002.CHK", 7, 60 * kDay + 23 * kHour, false},
        {"C:\\FILE0003.CHK", 7, -2 * kDay, false},
        {"C:\\FOUND.000\\FILE0004.CHK", 20, 90 * kDay, true},
        {"C:\\FOUND.000\\FOUND.001\\FILE0005.CHK", 3, 400 * kDay, true},
        {"C:\\FOUND.ABC\\FILE0006.CHK", 7, 90 * kDay, false},
        {"C:\\FOUND.0000\\FILE0007.CHK", 7, 90 * kDay, false},
        {"C:\\QRCHKTEST\\FILE0008.CHK", 7, 90 * kDay, false},
        {"C:\\file0009.chk", 7, 90 * kDay, false},
        {"C:\\found.002\\FILE0010.CHK", 7, 90 * kDay, false},
        {"C:\\FILEABCD.CHK", 7, 90 * kDay, false},
        {"C:\\FILE00001.CHK", 7, 90 * kDay, false},
    };
    for (const Fragment& f : fragments)
        Put(f.path, f.size, f.age);

    DeleteCheckFiles();
    EXPECT_TRUE(LogHas("DeleteCheckFiles"));
    for (const Fragment& f : fragments)
        EXPECT_EQ(!f.deleted, win::FileExists(f.path)) << f.path;
    EXPECT_EQ(2 + 3, GetCounter(kCounterJunkFiles));
    EXPECT_EQ(123, GetCounter(kCounterJunkBytes));
}

TEST_F(CheckFilesTest, FragmentThatResistsIsLoggedAndNotCounted)
{
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelFileChk, 1);
    Put("C:\\FILE0011.CHK", 30, 70 * kDay);
    SetFileAttributesA("C:\\FILE0011.CHK", FILE_ATTRIBUTE_READONLY);
    DeleteCheckFiles();
    EXPECT_TRUE(win::FileExists("C:\\FILE0011.CHK"));
    EXPECT_TRUE(LogHas("Failed to delete C:\\FILE0011.CHK"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kStateKey, "Counter - JunkFilesDeleted"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kStateKey, "Counter - JunkFileBytesDeleted"));
}

} // namespace
