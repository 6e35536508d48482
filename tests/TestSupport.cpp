// Shared helpers for the tests: registry reset, running the real exe, reading the log.
#include "TestSupport.h"
#include "tools/ToolSupport.h"
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shlwapi.h>

namespace qrtest {

namespace {
std::string Backslashes(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}
} // namespace

std::string ProductExe() { return Backslashes(QR_PRODUCT_EXE); }
std::string ProductApplet() { return Backslashes(QR_PRODUCT_APPLET); }
std::string ToolPath(const char* toolName) { return Backslashes(std::string(QR_TOOLS_DIR) + "/" + toolName + ".exe"); }
std::string SourcePath(const char* relative) { return Backslashes(std::string(QR_SOURCE_DIR) + "/" + relative); }

void DeleteTree(HKEY root, const char* path, REGSAM view)
{
    if (!view) {
        SHDeleteKeyA(root, path);
        return;
    }
    // A key opened in a view keeps its subkeys in that view.
    const std::string full = path;
    const size_t slash = full.rfind('\\');
    win::UniqueKey parent;
    if (slash != std::string::npos &&
        RegOpenKeyExA(root, full.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view, parent.Out()) == ERROR_SUCCESS)
        SHDeleteKeyA(parent.Get(), full.substr(slash + 1).c_str());
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path, REGSAM view)
{
    std::vector<std::string> names;
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Out()) != ERROR_SUCCESS)
        return names;
    std::vector<char> name(16384);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueA(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

void ResetProductKey()
{
    DeleteTree(HKEY_LOCAL_MACHINE, kProductKey);
    // The policy key too, in the view the program reads it.
    win::UniqueKey vendor;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Policies\\Hollowmere", 0, KEY_ALL_ACCESS | PolicyKeyView(),
                      vendor.Out()) == ERROR_SUCCESS)
        SHDeleteKeyA(vendor.Get(), "Quillrest");
}

void SetPolicy(const char* name, const std::string& bytes, DWORD type)
{
    SetValue(HKEY_LOCAL_MACHINE, kPolicyKey, name, bytes, type, PolicyKeyView());
}

void SetPolicy(const char* name, DWORD value)
{
    SetPolicy(name, std::string(reinterpret_cast<const char*>(&value), sizeof(value)), REG_DWORD);
}

void FreshLog()
{
    SetLogSwitch(true);
    DeleteFileA(LogFilePath().c_str());
}

std::string ReadLog()
{
    std::string text;
    win::ReadWholeFile(LogFilePath(), text);
    return text;
}

std::vector<std::string> LogMessages()
{
    std::vector<std::string> messages;
    for (const std::string& line : win::SplitLines(ReadLog())) {
        size_t gle = line.find(", GLE:");
        size_t message = gle == std::string::npos ? std::string::npos : line.find(", ", gle + 6);
        if (message != std::string::npos)
            messages.push_back(line.substr(message + 2));
    }
    return messages;
}

bool LogHas(const std::string& message)
{
    for (const std::string& line : LogMessages())
        if (line == message)
            return true;
    return false;
}

size_t LogCount(const std::string& start)
{
    size_t count = 0;
    for (const std::string& line : LogMessages())
        count += line.compare(0, start.size(), start) == 0;
    return count;
}

HANDLE StartProcess(const std::string& exe, const std::string& arguments, const std::string& workingDir)
{
    // Wine 8: a test that starts a Unix program (python3 as a web site or PAC engine)
    // before any of its threads has opened the desktop may find the desktop closed to
    // it afterwards: every later window fails, a download's notification window too
    // (seen with the source tree under /tmp).  Opening it first keeps it open.
    GetDesktopWindow();
    return qrtool::Start("\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments), workingDir);
}

void KillProcess(HANDLE& process)
{
    if (!process)
        return;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
    process = nullptr;
}

RunResult RunProcess(const std::string& exe, const std::string& arguments, DWORD timeoutMs,
                     const std::string& workingDir)
{
    RunResult result;
    HANDLE process = StartProcess(exe, arguments, workingDir);
    if (!process)
        return result;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        result.finished = true;
        GetExitCodeProcess(process, &result.exitCode);
    }
    KillProcess(process);
    return result;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        // Keep this thread's windows (if any) responsive while waiting.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

HWND WaitForWindow(const char* title, DWORD timeoutMs)
{
    HWND window = nullptr;
    return WaitFor([&] { return (window = FindWindowA(nullptr, title)) && IsWindowVisible(window); }, timeoutMs)
               ? window
               : nullptr;
}

bool ValueExists(HKEY root, const char* path, const char* name)
{
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return false;
    return RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string ReadString(HKEY root, const char* path, const char* name)
{
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return std::string();
    char buffer[8192] = "";
    DWORD size = sizeof(buffer) - 1;
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return std::string();
    return buffer;
}

void SetString(HKEY root, const char* path, const char* name, const std::string& value, DWORD type)
{
    SetValue(root, path, name, value + '\0', type);
}

void SetValue(HKEY root, const std::string& path, const std::string& name, const std::string& bytes, DWORD type,
              REGSAM view)
{
    win::UniqueKey key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, key.Out(), nullptr) ==
        ERROR_SUCCESS)
        RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
}

