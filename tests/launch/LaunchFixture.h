// Shared fixture of the capture and boot tests: clean capture keys, Run values and Startup folders.
#pragma once
#include "TestSupport.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "launch/EntryWriters.h"
#include "launch/StartupPlaces.h"
#include "launch/WorkOrder.h"
#include "tools/ToolSupport.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <shlobj.h>
#include <shlwapi.h>
#include <string>
#include <vector>

namespace qrtest {

using qrtool::kBootTitle;
using qrtool::ProbeStart;
using qrtool::ReadProbeStarts;

// Every Run value and Startup file the tests create starts with this.
constexpr const char* kTestPrefix = "QrTest";

inline std::string CapturePath(const char* runKey)
{
    return std::string(runKey) + "\\" + kCaptureSubkey;
}

// Entry writers that refuse what the system may refuse (error 5): the move of a
// file whose path holds "QrTestStuck", the write of the value "QrTestRefused".
inline BOOL RefusingMove(const std::string& from, const std::string& to, bool replace)
{
    if (from.find("QrTestStuck") == std::string::npos)
        return MoveFileExA(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0);
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
inline LONG RefusingWrite(HKEY key, const RegValue& value)
{
    return value.name == "QrTestRefused" ? ERROR_ACCESS_DENIED
                                         : RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                                                          static_cast<DWORD>(value.data.size()));
}
constexpr EntryWriters kRefusingWriters = {RefusingMove, RefusingWrite};

inline std::string StartupFolder(int csidl)
{
    std::string folder;
    if (!win::SpecialFolder(csidl, folder)) {
        char buffer[MAX_PATH * 2] = "";
        SHGetSpecialFolderPathA(nullptr, buffer, csidl, TRUE);
        folder = buffer;
    }
    return folder;
}

inline std::vector<std::string> FolderFiles(const std::string& folder, const char* pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    win::UniqueFind find(FindFirstFileA(win::PathJoin(folder, pattern).c_str(), &found));
    if (!find)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(find.Get(), &found));
    return names;
}

// The names the probe program wrote to its output file, one per start, in order.
inline std::vector<std::string> ProbeNames(const std::string& path)
{
    std::vector<std::string> names;
    for (const ProbeStart& start : ReadProbeStarts(path))
        names.push_back(start.name);
    return names;
}

// Writes a shortcut with IShellLinkA (COM must be initialised).
inline bool MakeShortcut(const std::string& linkPath, const std::string& target, const std::string& arguments,
                         const std::string& workingDir, int showCmd)
{
    win::ComPtr<IShellLinkA> link;
    win::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.OutVoid())))
        return false;
    link->SetPath(target.c_str());
    link->SetArguments(arguments.c_str());
    link->SetWorkingDirectory(workingDir.c_str());
    link->SetShowCmd(showCmd);
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid())))
        return false;
    wchar_t wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH * 2);
    return SUCCEEDED(file->Save(wide, TRUE));
}

// The show command stored in a .lnk header (offset 0x3C); Wine's GetShowCmd always says 1.
inline int LinkHeaderShowCmd(const std::string& linkPath)
{
    std::string bytes;
    if (!win::ReadWholeFile(linkPath, bytes) || bytes.size() < 0x40)
        return -1;
    return static_cast<unsigned char>(bytes[0x3C]) | (static_cast<unsigned char>(bytes[0x3D]) << 8);
}

// A boot under test: one program a second, no welcome, no cleaning, no version
// check, logging the next `logStarts` starts.
inline void QuickBootSettings(DWORD logStarts = 100)
{
    for (const char* cleaner : {kDeleteSafeTempFiles, kDeleteAllTempFiles, kDelFileChk, kClearInetCache, kDeleteCookies})
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, cleaner, 0);
    for (const char* name : {kLog, kDelaySeconds, kWelcomeDismissed})
        SetDword(HKEY_LOCAL_MACHINE, kProductKey, name, 1);
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kCheckVersion, 0);
    SetDword(HKEY_LOCAL_MACHINE, kProductKey, kLogBootCount, logStarts);
}

