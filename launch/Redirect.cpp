// Start-up redirection: parks Run values and Startup shortcuts where only Quillrest finds them.
#include "launch/Redirect.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "install/System.h"
#include "launch/CodePageCheck.h"
#include "launch/EntryWriters.h"
#include "launch/RegValues.h"
#include "launch/StartupPlaces.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shlobj.h>
#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

std::string RestoreBatchHeader()
{
    return "REM This file exists just in case you find that you're having problems after Quillrest has been\r\n"
           "REM removed from your system.  Simply run this file to restore all shortcuts that were altered.\r\n";
}

namespace {

// The line that renames `parkedPath` back to `path` (names in `codePage`)
// unless a newer shortcut stands there.  A rename that fails, on a full disk
// too, leaves the parked file as it was: nothing is ever deleted.
std::string RestoreBatchLine(const std::string& path, const std::string& parkedPath, UINT codePage)
{
    const size_t slash = win::LastBackslash(path, codePage);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return win::Format("if not exist \"%s\" ren \"%s\" \"%s\"\r\n", path.c_str(), parkedPath.c_str(), name.c_str());
}

// The quoted arguments of `line` when it is `command` followed by blank-separated
// arguments in double quotes; none when the line has another shape.
std::vector<std::string> QuotedArguments(const std::string& line, const std::string& command)
{
    std::vector<std::string> arguments;
    if (line.compare(0, command.size() + 1, command + " ") != 0)
        return arguments;
    for (size_t at = command.size() + 1; at < line.size();) {
        const size_t close = line[at] == '"' ? line.find('"', at + 1) : std::string::npos;
        if (close == std::string::npos || (close + 1 < line.size() && line[close + 1] != ' '))
            return std::vector<std::string>();
        arguments.push_back(line.substr(at + 1, close - at - 1));
        at = close + 2;
    }
    return arguments;
}

} // namespace

std::string RestoreBatchPair(const std::string& path, const std::string& parkedPath)
{
    return RestoreBatchLine(path, parkedPath, GetACP());
}

std::string UpgradeRestoreBatch(const std::string& text, UINT oemCodePage)
{
    const std::vector<std::string> lines = win::SplitLines(text);
    std::string upgraded;
    UINT codePage = oemCodePage;    // what cmd.exe reads the next line in
    for (size_t i = 0; i < lines.size(); ++i) {
        unsigned chcp = 0;
        if (std::sscanf(lines[i].c_str(), "chcp %u >nul", &chcp) == 1)
            codePage = chcp;
        // An earlier version's pair: "copy" the parked file over the shortcut, then "del" it.
        const std::vector<std::string> copy = QuotedArguments(lines[i], "copy");
        if (copy.size() == 2 && i + 1 < lines.size() &&
            QuotedArguments(lines[i + 1], "del") == std::vector<std::string>{copy[0]}) {
            upgraded += RestoreBatchLine(copy[1], copy[0], codePage);
            ++i;
            continue;
        }
        upgraded += lines[i] + "\r\n";
    }
    return upgraded;
}

std::string BatchEncoding(const std::string& text, UINT codePage, UINT oemCodePage)
{
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return text;
    const std::wstring wide = win::Widen(text, codePage);
    const std::string oem = win::Narrow(wide, oemCodePage);
    if (win::Widen(oem, oemCodePage) == wide)
        return oem;
    return win::Format("chcp %u >nul\r\n", codePage) + text + win::Format("chcp %u >nul\r\n", oemCodePage);
}

std::string RestoreBatchAddition(const std::string& existing, const std::string& path, const std::string& parkedPath)
{
    const std::string pair = BatchEncoding(RestoreBatchPair(path, parkedPath), GetACP(), win::SystemOemCodePage());
    // Only A to Z compared without case: the file mixes code pages, whose other
    // letters a case mapping in this one would misread.
    const UINT codePage = GetACP();
    if (!existing.empty() && win::AsciiUpper(existing, codePage).find(win::AsciiUpper(pair, codePage)) != std::string::npos)
        return std::string();
    return existing.empty() ? RestoreBatchHeader() + pair : pair;
}

namespace {

// Brings an earlier version's pairs into today's form and adds the line for
// `path` (none when it is null).
void UpdateRestoreBatch(const std::string* path, const std::string* parkedPath)
{
    const std::string batchPath = GetUninstallBatchPath();
    // One handle, no sharing: the duplicate check and the append see the same text.
    win::UniqueFile file(CreateFileA(batchPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     path ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE)
        return;
    std::string existing(size, '\0');
    DWORD got = 0;
    if (size && (!ReadFile(file.Get(), &existing[0], size, &got, nullptr) || got != size))
        return;
    const std::string upgraded = UpgradeRestoreBatch(existing, win::SystemOemCodePage());
    const std::string addition = path ? RestoreBatchAddition(upgraded, *path, *parkedPath) : std::string();
    const bool rewrite = upgraded != existing;
    if (!rewrite && addition.empty())
        return;
    const std::string text = rewrite ? upgraded + addition : addition;
    SetFilePointer(file.Get(), 0, nullptr, rewrite ? FILE_BEGIN : FILE_END);
    DWORD written = 0;
    WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (rewrite)
        SetEndOfFile(file.Get());
}

} // namespace

void AppendRestoreBatchLine(const std::string& path, const std::string& parkedPath)
{
    UpdateRestoreBatch(&path, &parkedPath);
}

void UpgradeRestoreBatchFile()
{
    UpdateRestoreBatch(nullptr, nullptr);
}

void RedirectStartupLinkToQuillrest(int csidl, std::vector<std::string>* parkedPaths)
{
    WriteLog("RedirectStartupLinkToQuillrest c=%d", csidl);
    // Listed first: renaming while the search runs could list a file twice.
    std::vector<StartupLink> links;
    if (!ListStartupLinks(csidl, !Is9x(), links))
        return;
    for (const StartupLink& link : links) {
        const std::string& path = link.path;
        if (!link.survives) {
            WriteLog(kLeftInPlaceLog, path.c_str());
            continue;
        }
        const std::string parked = path + ".Quillrest";
        WriteLog("Moving [%s] to [%s]", path.c_str(), parked.c_str());
        bool moved = MoveEntryFile(path, parked, false) != FALSE;
        const DWORD error = moved ? 0 : GetLastError();
        // The shortcut was re-created after it was parked: the new one takes the
        // old one's place in one step.  Any other failure (the shortcut is gone,
        // perhaps parked by another session's instance) leaves both files alone.
        if (!moved && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) && win::FileExists(path))
            moved = MoveEntryFile(path, parked, true) != FALSE;
        if (moved)
            AppendRestoreBatchLine(path, parked);
        else
            WriteLog("Unable to move %s to %s for redirect", path.c_str(), parked.c_str());
        if (moved && parkedPaths)
            parkedPaths->push_back(parked);
    }
}