void DeleteValue(HKEY root, const std::string& path, const std::string& name, REGSAM view)
{
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE | view, key.Out()) == ERROR_SUCCESS)
        RegDeleteValueA(key.Get(), name.c_str());
}

void SetDword(HKEY root, const char* path, const char* name, DWORD value)
{
    win::UniqueKey key;
    RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, key.Out(), nullptr);
    RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

DWORD GetDword(HKEY root, const char* path, const char* name, DWORD missing)
{
    win::UniqueKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return missing;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return missing;
    return value;
}

std::string MakeTempFolder(const char* prefix)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string path = win::Format("%s%s_%lu_%lu", temp, prefix, GetCurrentProcessId(), GetTickCount());
    RemoveTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    win::UniqueFind find(FindFirstFileA((path + "\\*").c_str(), &found));
    if (find) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find.Get(), &found));
    }
    find.Reset();
    RemoveDirectoryA(path.c_str());
}

bool WriteFileText(const std::string& path, const std::string& text)
{
    return win::WriteWholeFile(path, text);
}

DialogAnswerer::DialogAnswerer(const std::string& title, int buttonId, DWORD timeoutMs, bool messageBoxOnly)
    : title_(title), buttonId_(buttonId), timeoutMs_(timeoutMs), messageBoxOnly_(messageBoxOnly)
{
    DWORD id = 0;
    thread_ = CreateThread(nullptr, 0, &DialogAnswerer::Run, this, 0, &id);
}

DialogAnswerer::~DialogAnswerer()
{
    Join();
}

void DialogAnswerer::Join()
{
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

bool DialogAnswerer::Answered()
{
    Join();
    return answered_;
}

std::string DialogAnswerer::Text()
{
    Join();
    return text_;
}

UINT DialogAnswerer::IconStyle()
{
    Join();
    return hasIcon_ ? MB_ICONWARNING : 0;
}

DWORD WINAPI DialogAnswerer::Run(LPVOID param)
{
    DialogAnswerer* self = static_cast<DialogAnswerer*>(param);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < self->timeoutMs_) {
        HWND box = nullptr;
        while ((box = FindWindowExA(nullptr, box, nullptr, self->title_.c_str())) != nullptr)
            if (IsWindowVisible(box) && (!self->messageBoxOnly_ || GetDlgItem(box, 0xFFFF)))
                break;
        if (box) {
            char text[8192] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
            self->text_ = text;
            // A message box shows its icon in a static with id 0x14; Wine uses id 1088
            // and keeps that static even without an icon, so ask it for its icon.
            HWND icon = GetDlgItem(box, 0x14);
            if (!icon)
                icon = GetDlgItem(box, 1088);
            self->hasIcon_ = icon && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0);
            HWND button = GetDlgItem(box, self->buttonId_);
            if (button)
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(self->buttonId_, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            else
                PostMessageA(box, WM_COMMAND, MAKEWPARAM(self->buttonId_, BN_CLICKED), 0);
            self->answered_ = true;
            // Wait until the box is gone, so a following answerer cannot catch it closing.
            for (DWORD waited = 0; IsWindow(box) && waited < 5000; waited += 20)
                Sleep(20);
            return 0;
        }
        Sleep(20);
    }
    return 0;
}

void ProductTest::SetUp()
{
    ResetProductKey();
    FreshLog();
}

void ProductTest::TearDown()
{
    ResetProductKey();
}

} // namespace qrtest