// Resets everything the capture touches, before and after each test.
class CaptureTest : public ProductTest {
protected:
    void SetUp() override
    {
        ProductTest::SetUp();
        if (useCom_)
            CoInitialize(nullptr);
        batchPath_ = GetUninstallBatchPath();
        hadBatch_ = win::ReadWholeFile(batchPath_, savedBatch_);
        ownRunValue_ = ReadString(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue);
        Clean();
    }
    void TearDown() override
    {
        Clean();
        if (hadBatch_)
            win::WriteWholeFile(batchPath_, savedBatch_);
        if (ownRunValue_.empty())
            DeleteValue(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue);
        else
            SetString(HKEY_LOCAL_MACHINE, kRunKey, kOwnRunValue, ownRunValue_);
        OverrideIs9xForTest(-1);
        OverrideIsAdministratorForTest(-1);
        if (useCom_)
            CoUninitialize();
        ProductTest::TearDown();
    }
    void Clean()
    {
        // HKLM in each view the program walks (both on 64-bit Windows), HKCU in its only one.
        std::vector<std::pair<HKEY, REGSAM>> places = {{HKEY_CURRENT_USER, 0}};
        for (REGSAM view : HklmRunViews(Is64BitWindows()))
            places.push_back({HKEY_LOCAL_MACHINE, view});
        for (const char* key : {kRunKey, kRunServicesKey}) {
            for (const auto& place : places) {
                DeleteTree(place.first, CapturePath(key).c_str(), place.second);
                for (const std::string& name : ValueNames(place.first, key, place.second))
                    if (name.empty() || name.compare(0, 6, kTestPrefix) == 0)
                        DeleteValue(place.first, key, name, place.second);
            }
        }
        for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP}) {
            const std::string folder = StartupFolder(csidl);
            for (const std::string& name : FolderFiles(folder, "QrTest*"))
                DeleteFileA(win::PathJoin(folder, name).c_str());
        }
        DeleteFileA(batchPath_.c_str());
    }

    // A test that must own no window (COM makes one) turns this off.
    bool useCom_ = true;
    std::string batchPath_;
    std::string savedBatch_;
    bool hadBatch_ = false;
    std::string ownRunValue_;
};

// A boot of the real program under test: probes write to `out_` in a fresh
// folder, the quick-boot settings hold, and the instance ends with the test.
class BootFixture : public CaptureTest {
protected:
    BootFixture(const char* folderPrefix, const char* outName, DWORD logStarts)
        : folderPrefix_(folderPrefix), outName_(outName), logStarts_(logStarts)
    {
    }
    void SetUp() override
    {
        CaptureTest::SetUp();
        outFolder_ = MakeTempFolder(folderPrefix_);
        out_ = win::PathJoin(outFolder_, outName_);
        QuickBootSettings(logStarts_);
    }
    void TearDown() override
    {
        // KillProcess waits for the end, so the next test's instance finds the mutex free.
        KillProcess(process_);
        RemoveTree(outFolder_);
        CaptureTest::TearDown();
    }

    // The probe's command line that reports `name` when it starts.
    std::string ProbeCommand(const std::string& name) const
    {
        return "\"" + ToolPath("probe") + "\" \"" + out_ + "\" " + name;
    }
    void StartProduct(const char* arguments)
    {
        process_ = StartProcess(ProductExe(), arguments);
        ASSERT_NE(nullptr, process_);
    }
    static HWND BootWindow() { return FindWindowA(nullptr, kBootTitle); }
    static bool WaitVisible(DWORD timeoutMs)
    {
        return WaitFor([] { HWND w = BootWindow(); return w && IsWindowVisible(w); }, timeoutMs);
    }
    // The launch phase is over: the window hid and the end of the phase is logged.
    static bool WaitHidden(DWORD timeoutMs)
    {
        return WaitFor([] {
            HWND w = BootWindow();
            return LogHas("\tLeaving Quillrest::WaitForShutdown") && w && !IsWindowVisible(w);
        }, timeoutMs);
    }

    std::string outFolder_;
    std::string out_;
    HANDLE process_ = nullptr;

private:
    const char* folderPrefix_;
    const char* outName_;
    DWORD logStarts_;
};

} // namespace qrtest