void RedirectRegKeyToQuillrest(HKEY root, const char* path, int logNumber, REGSAM view,
                               std::vector<std::string>* parked)
{
    const unsigned rootValue = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(root));
    WriteLog("RedirectRegKeyToQuillrest HK=x%0X, p=%s, l=%d%s", rootValue, path, logNumber, ViewText(view).c_str());
    win::UniqueKey key;
    win::UniqueKey capture;
    LONG result = RegOpenKeyExA(root, path, 0, KEY_READ | KEY_WRITE | view, key.Out());
    if (result == ERROR_SUCCESS) {
        const std::string capturePath = std::string(path) + "\\" + kCaptureSubkey;
        result = RegCreateKeyExA(root, capturePath.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr,
                                 capture.Out(), nullptr);
    }
    if (!key || !capture) {
        // The registry calls return their error instead of setting the thread's.
        WriteLog("Reg Failed GLE=%d, hB=%u, hR=%u, ln=%d, hk=x%0X", static_cast<int>(result),
                 static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(capture.Get())),
                 static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(key.Get())), logNumber, rootValue);
        return;
    }
    const bool check = !Is9x();
    if (check)
        DropBestFitCopies(key.Get(), capture.Get());
    std::vector<std::string> moved;
    RegValue value;
    for (DWORD index = 0; EnumRegValue(key.Get(), index, value) == ERROR_SUCCESS; ++index) {
        if (value.name == kOwnRunValue)
            continue;
        // Windows keeps starting it: a copy would lose characters, and the original could not be deleted.
        if (check && !RegValueSurvives(key.Get(), index, value)) {
            WriteLog(kLeftInPlaceLog, value.name.c_str());
            continue;
        }
        if (WriteEntryValue(capture.Get(), value) == ERROR_SUCCESS)
            moved.push_back(value.name);
    }
    // Deleting only after the walk keeps the enumeration indices valid.
    for (const std::string& name : moved)
        RegDeleteValueA(key.Get(), name.c_str());
    if (parked)
        parked->insert(parked->end(), moved.begin(), moved.end());
}

namespace {

// Names once for the process each entry of the machine-wide places, which it
// may not change: Windows starts them as before.
void LeaveMachinePlacesToWindows()
{
    static std::set<std::string> named;
    const auto leave = [](const std::string& name, const std::string& place) {
        if (named.insert(place + "\n" + win::ToLower(name)).second)
            WriteLog("Leaving %s where it is for Windows to start: only an administrator can park entries of %s",
                     name.c_str(), place.c_str());
    };
    for (REGSAM view : HklmRunViews(Is64BitWindows())) {
        win::UniqueKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE | view, key.Out()) != ERROR_SUCCESS)
            continue;
        RegValue value;
        for (DWORD index = 0; EnumRegValue(key.Get(), index, value) == ERROR_SUCCESS; ++index)
            if (value.name != kOwnRunValue)
                leave(value.name, "HKLM Run" + ViewText(view));
    }
    std::vector<StartupLink> links;
    ListStartupLinks(CSIDL_COMMON_STARTUP, false, links);
    for (const StartupLink& link : links)
        leave(link.path, "the common Startup folder");
}

} // namespace

void PrepForReboot(bool userPlaces)
{
    WriteLog("PrepForReboot");
    // Decided from the token, before anything is written: without administrator
    // rights (a standard user, or an administrator's filtered token on Windows
    // Vista and later) the machine-wide places stay as they are until an
    // elevated run (the configuration sheet, an install) parks them.
    const bool machinePlaces = IsAdministrator();
    if (machinePlaces)
        RedirectStartupLinkToQuillrest(CSIDL_COMMON_STARTUP);
    if (userPlaces)
        RedirectStartupLinkToQuillrest(CSIDL_STARTUP);
    if (machinePlaces) {
        for (REGSAM view : HklmRunViews(Is64BitWindows()))
            RedirectRegKeyToQuillrest(HKEY_LOCAL_MACHINE, kRunKey, 503, view);
        if (Is9x())
            RedirectRegKeyToQuillrest(HKEY_LOCAL_MACHINE, kRunServicesKey, 506);
    } else {
        LeaveMachinePlacesToWindows();
    }
    if (userPlaces)
        RedirectRegKeyToQuillrest(HKEY_CURRENT_USER, kRunKey, 509);
}
