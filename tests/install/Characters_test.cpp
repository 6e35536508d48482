// Start-up entries named outside code page 1252, through install, a boot and uninstall with the
// shipped program: with the manifest's UTF-8 code page, and with a copy that lacks it (as Windows
// before 10 version 1903 runs it), where such entries stay for Windows to start.
#include "install/InstallFixture.h"
#include "launch/LaunchFixture.h"
#include "launch/WorkOrder.h"
#include "res/resource.h"
#include "win/Text.h"
#include <commctrl.h>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

using namespace qrtest;

namespace {

// The Wine session's ANSI code page, for programs without the manifest's.
constexpr UINT kLegacyCodePage = 1252;
constexpr const char* kLeftLog = " where it is: its name or command cannot be written in this system's code page";

std::string Utf8(const std::wstring& text) { return win::Narrow(text, CP_UTF8); }
std::wstring Wide(const std::string& utf8) { return win::Widen(utf8, CP_UTF8); }
// What a program without the manifest reads of `utf8`: bytes in code page 1252, and those as UTF-8.
std::string LegacyBytes(const std::string& utf8) { return win::Narrow(Wide(utf8), kLegacyCodePage); }
std::string LegacyText(const std::string& utf8) { return Utf8(win::Widen(LegacyBytes(utf8), kLegacyCodePage)); }

enum class Place { User, Machine64, Machine32, UserLink, CommonLink };

struct Entry {
    const char* tag;    // what the probe reports when it starts
    Place place;
    std::string name;   // value name, or shortcut file name without ".lnk"
    bool oddExe;        // the probe copy in a folder named outside code page 1252
    std::string extra;  // more arguments
    bool IsLink() const { return place == Place::UserLink || place == Place::CommonLink; }
};

// Every value of a key in one view, read through the W calls: name -> type and data.
std::map<std::string, std::string> ValuesW(HKEY root, REGSAM view, const std::string& path)
{
    std::map<std::string, std::string> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        std::vector<wchar_t> name(16384);
        std::vector<BYTE> data(65536);
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueW(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS)
            break;
        values[Utf8(std::wstring(name.data(), nameSize))] =
            std::to_string(type) + ":" + std::string(data.begin(), data.begin() + dataSize);
    }
    RegCloseKey(key);
    return values;
}

// Run values of every view and Startup-folder files, with their contents, through the W calls.
std::map<std::string, std::string> StartupPlacesW()
{
    std::map<std::string, std::string> places;
    const struct {
        const char* label;
        HKEY root;
        REGSAM view;
    } keys[] = {{"HKCU", HKEY_CURRENT_USER, 0},
                {"HKLM64", HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY},
                {"HKLM32", HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}};
    for (const auto& key : keys)
        for (const auto& value : ValuesW(key.root, key.view, kRunKey))
            places[std::string(key.label) + "|" + value.first] = value.second;
    for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) {
        wchar_t folder[MAX_PATH] = L"";
        SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE);
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((std::wstring(folder) + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            const std::wstring path = std::wstring(folder) + L"\\" + found.cFileName;
            std::string contents(65536, '\0');
            DWORD got = 0;
            HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                ReadFile(file, &contents[0], static_cast<DWORD>(contents.size()), &got, nullptr);
                CloseHandle(file);
            }
            // Size and a digest: enough to tell, short in a failure's message.
            unsigned long long digest = 14695981039346656037ull;
            for (DWORD i = 0; i < got; ++i)
                digest = (digest ^ static_cast<unsigned char>(contents[i])) * 1099511628211ull;
            places[Utf8(path)] = std::to_string(got) + " bytes, " + std::to_string(digest);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return places;
}

// The probe's lines: tag -> every command line it was started with.
std::map<std::string, std::vector<std::string>> ProbeStarts(const std::string& path)
{
    std::map<std::string, std::vector<std::string>> starts;
    std::string text;
    win::ReadWholeFile(path, text);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t field = 0;
        for (int i = 0; i < 4 && field != std::string::npos; ++i)
            field = line.find('\t', field + (i ? 1 : 0));
        if (field != std::string::npos)
            starts[line.substr(0, line.find('\t'))].push_back(line.substr(field + 1));
    }
    return starts;
}

