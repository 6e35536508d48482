// Start-up entries named outside code page 1252 through install, a boot and uninstall with the
// shipped program: with the manifest's UTF-8 code page, and as a copy without it (as Windows before
// 10 version 1903 runs it), which leaves such entries for Windows to start.
#include "install/InstallFixture.h"
#include "launch/LaunchFixture.h"
#include "res/resource.h"
#include "ui/SheetFixture.h"
#include "win/Text.h"
#include <functional>
#include <map>
#include <set>

using namespace qrtest;

namespace {

std::string Utf8(const std::wstring& text) { return win::Narrow(text, CP_UTF8); }
std::wstring Wide(const std::string& utf8) { return win::Widen(utf8, CP_UTF8); }
// What a program without the manifest reads of `utf8`: bytes in the session's code page 1252, and those as UTF-8.
std::string LegacyBytes(const std::string& utf8) { return win::Narrow(Wide(utf8), 1252); }
std::string LegacyText(const std::string& utf8) { return Utf8(win::Widen(LegacyBytes(utf8), 1252)); }

struct Place {
    const char* label;
    HKEY root;      // a Run key, or none for a Startup folder
    REGSAM view;
    int csidl;
};
const Place kPlaces[] = {{"HKCU|", HKEY_CURRENT_USER, 0, 0},
                         {"HKLM64|", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, 0},
                         {"HKLM32|", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, 0},
                         {"", nullptr, 0, CSIDL_STARTUP},
                         {"", nullptr, 0, CSIDL_COMMON_STARTUP}};

// Every value of `path` in each registry place (label|name -> type:data) and, for the
// Run key, every Startup-folder file (path -> size and digest), read through the W calls.
std::map<std::string, std::string> Snapshot(const std::string& path)
{
    std::map<std::string, std::string> found;
    for (const Place& place : kPlaces) {
        HKEY key = nullptr;
        if (place.root && RegOpenKeyExW(place.root, Wide(path).c_str(), 0, KEY_READ | place.view, &key) == 0) {
            std::vector<wchar_t> name(16384);
            std::vector<BYTE> data(65536);
            DWORD nameSize = 16384, dataSize = 65536, type = 0;
            for (DWORD i = 0; RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) == 0;
                 ++i, nameSize = 16384, dataSize = 65536)
                found[place.label + Utf8(std::wstring(name.data(), nameSize))] =
                    std::to_string(type) + ":" + std::string(data.begin(), data.begin() + dataSize);
            RegCloseKey(key);
        }
        wchar_t folder[MAX_PATH] = L"";
        WIN32_FIND_DATAW file;
        HANDLE find = place.csidl && path == kRunKey && SHGetSpecialFolderPathW(nullptr, folder, place.csidl, FALSE)
                          ? FindFirstFileW((std::wstring(folder) + L"\\*.*").c_str(), &file)
                          : INVALID_HANDLE_VALUE;
        for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &file)) {
            const std::string full = Utf8(std::wstring(folder) + L"\\" + file.cFileName), contents = FileContents(full);
            if (!(file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                found[full] = std::to_string(contents.size()) + " " + std::to_string(std::hash<std::string>()(contents));
        }
        if (find != INVALID_HANDLE_VALUE)
            FindClose(find);
    }
    return found;
}

const std::string kApprovedRun = std::string(kStartupApprovedKey) + "\\Run";

struct Entry {
    const char* tag;     // what the probe reports when it starts
    const Place& place;
    std::string name;    // value name, or shortcut file name without ".lnk"
    bool oddExe;         // started through the probe's copy in a folder named outside code page 1252
    std::string extra;   // more arguments
};

