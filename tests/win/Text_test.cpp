// Multi-byte text: cuts between characters, backslashes that are characters, case mapping that changes the length.
#include "TestSupport.h"
#include "win/Text.h"
#include "win/Util.h"

TEST(Text, CutsAndSeparatorsFollowCharacters)
{
    const struct {
        UINT codePage;
        std::string text;
        size_t max, cut;
    } cuts[] = {{CP_UTF8, "a\xCE\xA9z", 2, 1},  {CP_UTF8, "a\xCE\xA9z", 3, 3},           // "aΩz"
                {CP_UTF8, "\xE6\x97\xA5\xE6\x9C\xAC", 5, 3},                             // "日本"
                {932, "a\x93\xFA\x96\x7B", 2, 1}, {932, "\x95\x5C" "b", 1, 0}, {1252, "caf\xE9", 4, 4}};
    for (const auto& c : cuts)
        EXPECT_EQ(c.cut, win::CharBoundary(c.text, c.max, c.codePage)) << c.codePage << " " << c.max;
    // "C:\表x" in Shift-JIS: the second byte of 表 is 0x5C, yet no separator; nor is 0x41 of "ア" a letter.
    EXPECT_EQ(2u, win::LastBackslash("C:\\\x95\x5C" "x", 932));
    EXPECT_EQ(4u, win::LastBackslash("C:\\\x95\x5C" "x", 1252));
    EXPECT_EQ("\x83\x41" "B", win::AsciiUpper("\x83\x41" "b", 932));
}

TEST(Text, CaseMappingMayChangeTheLengthInUtf8)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "the tests carry the program's manifest";
    EXPECT_EQ("\xC5\x82\xC3\xB3" "d\xC5\xBA \xCF\x89", win::ToLower("\xC5\x81\xC3\x93" "D\xC5\xB9 \xCE\xA9"));  // ŁÓDŹ Ω
    EXPECT_EQ("\xE2\xB1\xA5", win::ToLower("\xC8\xBA"));    // "Ⱥ", two bytes, to "ⱥ", three
    EXPECT_EQ("\xC8\xBA", win::ToUpper("\xE2\xB1\xA5"));
    // The session's code pages for programs without the manifest, and for cmd.exe.
    EXPECT_EQ(1252u, win::SystemAnsiCodePage());
    EXPECT_EQ(437u, win::SystemOemCodePage());
}
