// The version file's lines turned into actions, and the texts around them (no network, no registry).
#include "update/VersionFile.h"
#include <gtest/gtest.h>

namespace {

// One action as "kind name=value" for compact expectations.
std::string Describe(const VersionAction& action)
{
    const std::string line = "[" + action.name + "]=[" + action.value + "]";
    switch (action.kind) {
    case VersionActionKind::NewVersion:
        return "new " + line;
    case VersionActionKind::WriteDword:
        return "dword " + action.setting + "=" + std::to_string(action.number);
    case VersionActionKind::WriteString:
        return "string " + action.setting + "=" + action.text;
    case VersionActionKind::Ignore:
        break;
    }
    return "ignore " + line;
}

struct FileCase {
    const char* text;
    std::vector<std::string> expected;
};

TEST(VersionFileTest, LinesBecomeActionsInFileOrder)
{
    const FileCase cases[] = {
        {"Version:1.3.2", {"ignore [Version]=[1.3.2]"}},
        {"Version:1.3.1\n", {"new [Version]=[1.3.1]"}},
        {"\tVersion :\t 1.4.0 \r\n", {"new [Version]=[1.4.0]"}},
        {"version:1.4.0", {"new [version]=[1.4.0]"}},
        {"VERSION: 1.3.2\r", {"ignore [VERSION]=[1.3.2]"}},
        {"Version:1.3.2-RC\n", {"new [Version]=[1.3.2-RC]"}},
        {"Reg:DelaySeconds|10", {"dword DelaySeconds=10"}},
        {" reg : Name|010 ", {"string Name=010"}},
        {"Reg:Name|-1", {"string Name=-1"}},
        {"Reg:Name|+1", {"string Name=+1"}},
        {"Reg:Name|0", {"dword Name=0"}},
        {"Reg:Name|4294967295", {"dword Name=4294967295"}},
        {"Reg:Name|4294967296", {"string Name=4294967296"}},
        {"Reg:Name|", {"string Name="}},
        {"Reg:Name| 10", {"string Name= 10"}},
        {"Reg:MAIN_LINK|http://host:8080/a|b", {"string MAIN_LINK=http://host:8080/a|b"}},
        {"Reg:NoBar", {"ignore [Reg]=[NoBar]"}},
        {"no colon\n\n\r\n:\nOther:x:y\n", {"ignore []=[]", "ignore [Other]=[x:y]"}},
        {"Reg:A|1\r\nVersion:2.0.0\r\nReg:B|text\r\n", {"dword A=1", "new [Version]=[2.0.0]", "string B=text"}},
        {"", {}},
    };
    for (const FileCase& c : cases) {
        std::vector<std::string> got;
        for (const VersionAction& action : ParseVersionFile(c.text, "1.3.2"))
            got.push_back(Describe(action));
        EXPECT_EQ(c.expected, got) << c.text;
    }
    // Every action carries its line's trimmed name and value for the log.
    const std::vector<VersionAction> reg = ParseVersionFile("\t Reg : DelaySeconds|10 \r\n", "1.3.2");
    ASSERT_EQ(1u, reg.size());
    EXPECT_EQ("Reg", reg[0].name);
    EXPECT_EQ("DelaySeconds|10", reg[0].value);
}

TEST(VersionFileTest, MessageAndVersionTexts)
{
    // A message from the network is never a format: only "%%" changes.
    EXPECT_EQ("50% off", ExpandDoubledPercents("50%% off"));
    EXPECT_EQ("%s %n %d %", ExpandDoubledPercents("%s %n %d %"));
    EXPECT_EQ("%%", ExpandDoubledPercents("%%%"));
    EXPECT_EQ("%%", ExpandDoubledPercents("%%%%"));
    EXPECT_EQ("", ExpandDoubledPercents(""));
    EXPECT_EQ("There is a newer version of Quillrest available at http://x/.  Downloading and installing the new "
              "version will automatically upgrade your existing installation without changing any of your "
              "settings.\r\n\r\nWould you like to open a browser to the Quillrest site?",
              BuiltInNewVersionMessage("http://x/"));
    EXPECT_EQ("1.3.2", OwnVersionText(0x00010003, 0x00020000));
    EXPECT_EQ("65535.0.7", OwnVersionText(0xFFFF0000, 0x0007FFFF));
}

} // namespace