// The installer runs from the output folder, as from a downloads folder.
class CharactersTest : public BootFixture, public ::testing::WithParamInterface<bool> {
protected:
    CharactersTest() : BootFixture("qrchars", "starts.txt", 100) {}
    void SetUp() override
    {
        EndInstalledInstances();
        RemoveInstallation();
        BootFixture::SetUp();
        SetString(HKEY_LOCAL_MACHINE, kProductKey, kUninstallLink, "qrtest-none:farewell");
        CreateDirectoryA((outFolder_ + "\\Łąka Ωmega 日本").c_str(), nullptr);
        oddProbe_ = outFolder_ + "\\Łąka Ωmega 日本\\sig.exe";
        ASSERT_TRUE(CopyFileA(ToolPath("probe").c_str(), oddProbe_.c_str(), FALSE));
        std::string exe = FileContents(ProductExe());
        const size_t begin = exe.find("<activeCodePage"), end = exe.find("</activeCodePage>") + 17;
        ASSERT_LT(begin, end);
        if (GetParam())    // the code page declaration becomes a comment of the same length
            exe.replace(begin, end - begin, "<!--" + std::string(end - begin - 7, ' ') + "-->");
        ASSERT_TRUE(win::WriteWholeFile(outFolder_ + "\\Quillrest.exe", exe));
    }
    void TearDown() override
    {
        EndInstalledInstances();
        RemoveInstallation();
        DeleteValue(HKEY_CURRENT_USER, kApprovedRun, "QrTestChat");
        BootFixture::TearDown();    // both registry views and the Startup folders
    }

    std::string Exe(const Entry& e) const { return e.oddExe ? oddProbe_ : ToolPath("probe"); }
    std::string Arguments(const Entry& e) const { return "\"" + out_ + "\" " + e.tag + e.extra; }
    // What the boot starts: a value's data; a shortcut's target (quoted when it has a blank) and arguments.
    std::string Command(const Entry& e) const
    {
        return (e.place.csidl ? QuoteSpaces(Exe(e)) : "\"" + Exe(e) + "\"") + " " + Arguments(e);
    }
    std::string Key(const Entry& e) const
    {
        return e.place.csidl ? win::PathJoin(StartupFolder(e.place.csidl), e.name + ".lnk") : e.place.label + e.name;
    }
    // The probe's lines: tag -> each command line it was started with.
    std::map<std::string, std::vector<std::string>> Starts() const
    {
        std::map<std::string, std::vector<std::string>> starts;
        for (const ProbeStart& start : ReadProbeStarts(out_))
            starts[start.name].push_back(start.commandLine);
        return starts;
    }
    // The greyed lines of the installed program's Launch Order page, with their ticks.
    std::map<std::string, bool> GreyedLaunchLines() const
    {
        std::map<std::string, bool> greyed;
        HANDLE process = StartProcess(SystemFile(kExeName), "-configure", "C:\\");
        HWND sheet = WaitForWindow(kSheetCaption);
        EXPECT_NE(nullptr, sheet);
        HWND list = GetDlgItem(ShowTab(sheet, 1), IDC_LAUNCH_LIST);
        for (int i = 0; i < static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); ++i) {
            wchar_t text[1024] = L"";    // across processes Wine hands over the list box's own UTF-16 text
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            const LRESULT flags = SendMessageA(list, LB_GETITEMDATA, i, 0);
            if (flags & 2)
                greyed[Utf8(text)] = (flags & 1) != 0;
        }
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, kPatienceMs));
        KillProcess(process);
        return greyed;
    }

    std::string oddProbe_;
};