class CharactersTest : public ProductTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        EndInstalledInstances();
        RemoveInstallation();
        ProductTest::SetUp();
        CoInitialize(nullptr);
        for (const char* cleaner : {kDeleteSafeTempFiles, kDeleteAllTempFiles, kDelFileChk, kClearInetCache, kDeleteCookies})
            SetDword(HKEY_LOCAL_MACHINE, kProductKey, cleaner, 0);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLog, 1);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, 100);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kDelaySeconds, 1);
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, kWelcomeDismissed, 1);
        SetString(HKEY_LOCAL_MACHINE, kProductKey, kUninstallLink, "qrtest-none:farewell");
        downloads_ = MakeTempFolder("qrchars");
        out_ = downloads_ + "\\starts.txt";
        oddProbe_ = downloads_ + "\\Łąka Ωmega 日本\\sig.exe";
        CreateDirectoryA((downloads_ + "\\Łąka Ωmega 日本").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(ToolPath("probe").c_str(), oddProbe_.c_str(), FALSE));
        std::string exe = FileContents(ProductExe());
        if (GetParam()) {
            // The same program, its code page declaration turned into a comment of the same length.
            const size_t begin = exe.find("<activeCodePage");
            const size_t end = exe.find("</activeCodePage>", begin);
            ASSERT_NE(std::string::npos, end);
            const size_t length = end + std::strlen("</activeCodePage>") - begin;
            exe.replace(begin, length, "<!--" + std::string(length - 7, ' ') + "-->");
        }
        ASSERT_TRUE(win::WriteWholeFile(downloads_ + "\\Quillrest.exe", exe));
    }
    void TearDown() override
    {
        EndInstalledInstances();
        RemoveInstallation();
        for (const auto& key : {std::make_pair(HKEY_CURRENT_USER, REGSAM(0)),
                                std::make_pair(HKEY_LOCAL_MACHINE, REGSAM(KEY_WOW64_64KEY)),
                                std::make_pair(HKEY_LOCAL_MACHINE, REGSAM(KEY_WOW64_32KEY))}) {
            for (const std::string& path : {std::string(kRunKey), CapturePath(kRunKey)}) {
                HKEY opened = nullptr;
                if (RegOpenKeyExA(key.first, path.c_str(), 0, KEY_ALL_ACCESS | key.second, &opened) != ERROR_SUCCESS)
                    continue;
                for (const auto& value : ValuesW(key.first, key.second, path))
                    if (value.first.compare(0, 6, kTestPrefix) == 0)
                        RegDeleteValueW(opened, Wide(value.first).c_str());
                RegCloseKey(opened);
            }
        }
        for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP})
            for (const std::string& name : FolderFiles(StartupFolder(csidl), "QrTest*"))
                DeleteFileA(win::PathJoin(StartupFolder(csidl), name).c_str());
        RemoveTree(downloads_);
        CoUninitialize();
        ProductTest::TearDown();
    }

    std::string Exe(const Entry& e) const { return e.oddExe ? oddProbe_ : ToolPath("probe"); }
    std::string Arguments(const Entry& e) const { return "\"" + out_ + "\" " + e.tag + e.extra; }
    // What the boot starts: a Run value's data; a shortcut's target (quoted when it holds a blank) and arguments.
    std::string Command(const Entry& e) const
    {
        return e.IsLink() ? QuoteSpaces(Exe(e)) + " " + Arguments(e) : "\"" + Exe(e) + "\" " + Arguments(e);
    }
    std::string LinkPath(const Entry& e) const
    {
        return win::PathJoin(StartupFolder(e.place == Place::UserLink ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP),
                             e.name + ".lnk");
    }
    static HKEY Root(const Entry& e) { return e.place == Place::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
    static REGSAM View(const Entry& e)
    {
        return e.place == Place::Machine64 ? KEY_WOW64_64KEY : e.place == Place::Machine32 ? KEY_WOW64_32KEY : 0;
    }
    static void SetValue(HKEY root, REGSAM view, const std::string& path, const std::string& name,
                         const std::string& data)
    {
        HKEY key = nullptr;
        RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr);
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
        RegCloseKey(key);
    }
    // Whether the program without the manifest must leave it for Windows.
    bool LeftInPlace(const Entry& e) const
    {
        const std::string command = e.IsLink() ? Exe(e) + Arguments(e) : Command(e);
        return GetParam() && (LegacyText(e.name) != e.name || LegacyText(command) != command);
    }
    // The greyed lines of the installed program's Launch Order page, ticked or not.
    std::map<std::string, bool> GreyedLaunchLines()
    {
        std::map<std::string, bool> greyed;
        HANDLE sheetProcess = StartProcess(SystemFile(kExeName), "-configure", "C:\\");
        HWND sheet = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (sheet = FindWindowA(nullptr, "Quillrest Configuration")) != nullptr; },
                            kPatienceMs));
        SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        HWND list = GetDlgItem(page, IDC_LAUNCH_LIST);
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            wchar_t text[1024] = L"";
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            const LRESULT flags = SendMessageA(list, LB_GETITEMDATA, i, 0);
            if (flags & 2)
                greyed[Utf8(text)] = (flags & 1) != 0;
        }
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sheetProcess, kPatienceMs));
        KillProcess(sheetProcess);
        return greyed;
    }

    std::string downloads_;
    std::string out_;
    std::string oddProbe_;
};

