// The cleaners' pure rules: names, ages, URL selection and the AUTOEXEC.BAT line edits.
#include <gtest/gtest.h>
#include "clean/CleanRules.h"

namespace {

constexpr int64_t kHour = 36000000000LL;    // in 100 ns units
constexpr int64_t kDay = 24 * kHour;

TEST(CleanRulesTest, SafeTempNames)
{
    struct Case { const char* name; bool safe; } cases[] = {
        {"~WRL0001.TMP", true}, {"report.tmp", true}, {"~", true}, {"~data", true}, {"x.TmP", true},
        {".tmp", true}, {"TMPDATA", false}, {"A.TMP.BAK", false}, {"a.tmpx", false}, {"tmp", false},
        {"file.txt", false}, {"", false}, {"a~.tmp.", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.safe, IsSafeTempName(c.name)) << c.name;
}

TEST(CleanRulesTest, TempCandidatePaths)
{
    EXPECT_EQ("C:\\WINDOWS\\TEMP", WithoutTrailingBackslash("C:\\WINDOWS\\TEMP\\"));
    EXPECT_EQ("C:\\WINDOWS\\TEMP", WithoutTrailingBackslash("C:\\WINDOWS\\TEMP"));
    EXPECT_EQ("", WithoutTrailingBackslash(""));
    EXPECT_EQ("C:\\Documents and Settings\\ann\\Local Settings\\Temp",
              LocalSettingsTempFrom("C:\\Documents and Settings\\ann\\Application Data"));
    EXPECT_EQ("C:\\WINDOWS\\Local Settings\\Temp", LocalSettingsTempFrom("C:\\WINDOWS\\Application Data\\x"));
    EXPECT_EQ("C:\\TEMP", LocalSettingsTempFrom("C:\\users\\ann\\AppData\\Roaming"));
    EXPECT_EQ("C:\\TEMP", LocalSettingsTempFrom("C:\\x\\application data"));    // case-sensitive
}

TEST(CleanRulesTest, FragmentNames)
{
    struct Case { const char* name; bool dir; bool file; } cases[] = {
        {"FOUND.000", true, false},   {"FOUND.123", true, false},    {"FOUNDX999", true, false},
        {"found.000", false, false},  {"FOUND.ABC", false, false},   {"FOUND.0000", false, false},
        {"FOUND.00", false, false},   {"FILE0000.CHK", false, true}, {"FILE9999.CHK", false, true},
        {"file0001.chk", false, false}, {"FILEABCD.CHK", false, false}, {"FILE00001.CHK", false, false},
        {"FILE0001.CHX", false, false}, {"FILE0001CHKX", false, false}, {"XFILE001.CHK", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.dir, IsFragmentDirName(c.name)) << c.name;
        EXPECT_EQ(c.file, IsFragmentFileName(c.name)) << c.name;
    }
}

TEST(CleanRulesTest, FragmentAgeInWholeDays)
{
    const int64_t now = 133000000000000000LL;
    struct Case { int64_t age; int64_t days; bool old; } cases[] = {
        {61 * kDay, 61, true},
        {60 * kDay + 23 * kHour, 60, false},
        {61 * kDay - 1, 60, false},
        {400 * kDay, 400, true},
        {0, 0, false},
        {-kDay - 1, -1, false},    // written in the future
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.days, FragmentAgeDays(now, now - c.age)) << c.age;
        EXPECT_EQ(c.old, IsOldFragment(FragmentAgeDays(now, now - c.age))) << c.age;
    }
}

TEST(CleanRulesTest, UrlSelectionAndExclusion)
{
    EXPECT_TRUE(IsUrlSelected("http://a/", "*"));
    EXPECT_TRUE(IsUrlSelected("Cookie:ann@a.com/", "cookie:"));
    EXPECT_TRUE(IsUrlSelected("COOKIE:ann@a.com/", "cookie:"));
    EXPECT_FALSE(IsUrlSelected("Visited: ann@http://a/", "cookie:"));
    EXPECT_FALSE(IsUrlSelected("Cook", "cookie:"));
    EXPECT_FALSE(IsUrlSelected("", "cookie:"));

    EXPECT_TRUE(IsUrlExcluded("Cookie:ann@www.quillrest.com/", "HOLLOWMERE", "QUILLREST"));
    EXPECT_TRUE(IsUrlExcluded("Cookie:ann@HollowMere.net/", "HOLLOWMERE", "QUILLREST"));
    EXPECT_FALSE(IsUrlExcluded("Cookie:ann@example.com/", "HOLLOWMERE", "QUILLREST"));
    EXPECT_FALSE(IsUrlExcluded("Cookie:ann@quillrest.com/", nullptr, nullptr));
    EXPECT_TRUE(IsUrlExcluded("visited: ann@http://a/", "cookie:", "visited:"));
    EXPECT_TRUE(IsUrlExcluded("http://a/?x=cookie:", "cookie:", "visited:"));    // anywhere in the URL
    EXPECT_FALSE(IsUrlExcluded("http://a/", "cookie:", "visited:"));
}

TEST(CleanRulesTest, ActiveMscdexLines)
{
    struct Case { const char* line; bool active; } cases[] = {
        {"LH C:\\DOS\\MSCDEX.EXE /D:MSCD001", true},
        {"c:\\windows\\command\\mscdex.exe", true},
        {"rem mscdex.exe", false},
        {"REM MSCDEX", false},
        {"  REM MSCDEX", true},
        {"REMMSCDEX", true},
        {"@ECHO OFF", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.active, IsActiveMscdexLine(c.line)) << c.line;
    EXPECT_FALSE(HasActiveMscdexLine({"rem mscdex.exe", "PATH C:\\DOS"}));
    EXPECT_TRUE(HasActiveMscdexLine({"rem x", "MSCDEX"}));
}

TEST(CleanRulesTest, CommentOutAndRestoreRoundTrip)
{
    std::vector<std::string> original{"@ECHO OFF", "LH C:\\DOS\\MSCDEX.EXE /D:MSCD001", "rem mscdex.exe",
                                      "  REM MSCDEX", "PATH C:\\DOS"};
    std::vector<std::string> removed = CommentOutMscdex(original);
    std::vector<std::string> expected{"@ECHO OFF",
                                      kMscdexBelowMarker,
                                      "REM LH C:\\DOS\\MSCDEX.EXE /D:MSCD001",
                                      kMscdexAboveMarker,
                                      "rem mscdex.exe",
                                      kMscdexBelowMarker,
                                      "REM   REM MSCDEX",
                                      kMscdexAboveMarker,
                                      "PATH C:\\DOS"};
    EXPECT_EQ(expected, removed);
    EXPECT_EQ(74u, std::string(kMscdexBelowMarker).size());
    EXPECT_EQ(74u, std::string(kMscdexAboveMarker).size());
    EXPECT_EQ(removed, CommentOutMscdex(removed));    // a second run finds nothing active
    EXPECT_EQ(original, RestoreMscdex(removed));
}

TEST(CleanRulesTest, RestoreKeepsEditedInnerLinesAndLinesOutsideBlocks)
{
    std::vector<std::string> edited{"REM outside stays", kMscdexBelowMarker, "LH MSCDEX.EXE /V", "rem second inner",
                                    kMscdexAboveMarker, std::string("x ") + kMscdexAboveMarker, "REM after"};
    std::vector<std::string> expected{"REM outside stays", "LH MSCDEX.EXE /V", "second inner", "REM after"};
    EXPECT_EQ(expected, RestoreMscdex(edited));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), RestoreMscdex({"a", "b"}));
}

TEST(CleanRulesTest, TextModeLines)
{
    struct Case { std::string contents; std::vector<std::string> lines; } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\rb\r\n", {"a\rb"}},
        {"a\r\nb\x1A" "garbage\r\n", {"a", "b"}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.lines, SplitTextLines(c.contents)) << c.contents;
    EXPECT_EQ("a\r\n\r\nb\r\n", JoinTextLines({"a", "", "b"}));
    EXPECT_EQ("", JoinTextLines({}));
}

} // namespace
