// WININIT.INI [rename] insertion.
#include "install/WinInit.h"
#include <gtest/gtest.h>

namespace {

struct InsertCase {
    const char* name;
    std::string before;
    std::string after;
};

TEST(WinInit, InsertsEntryIntoRenameSection)
{
    const std::string entry = "NUL=C:\\WINDOWS\\SYSTEM\\QUILLR~1.EXE\r\n";
    const InsertCase cases[] = {
        {"empty file gains the section at its end", "", "\r\n\r\n[rename]\r\n" + entry},
        {"file without the section", "[other]\r\na=b\r\n",
         "[other]\r\na=b\r\n\r\n\r\n[rename]\r\n" + entry},
        {"section followed by a blank line: after its last line", "[rename]\r\nNUL=X\r\n\r\n[next]\r\nk=v\r\n",
         "[rename]\r\nNUL=X\r\n" + entry + "\r\n[next]\r\nk=v\r\n"},
        {"section at the end without blank line: at the end", "[x]\r\n\r\n[rename]\r\nNUL=X\r\n",
         "[x]\r\n\r\n[rename]\r\nNUL=X\r\n" + entry},
        {"upper-case section name is not found", "[RENAME]\r\nNUL=X\r\n",
         "[RENAME]\r\nNUL=X\r\n\r\n\r\n[rename]\r\n" + entry},
    };
    for (const InsertCase& c : cases)
        EXPECT_EQ(c.after, InsertWinInitEntry(c.before, entry)) << c.name;
}

TEST(WinInit, TwoDeletionsStackInOneSection)
{
    std::string text = InsertWinInitEntry("", WinInitEntry("NUL", "C:\\A.CPL"));
    // The file ends in a NUL byte; reading it back stops there.
    std::string file = text + std::string(1, '\0');
    text = InsertWinInitEntry(WinInitText(file), WinInitEntry("NUL", "C:\\B.EXE"));
    EXPECT_EQ("C:\\NEW.TXT=C:\\OLD.TXT\r\n", WinInitEntry("C:\\NEW.TXT", "C:\\OLD.TXT"));
    EXPECT_EQ("\r\n\r\n[rename]\r\nNUL=C:\\A.CPL\r\nNUL=C:\\B.EXE\r\n", text);
}

} // namespace
