// Multi-byte text: cuts between characters, backslashes that are characters, case mapping whose length changes.
#include "TestSupport.h"
#include "win/Text.h"
#include "win/Util.h"

namespace {

TEST(Text, CutsOnlyBetweenCharacters)
{
    const struct {
        UINT codePage;
        std::string text;
        size_t max;
        size_t cut;
    } cases[] = {
        {CP_UTF8, "a\xCE\xA9z", 2, 1},               // "aΩz": not inside Ω
        {CP_UTF8, "a\xCE\xA9z", 3, 3},
        {CP_UTF8, "\xE6\x97\xA5\xE6\x9C\xAC", 5, 3},  // "日本"
        {CP_UTF8, "abc", 10, 3},
        {932, "a\x93\xFA\x96\x7B", 2, 1},            // "a日本" in Shift-JIS
        {932, "a\x93\xFA\x96\x7B", 4, 3},
        {932, "\x95\x5C" "b", 2, 2},                 // "表b": a trail byte of 0x5C
        {1252, "caf\xE9s", 4, 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.cut, win::CharBoundary(c.text, c.max, c.codePage)) << c.codePage << " " << c.max;
}

TEST(Text, BackslashesAndLettersOfDoubleByteText)
{
    // "C:\表x": the 0x5C inside 表 is no separator.
    const std::string sjis = "C:\\\x95\x5C" "x";
    EXPECT_EQ(2u, win::LastBackslash(sjis, 932));
    EXPECT_EQ(4u, win::LastBackslash(sjis, 1252));
    EXPECT_EQ(std::string::npos, win::LastBackslash(sjis, 932, 2));
    EXPECT_EQ(std::string::npos, win::LastBackslash("name", CP_UTF8));
    // "ア" is 0x83 0x41: its second byte is no letter a.
    EXPECT_EQ("\x83\x41" "B\\C", win::AsciiUpper("\x83\x41" "b\\c", 932));
    EXPECT_EQ("\xCE\xA9MEGA", win::AsciiUpper("\xCE\xA9mega", CP_UTF8));
    EXPECT_TRUE(win::EndsWithAsciiNoCase("\xCE\xA9.LNK.quillrest", ".lnk.Quillrest"));
    EXPECT_EQ(2u, win::FindAsciiNoCase("\xCE\xA9.LNK.x", ".lnk"));
}

TEST(Text, CaseMappingMayChangeTheLengthInUtf8)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "the tests carry the program's manifest";
    EXPECT_EQ("\xC5\x82\xC3\xB3" "d\xC5\xBA \xCF\x89mega", win::ToLower("\xC5\x81\xC3\x93" "D\xC5\xB9 \xCE\xA9MEGA"));
    EXPECT_EQ("\xE2\xB1\xA5", win::ToLower("\xC8\xBA"));      // "Ⱥ", two bytes, to "ⱥ", three
    EXPECT_EQ("\xC8\xBA", win::ToUpper("\xE2\xB1\xA5"));
    const std::wstring wide = L"\x0141\xF3" L"d\x017A";      // "Łódź"
    EXPECT_EQ(wide, win::Widen(win::Narrow(wide, CP_UTF8), CP_UTF8));
    EXPECT_EQ("L\xF3" "dz", win::Narrow(wide, 1252));          // the best-fit copy the A calls hand out
    // A program without the manifest, and cmd.exe, have the session's code pages.
    EXPECT_EQ(1252u, win::SystemAnsiCodePage());
    EXPECT_EQ(437u, win::SystemOemCodePage());
}

} // namespace