TEST_P(CharactersTest, EachEntryStartsOnceAndComesBackAsItWas)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), GetACP()) << "the tests carry the program's manifest";
    const std::vector<Entry> entries = {
        {"D1", Place::User, "QrTestChat", true, ""},
        {"D2", Place::User, "QrTest Ωmega Sync", false, ""},
        {"D3", Place::Machine64, "QrTest Łódź Agent", true, ""},
        {"D4", Place::Machine32, "QrTest 日本 Agent", false, ""},
        {"D5", Place::User, "QrTestPlain", false, ""},
        {"D6", Place::Machine32, "QrTest Café", false, " naïve"},
        {"L1", Place::UserLink, "QrTest 日本 Notes", false, ""},
        {"L2", Place::CommonLink, "QrTest Ωmega Link", true, ""},
        {"L3", Place::UserLink, "QrTestArgs", false, " Zażółć gęślą"},
        {"L4", Place::UserLink, "QrTestPlainLink", false, ""},
        {"L5", Place::CommonLink, "QrTest Café Link", false, ""},
    };
    for (const Entry& e : entries) {
        if (e.IsLink())
            ASSERT_TRUE(MakeShortcut(LinkPath(e), Exe(e), Arguments(e), "", SW_SHOWNORMAL)) << e.tag;
        else
            SetValue(Root(e), View(e), kRunKey, e.name, Command(e));
    }
    // Copies an earlier version parked through code page 1252 while the entries stayed in Run.
    const Entry& sync = entries[1];
    const Entry& agent = entries[2];
    SetValue(HKEY_CURRENT_USER, 0, CapturePath(kRunKey), LegacyText(sync.name), LegacyText(Command(sync)));
    SetValue(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, CapturePath(kRunKey), LegacyText(agent.name),
             LegacyText(Command(agent)));
    const std::map<std::string, std::string> before = StartupPlacesW();

    ASSERT_TRUE(RunProcess(downloads_ + "\\Quillrest.exe", "", kPatienceMs, downloads_).finished);
    ASSERT_TRUE(WaitFor([] { return LogHas("Launching new instances after install"); }, kPatienceMs));
    EndInstalledInstances();

    // Parked, or left exactly as it was and logged; the earlier copies are gone.
    const std::map<std::string, std::string> installed = StartupPlacesW();
    std::set<std::string> leftLines, expectedLeftLines;
    std::map<std::string, bool> expectedGreyed;
    std::map<std::string, std::vector<std::string>> expectedStarts;
    for (const Entry& e : entries) {
        const bool left = LeftInPlace(e);
        const char* key = e.place == Place::User ? "HKCU|" : e.place == Place::Machine64 ? "HKLM64|" : "HKLM32|";
        const std::string place = e.IsLink() ? LinkPath(e) : key + e.name;
        EXPECT_EQ(left, installed.count(place) == 1) << e.tag;
        if (left) {
            EXPECT_EQ(before.at(place), installed.count(place) ? installed.at(place) : "gone") << e.tag;
            expectedLeftLines.insert("Leaving " + LegacyBytes(e.IsLink() ? LinkPath(e) : e.name) + kLeftLog);
            expectedGreyed[LegacyText(e.name) + (e.place == Place::Machine32 ? " (32-bit)" : "") +
                           " (started by Windows)"] = true;
        } else {
            expectedStarts[e.tag].push_back(Command(e));
        }
    }
    for (const std::string& line : LogMessages())
        if (line.compare(0, 8, "Leaving ") == 0)
            leftLines.insert(line);
    EXPECT_EQ(expectedLeftLines, leftLines);
    EXPECT_EQ(0u, ValuesW(HKEY_CURRENT_USER, 0, CapturePath(kRunKey)).count(LegacyText(sync.name)));
    EXPECT_EQ(0u, ValuesW(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, CapturePath(kRunKey)).count(LegacyText(agent.name)));

    // A log-on: each parked entry started once with its exact command, nothing else.
    FreshLog();
    HANDLE boot = StartProcess(SystemFile(kExeName), "-hklm", "C:\\");
    EXPECT_TRUE(WaitFor([] { return LogHas("\tLeaving Quillrest::WaitForShutdown"); }, kPatienceMs));
    WaitFor([&] { return ProbeStarts(out_) == expectedStarts; }, kPatienceMs);
    EXPECT_EQ(expectedStarts, ProbeStarts(out_));
    EndInstalledInstances();
    KillProcess(boot);
    // The page shows what stays for Windows greyed and ticked.
    EXPECT_EQ(expectedGreyed, GreyedLaunchLines());

    {
        DialogAnswerer complete("Uninstall Complete", IDOK, kPatienceMs);
        EXPECT_TRUE(RunProcess(SystemFile(kExeName), "-uninstall", kPatienceMs, "C:\\").finished);
        EXPECT_TRUE(complete.Answered());
    }
    EXPECT_EQ(before, StartupPlacesW());
}

INSTANTIATE_TEST_SUITE_P(CodePages, CharactersTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithoutUtf8CodePage" : "WithUtf8CodePage";
                         });

} // namespace
