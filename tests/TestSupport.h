// Shared helpers for the tests: registry reset, running the real exe, reading the log.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace qrtest {

// Windows paths of the build outputs (backslashes).
std::string ProductExe();
std::string ProductApplet();
std::string ToolPath(const char* toolName);    // "probe" -> ...\tests\probe.exe
std::string SourcePath(const char* relative);

// Deletes HKLM\software\Quillrest with everything below it, and the policy key.
void ResetProductKey();
// A value of the policy key, as Group Policy writes it (bytes as they are).
void SetPolicy(const char* name, const std::string& bytes, DWORD type);
void SetPolicy(const char* name, DWORD value);
// Turns logging on for this test process and deletes the log file.
void FreshLog();
std::string ReadLog();
std::vector<std::string> LogMessages();    // message part of every line
bool LogHas(const std::string& message);
// How many log messages begin with `start`.
size_t LogCount(const std::string& start);

struct RunResult {
    bool finished = false;    // false: timed out (the process was killed)
    DWORD exitCode = 0;
};
// Runs `exe` with `arguments` (and optional working directory) and waits.
RunResult RunProcess(const std::string& exe, const std::string& arguments, DWORD timeoutMs,
                     const std::string& workingDir = std::string());
// Starts without waiting; the caller owns the returned process handle.
HANDLE StartProcess(const std::string& exe, const std::string& arguments, const std::string& workingDir = std::string());
// Ends a process (if still running) and closes its handle.
void KillProcess(HANDLE& process);

// How long a test waits for something that must happen: only a guard against a
// hang, never a measure of speed (a condition that holds returns at once), so
// a slow or busy machine still passes.
constexpr DWORD kPatienceMs = 60000;

// Polls `condition` every 20 ms until it holds or `timeoutMs` passes.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs);
// The visible top-level window of that title once it shows; nullptr when it does not in time.
HWND WaitForWindow(const char* title, DWORD timeoutMs = kPatienceMs);

// Registry helpers for fixtures.
// Deletes `path` with everything below it, in the registry view `view` (0: the process's own).
void DeleteTree(HKEY root, const char* path, REGSAM view = 0);
// Value names of a key in the registry view `view`, in enumeration order.
std::vector<std::string> ValueNames(HKEY root, const std::string& path, REGSAM view = 0);
bool ValueExists(HKEY root, const char* path, const char* name);
std::string ReadString(HKEY root, const char* path, const char* name);
void SetString(HKEY root, const char* path, const char* name, const std::string& value, DWORD type = REG_SZ);
// Writes `bytes` as they are (a string's closing NUL included) in the registry
// view `view` (0: the process's own); creates the key.
void SetValue(HKEY root, const std::string& path, const std::string& name, const std::string& bytes, DWORD type,
              REGSAM view = 0);
void DeleteValue(HKEY root, const std::string& path, const std::string& name, REGSAM view = 0);
void SetDword(HKEY root, const char* path, const char* name, DWORD value);
DWORD GetDword(HKEY root, const char* path, const char* name, DWORD missing = 0xFFFFFFFF);

// A fresh empty folder under the prefix's temp directory.
std::string MakeTempFolder(const char* prefix);
void RemoveTree(const std::string& path);
bool WriteFileText(const std::string& path, const std::string& text);

// Answers the first top-level dialog (a message box or one of ours) whose title
// is `title`, on a thread of its own, by clicking `buttonId`.  Remembers the
// message text (static 0xFFFF of a message box) and whether it was found.
// Use one per expected box; the destructor waits for the thread.
class DialogAnswerer {
public:
    // `messageBoxOnly`: skip windows of that title that are not message boxes.
    DialogAnswerer(const std::string& title, int buttonId, DWORD timeoutMs = kPatienceMs, bool messageBoxOnly = false);
    ~DialogAnswerer();
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;
    bool Answered();          // waits for the thread first
    std::string Text();       // waits for the thread first
    UINT IconStyle();         // MB_ICONWARNING etc. guessed from the box's icon control; 0 when none

private:
    static DWORD WINAPI Run(LPVOID self);
    void Join();
    std::string title_;
    int buttonId_;
    DWORD timeoutMs_;
    bool messageBoxOnly_;
    HANDLE thread_ = nullptr;
    bool answered_ = false;
    bool hasIcon_ = false;
    std::string text_;
};

// Fixture base: product key reset before and after each test, logging on.
class ProductTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace qrtest
