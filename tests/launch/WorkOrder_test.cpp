// Pure rules of the work queue, the restore batch text and the boot window.
#include "TestSupport.h"
#include "launch/BootRules.h"
#include "launch/Redirect.h"
#include "launch/WorkOrder.h"
#include "win/Text.h"

namespace {

std::vector<WorkItem> Items(const std::vector<std::string>& names)
{
    std::vector<WorkItem> items;
    for (const std::string& name : names) {
        WorkItem item;
        item.Name = name;
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> Names(const std::vector<WorkItem>& items)
{
    std::vector<std::string> names;
    for (const WorkItem& item : items)
        names.push_back(item.Name);
    return names;
}

using Names_t = std::vector<std::string>;

// One case of a name-list rule: the stored list, the queue's names before and after.
struct NameListCase {
    const char* label;
    std::string list;
    Names_t input;
    Names_t expected;
};

TEST(WorkOrder, SortsByFirstOccurrenceThenName)
{
    const NameListCase cases[] = {
        {"empty order keeps collection order", "", {"z", "a", "m"}, {"z", "a", "m"}},
        {"unnamed items first", "b\1a\1", {"a", "b", "c"}, {"c", "b", "a"}},
        {"case-insensitive lookup", "foo\1Bar\1", {"BAR", "Foo"}, {"Foo", "BAR"}},
        {"substring takes first occurrence", "NetMeeting\1Net\1Zip\1", {"Zip", "NetMeeting", "Net"},
         {"Net", "NetMeeting", "Zip"}},
        {"absent names by lower-cased name", "x\1", {"beta", "Alpha", "x", "gamma"}, {"Alpha", "beta", "gamma", "x"}},
        {"empty name found at the start", "a\1b\1", {"b", "", "a"}, {"", "a", "b"}},
    };
    for (const NameListCase& c : cases) {
        std::vector<WorkItem> queue = Items(c.input);
        SortWorkQueue(queue, c.list);
        EXPECT_EQ(c.expected, Names(queue)) << c.label;
    }
}

TEST(WorkOrder, IgnoreListMatchesWholeNamesOnly)
{
    const NameListCase cases[] = {
        {"nothing ignored", "", {"Foo", ""}, {"Foo", ""}},
        {"prefix of a listed name stays", "FooBar\1", {"Foo", "FooBar", "oo"}, {"Foo", "oo"}},
        {"case-sensitive", "foo\1", {"Foo", "foo"}, {"Foo"}},
        {"unnamed value launched", "A\1B\1", {"", "A", "C"}, {"", "C"}},
        {"empty entry ignores the unnamed value", "A\1\1", {"", "A", "C"}, {"C"}},
        {"last name without separator", "A\1B", {"A", "B", "C"}, {"C"}},
        {"order kept", "m\1", {"z", "m", "a", "m"}, {"z", "a"}},
    };
    for (const NameListCase& c : cases) {
        std::vector<WorkItem> queue = Items(c.input);
        RemoveIgnoredItems(queue, c.list);
        EXPECT_EQ(c.expected, Names(queue)) << c.label;
    }
}

TEST(WorkOrder, LinkDisplayNameAndQuoting)
{
    EXPECT_EQ("My Tool", LinkDisplayName("C:\\Start Menu\\Startup\\My Tool.lnk.Quillrest"));
    EXPECT_EQ("My Tool", LinkDisplayName("C:\\Startup\\My Tool.LNK.QUILLREST"));
    EXPECT_EQ("Odd.txt", LinkDisplayName("C:\\x\\Odd.txt"));
    EXPECT_EQ("Tool.lnk.Quillrest", LinkDisplayName("Tool.lnk.Quillrest"));
    // Lower-casing "Ⱥ" lengthens it; the name is still cut from the path itself.
    EXPECT_EQ("\xC8\xBAtlas \xE6\x97\xA5", LinkDisplayName("C:\\S\\\xC8\xBAtlas \xE6\x97\xA5.LNK.Quillrest"));
    EXPECT_EQ("\"C:\\Program Files\\a.exe\"", QuoteSpaces("C:\\Program Files\\a.exe"));
    EXPECT_EQ("C:\\PROGRA~1\\a.exe", QuoteSpaces("C:\\PROGRA~1\\a.exe"));
}

TEST(RestoreBatchText, HeaderPairAndDuplicates)
{
    // Line by line: the header, then one line per shortcut that renames the
    // parked file back only where no newer shortcut stands.
    const std::vector<std::string> lines = {
        "REM This file exists just in case you find that you're having problems after Quillrest has been",
        "REM removed from your system.  Simply run this file to restore all shortcuts that were altered.",
        "if not exist \"C:\\S\\My A.lnk\" ren \"C:\\S\\My A.lnk.Quillrest\" \"My A.lnk\""};
    const std::string text = RestoreBatchAddition("", "C:\\S\\My A.lnk", "C:\\S\\My A.lnk.Quillrest");
    EXPECT_EQ(lines, win::SplitLines(text));
    EXPECT_EQ(RestoreBatchHeader() + RestoreBatchPair("C:\\S\\My A.lnk", "C:\\S\\My A.lnk.Quillrest"), text);
    EXPECT_EQ("", RestoreBatchAddition(text, "c:\\s\\my a.LNK", "C:\\S\\my a.lnk.quillrest"));
    EXPECT_EQ(RestoreBatchPair("C:\\S\\B.lnk", "C:\\S\\B.lnk.Quillrest"),
              RestoreBatchAddition(text, "C:\\S\\B.lnk", "C:\\S\\B.lnk.Quillrest"));

    // An earlier version's pairs, one between "chcp" lines, take today's form; other lines stay.
    const std::string earlier = "REM x\r\ncopy \"C:\\S\\A.lnk.Quillrest\" \"C:\\S\\A.lnk\"\r\ndel \"C:\\S\\A.lnk.Quillrest\"\r\n"
                                "chcp 65001 >nul\r\ncopy \"C:\\S\\\xCE\xA9.lnk.Quillrest\" \"C:\\S\\\xCE\xA9.lnk\"\r\n"
                                "del \"C:\\S\\\xCE\xA9.lnk.Quillrest\"\r\nchcp 437 >nul\r\n"
                                "copy \"C:\\x\" \"C:\\y\"\r\ndel \"C:\\z\"\r\n";
    EXPECT_EQ(std::vector<std::string>({
                  "REM x",
                  "if not exist \"C:\\S\\A.lnk\" ren \"C:\\S\\A.lnk.Quillrest\" \"A.lnk\"",
                  "chcp 65001 >nul",
                  "if not exist \"C:\\S\\\xCE\xA9.lnk\" ren \"C:\\S\\\xCE\xA9.lnk.Quillrest\" \"\xCE\xA9.lnk\"",
                  "chcp 437 >nul",
                  "copy \"C:\\x\" \"C:\\y\"",
                  "del \"C:\\z\"",
              }),
              win::SplitLines(UpgradeRestoreBatch(earlier, 437)));
}

TEST(RestoreBatchText, InTheCodePageCmdReadsItWith)
{
    const struct {
        std::string text;
        UINT codePage;
        UINT oem;
        std::string written;
    } cases[] = {
        {"copy \"C:\\a\"", CP_UTF8, 437, "copy \"C:\\a\""},
        {"C:\\Caf\xC3\xA9\\\xCE\xA9", CP_UTF8, 437, "C:\\Caf\x82\\\xEA"},        // "Café\\Ω" in OEM 437
        {"C:\\Caf\xE9", 1252, 850, "C:\\Caf\x82"},
        {"C:\\\xC5\x81\r\n", CP_UTF8, 437, "chcp 65001 >nul\r\nC:\\\xC5\x81\r\nchcp 437 >nul\r\n"},  // "Ł"
        {"C:\\\x80\r\n", 1252, 850, "chcp 1252 >nul\r\nC:\\\x80\r\nchcp 850 >nul\r\n"},        // "€"
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.written, BatchEncoding(c.text, c.codePage, c.oem)) << c.text;
}

TEST(BootRules, LaunchDelayProgressAndGeometry)
{
    const struct { DWORD stored; short delay; } delays[] = {{0, 8}, {1, 1}, {8, 8}, {60, 60}, {61, 60}, {0xFFFFFFFF, 60}};
    for (const auto& d : delays)
        EXPECT_EQ(d.delay, LaunchDelayFromSetting(d.stored)) << d.stored;
    EXPECT_EQ(8, ProgressUpperBound(0, 8));     // empty queue: one delay
    EXPECT_EQ(24, ProgressUpperBound(2, 8));
    EXPECT_EQ(0xFFFF, ProgressUpperBound(5000, 60));
    EXPECT_EQ(480, CentredLeft(1280, 320));
    EXPECT_EQ(479, CentredLeft(1280, 321));     // rounded toward zero
    EXPECT_EQ(20 + 93 - 1, CutWindowHeight(20, 93, 1));
    EXPECT_EQ(30 + 140 - 2, CutWindowHeight(30, 140, 2));    // 144 DPI: one pixel is two
}

} // namespace
