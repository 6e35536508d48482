// The work queue: captured start-up entries read back from where they are parked.
#include "launch/WorkQueue.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "install/System.h"
#include "launch/CodePageCheck.h"
#include "launch/RegValues.h"
#include "launch/StartupPlaces.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shlobj.h>
#include <shlwapi.h>

namespace {
constexpr int kLinkBuffer = 2048;
// Up to 1024 characters, at up to three bytes each in UTF-8.
constexpr int kArgumentsBuffer = 1024 * 3 + 1;

WorkItem RunValueItem(const RegValue& value, int source, REGSAM view, const std::string& windowsDir)
{
    WorkItem item;
    item.Name = value.name;
    item.CommandLine = RegValueText(value);
    item.WorkingDir = windowsDir;
    item.ShowCmd = source == SourceHklmRunServices ? 0 : 1;
    item.Source = source;
    item.View = view;
    item.SwitchedOff = SwitchedOffInWindows(source, view, item.Name);
    item.ExpandCommand = value.type == REG_EXPAND_SZ;
    return item;
}

// Entries that parking leaves for Windows to start: only shown, so the user
// sees them.  Those whose name or command cannot be written in the code page,
// and, where this process may not change the machine-wide places, every entry
// there without a parked copy (one with a copy is that copy's line).
void AddLeftInPlaceItems(std::vector<WorkItem>& queue)
{
    if (Is9x())
        return;
    struct Place {
        HKEY root;
        REGSAM view;
        int source;
    };
    std::vector<Place> places;
    for (REGSAM view : HklmRunViews(Is64BitWindows()))
        places.push_back({HKEY_LOCAL_MACHINE, view, SourceHklmRun});
    places.push_back({HKEY_CURRENT_USER, 0, SourceHkcuRun});
    const bool machineLeft = !IsAdministrator();
    const std::string windowsDir = win::WindowsDirectory();
    const std::string capturePath = std::string(kRunKey) + "\\" + kCaptureSubkey;
    for (const Place& place : places) {
        win::UniqueKey key;
        if (RegOpenKeyExA(place.root, kRunKey, 0, KEY_READ | place.view, key.Out()) != ERROR_SUCCESS)
            continue;
        const bool machine = machineLeft && place.root == HKEY_LOCAL_MACHINE;
        win::UniqueKey capture;
        if (machine)
            RegOpenKeyExA(place.root, capturePath.c_str(), 0, KEY_QUERY_VALUE | place.view, capture.Out());
        RegValue value;
        for (DWORD index = 0; EnumRegValue(key.Get(), index, value) == ERROR_SUCCESS; ++index) {
            if (value.name == kOwnRunValue)
                continue;
            const bool parked = capture && RegQueryValueExA(capture.Get(), value.name.c_str(), nullptr, nullptr,
                                                            nullptr, nullptr) == ERROR_SUCCESS;
            if (!(machine && !parked) && RegValueSurvives(key.Get(), index, value))
                continue;
            WorkItem item = RunValueItem(value, place.source, place.view, windowsDir);
            // One switched off in the system's start-up settings is not started by Windows either.
            item.StartedByWindows = !item.SwitchedOff;
            queue.push_back(std::move(item));
        }
    }
    const std::pair<int, int> folders[] = {{CSIDL_COMMON_STARTUP, SourceCommonStartup},
                                           {CSIDL_STARTUP, SourceUserStartup}};
    for (const auto& folder : folders) {
        std::vector<StartupLink> links;
        ListStartupLinks(folder.first, true, links);
        for (const StartupLink& link : links) {
            const bool machine = machineLeft && folder.first == CSIDL_COMMON_STARTUP;
            if (link.survives && !(machine && !win::FileExists(link.path + ".Quillrest")))
                continue;
            WorkItem item;
            ReadParkedShortcut(link.path, folder.second, item, link.widePath);
            item.Name = LinkDisplayName(link.path + ".Quillrest");    // as a parked one is named
            item.Source = folder.second;
            item.SwitchedOff = SwitchedOffInWindows(folder.second, 0, ApprovalValueName(link.path));
            item.StartedByWindows = !item.SwitchedOff;
            queue.push_back(std::move(item));
        }
    }
}
} // namespace