TEST_P(CharactersTest, EachEntryStartsOnceAndComesBackAsItWas)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "the tests carry the program's manifest";
    const Place &user = kPlaces[0], &machine64 = kPlaces[1], &machine32 = kPlaces[2];
    const Place &userLinks = kPlaces[3], &commonLinks = kPlaces[4];
    // Only 64-bit Windows has a 32-bit view to name; on 32-bit Windows both places are one key.
    const bool windows64 = Is64BitWindows();
    const std::vector<Entry> entries = {
        {"D1", user, "QrTestChat", true, ""},
        {"D2", user, "QrTest Ωmega Sync", false, ""},
        {"D3", machine64, "QrTest Łódź Agent", true, ""},
        {"D4", machine32, "QrTest 日本 Agent", false, ""},
        {"D5", user, "QrTestPlain", false, ""},
        {"D6", machine32, "QrTest Café", false, " naïve"},
        {"L1", userLinks, "QrTest 日本 Notes", false, ""},
        {"L2", commonLinks, "QrTest Ωmega Link", true, ""},
        {"L3", userLinks, "QrTestArgs", false, " Zażółć gęślą"},
        {"L4", userLinks, "QrTestPlainLink", false, ""},
        {"L5", commonLinks, "QrTest Café Link", false, ""},
    };
    for (const Entry& e : entries) {
        if (e.place.csidl)
            ASSERT_TRUE(MakeShortcut(Key(e), Exe(e), Arguments(e), "", SW_SHOWNORMAL)) << e.tag;
        else
            SetValue(e.place.root, kRunKey, e.name, Command(e) + '\0', REG_SZ, e.place.view);
    }
    // Copies an earlier version parked through code page 1252 while the entries stayed in Run.
    for (const Entry& e : {entries[1], entries[2]})
        SetValue(e.place.root, CapturePath(kRunKey), LegacyText(e.name), LegacyText(Command(e)) + '\0', REG_SZ,
                 e.place.view);
    // D1 is switched off in Windows' start-up settings: never started, shown greyed and unticked, whether
    // parked or left in place.
    SetValue(HKEY_CURRENT_USER, kApprovedRun, entries[0].name, std::string("\x03", 1) + std::string(11, '\0'),
             REG_BINARY);
    const std::map<std::string, std::string> before = Snapshot(kRunKey);

    ASSERT_TRUE(RunProcess(outFolder_ + "\\Quillrest.exe", "", kPatienceMs, outFolder_).finished);
    ASSERT_TRUE(WaitFor([] { return LogHas("Launching new instances after install"); }, kPatienceMs));
    EndInstalledInstances();

    // Each entry parked, or left exactly as it was and logged; the earlier copies are gone.
    const std::map<std::string, std::string> installed = Snapshot(kRunKey);
    std::set<std::string> expectedLeft, left;
    std::map<std::string, bool> expectedGreyed;
    std::map<std::string, std::vector<std::string>> expectedStarts;
    for (const Entry& e : entries) {
        const std::string command = Command(e);
        const bool switchedOff = &e == &entries[0];
        if (switchedOff)
            expectedGreyed[e.name + " (switched off in Windows)"] = false;
        if (GetParam() && (LegacyText(e.name) != e.name || LegacyText(command) != command)) {
            EXPECT_EQ(before.at(Key(e)), installed.count(Key(e)) ? installed.at(Key(e)) : "gone") << e.tag;
            expectedLeft.insert("Leaving " + LegacyBytes(e.place.csidl ? Key(e) : e.name) +
                                " where it is: its name or command cannot be written in this system's code page");
            if (!switchedOff)
                expectedGreyed[LegacyText(e.name) + (&e.place == &machine32 && windows64 ? " (32-bit)" : "") +
                               " (started by Windows)"] = true;
        } else {
            EXPECT_EQ(0u, installed.count(Key(e))) << e.tag;
            if (!switchedOff)
                expectedStarts[e.tag].push_back(command);
        }
    }
    for (const std::string& line : LogMessages())
        if (line.compare(0, 8, "Leaving ") == 0)
            left.insert(line);
    EXPECT_EQ(expectedLeft, left);
    const std::map<std::string, std::string> parked = Snapshot(CapturePath(kRunKey));
    EXPECT_EQ(0u, parked.count("HKCU|" + LegacyText(entries[1].name)) + parked.count("HKLM64|" + LegacyText(entries[2].name)));

    // A log-on: each parked entry started once with its exact command, nothing else.
    FreshLog();
    HANDLE boot = StartProcess(SystemFile(kExeName), "-hklm", "C:\\");
    EXPECT_TRUE(WaitFor([] { return LogHas("\tLeaving Quillrest::WaitForShutdown"); }, kPatienceMs));
    WaitFor([&] { return Starts() == expectedStarts; }, kPatienceMs);
    EXPECT_EQ(expectedStarts, Starts());
    EndInstalledInstances();
    KillProcess(boot);
    EXPECT_EQ(expectedGreyed, GreyedLaunchLines());

    DialogAnswerer complete("Uninstall Complete", IDOK, kPatienceMs);
    EXPECT_TRUE(RunProcess(SystemFile(kExeName), "-uninstall", kPatienceMs, "C:\\").finished);
    EXPECT_TRUE(complete.Answered());
    EXPECT_EQ(before, Snapshot(kRunKey));
}

INSTANTIATE_TEST_SUITE_P(CodePages, CharactersTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithoutUtf8CodePage" : "WithUtf8CodePage";
                         });

} // namespace