bool SwitchedOffInWindows(int source, REGSAM view, const std::string& valueName)
{
    ApprovalPlace place;
    if (!StartupApprovalPlace(source, view, place))
        return false;
    const std::string path = std::string(kStartupApprovedKey) + "\\" + place.subkey;
    win::UniqueKey key;
    if (RegOpenKeyExA(place.root, path.c_str(), 0, KEY_QUERY_VALUE | SystemKeyView(Is64BitWindows()), key.Out()) !=
        ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<BYTE> data(size);
    if (size && RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS)
        return false;
    data.resize(size);
    return SwitchedOffByValue(data);
}

void AddRunKeyItems(HKEY root, const char* path, int source, std::vector<WorkItem>& queue, REGSAM view)
{
    std::string capturePath = std::string(path) + "\\" + kCaptureSubkey;
    win::UniqueKey key;
    if (RegOpenKeyExA(root, capturePath.c_str(), 0, KEY_READ | view, key.Out()) != ERROR_SUCCESS)
        return;
    win::UniqueKey live;
    RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE | view, live.Out());
    const std::string windowsDir = win::WindowsDirectory();
    RegValue value;
    for (DWORD index = 0; EnumRegValue(key.Get(), index, value) == ERROR_SUCCESS; ++index) {
        WorkItem item = RunValueItem(value, source, view, windowsDir);
        // A value of its name that could not be parked stands in the key: Windows starts that one.
        item.StartedByWindows = !item.SwitchedOff && live &&
                                RegQueryValueExA(live.Get(), value.name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
                                    ERROR_SUCCESS;
        queue.push_back(std::move(item));
    }
}

bool ReadParkedShortcut(const std::string& path, int source, WorkItem& item, const std::wstring& widePath)
{
    win::ComPtr<IShellLinkA> link;
    win::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.OutVoid())))
        return false;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.OutVoid())))
        return false;
    HRESULT hr = file->Load(widePath.empty() ? win::Widen(path).c_str() : widePath.c_str(), STGM_READ);
    if (FAILED(hr)) {
        WriteLog("Failed to load %s.  HR=%0X", path.c_str(), static_cast<unsigned>(hr));
        return false;
    }
    char target[kLinkBuffer] = "";
    hr = link->GetPath(target, kLinkBuffer, nullptr, SLGP_SHORTPATH);
    if (FAILED(hr)) {
        WriteLog("Failed to GetPath on %s.  HR=%0X", path.c_str(), static_cast<unsigned>(hr));
        return false;
    }
    char workingDir[kLinkBuffer] = "";
    hr = link->GetWorkingDirectory(workingDir, kLinkBuffer);
    if (FAILED(hr)) {
        WriteLog("Failed to GetWorkingDirectory on %s.  HR=%0X", path.c_str(), static_cast<unsigned>(hr));
        return false;
    }
    char arguments[kArgumentsBuffer] = "";
    hr = link->GetArguments(arguments, kArgumentsBuffer);
    if (FAILED(hr)) {
        WriteLog("Failed to GetArguments on %s.  HR=%0X", path.c_str(), static_cast<unsigned>(hr));
        return false;
    }
    int showCmd = 1;
    link->GetShowCmd(&showCmd);

    item.Name = LinkDisplayName(path);
    item.CommandLine = QuoteSpaces(target) + " " + arguments;
    item.WorkingDir = workingDir[0] ? std::string(workingDir) : win::WindowsDirectory();
    item.ShowCmd = static_cast<WORD>(showCmd);
    item.Source = source;
    return true;
}

void AddStartupFolderItems(int csidl, int source, std::vector<WorkItem>& queue)
{
    std::string folder;
    if (!win::SpecialFolder(csidl, folder))
        return;
    WIN32_FIND_DATAA found;
    win::UniqueFind find(FindFirstFileA(win::PathJoin(folder, "*.Quillrest").c_str(), &found));
    if (!find)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        WorkItem item;
        const std::string path = win::PathJoin(folder, found.cFileName);
        if (ReadParkedShortcut(path, source, item)) {
            item.SwitchedOff = SwitchedOffInWindows(source, 0, ApprovalValueName(found.cFileName));
            // The shortcut of its name that could not be parked stands beside it: Windows starts that one.
            item.StartedByWindows = !item.SwitchedOff && win::FileExists(path.substr(0, path.rfind('.')));
            queue.push_back(std::move(item));
        }
    } while (FindNextFileA(find.Get(), &found));
}

std::vector<WorkItem> BuildWorkQueue(bool applyIgnoreList)
{
    WriteLog("BuildWorkQueue");
    std::vector<WorkItem> queue;
    if (Is9x())
        AddRunKeyItems(HKEY_LOCAL_MACHINE, kRunServicesKey, SourceHklmRunServices, queue);
    for (REGSAM view : HklmRunViews(Is64BitWindows()))
        AddRunKeyItems(HKEY_LOCAL_MACHINE, kRunKey, SourceHklmRun, queue, view);
    AddRunKeyItems(HKEY_CURRENT_USER, kRunKey, SourceHkcuRun, queue);
    AddStartupFolderItems(CSIDL_COMMON_STARTUP, SourceCommonStartup, queue);
    AddStartupFolderItems(CSIDL_STARTUP, SourceUserStartup, queue);
    if (!applyIgnoreList)
        AddLeftInPlaceItems(queue);

    SortWorkQueue(queue, ProductString(kSortingOrder));
    if (applyIgnoreList) {
        // Windows would not start these either: they are neither launched nor counted.
        for (const std::string& name : RemoveFlaggedItems(queue, &WorkItem::SwitchedOff))
            WriteLog("Skipping %s: switched off in the system's start-up settings", name.c_str());
        // Windows starts the entry in place of each of these: the parked copy too would start it twice.
        for (const std::string& name : RemoveFlaggedItems(queue, &WorkItem::StartedByWindows))
            WriteLog("Skipping %s: Windows starts the entry of its name that could not be parked", name.c_str());
        RemoveIgnoredItems(queue, ProductString(kIgnoreForLaunch));
    }

    WriteLog("BuildWorkQueue returning:");
    for (const WorkItem& item : queue)
        WriteLog("%s", WorkItemText(item).c_str());
    return queue;
}

WorkItem ExpandedForLaunch(const WorkItem& item)
{
    WorkItem started = item;
    if (item.ExpandCommand)
        started.CommandLine = win::ExpandEnvironment(item.CommandLine);
    return started;
}
