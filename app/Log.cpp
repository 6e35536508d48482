// Diagnostic log: one printf-style writer shared by every thread and instance.
#include "app/Log.h"
#include "app/Policy.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "win/Dialog.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shlobj.h>
#include <cstdarg>
#include <cstdio>

namespace {

volatile LONG g_loggingOn = 0;
HANDLE volatile g_logMutex = nullptr;
std::string g_setupLog;

constexpr size_t kMaxMessage = 2048;

// The window framework's trace lines go to this log.
void TraceToLog(const char* line)
{
    WriteLog("%s", line);
}
const bool g_traceRegistered = (win::SetTraceSink(&TraceToLog), true);

void EnsureMutex()
{
    if (g_logMutex)
        return;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kLogMutex);
    if (InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&g_logMutex), mutex, nullptr) != nullptr &&
        mutex)
        CloseHandle(mutex);    // another thread won the race; its handle stays for the process
}

void AppendLine(const std::string& path, const std::string& message, DWORD callerError)
{
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string stamp = LogTimeStamp(now.wMonth, now.wDay, now.wYear, now.wHour, now.wMinute, now.wSecond);
    std::string line = LogLine(stamp, GetCurrentThreadId(), GetCurrentProcessId(), callerError, message);
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace

void SetLogSwitch(bool on)
{
    InterlockedExchange(&g_loggingOn, on ? 1 : 0);
}

bool IsLogSwitchOn()
{
    return g_loggingOn != 0;
}

std::string LogFilePath()
{
    std::string documents;
    if (!win::SpecialFolder(CSIDL_PERSONAL, documents))
        return std::string();
    return win::PathJoin(documents, kLogFileName);
}

std::string LogTimeStamp(int month, int day, int year, int hour, int minute, int second)
{
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const char* name = month >= 1 && month <= 12 ? kMonths[month - 1] : "???";
    return win::Format("%s %02d,%d %02d:%02d:%02d", name, day, year, hour, minute, second);
}

std::string LogLine(const std::string& stamp, unsigned tid, unsigned pid, unsigned gle, const std::string& message)
{
    const std::string cut = win::CutText(message, kMaxMessage);
    std::string line = win::Format("<%s>, TID:%u, PID:%u, GLE:%u, ", stamp.c_str(), tid, pid, gle) + cut;
    if (cut.empty() || cut.back() != '\n')
        line += "\r\n";
    return line;
}

void SetSetupLogFile(const std::string& path)
{
    g_setupLog = path;
}

std::string SetupLogPath()
{
    char temp[MAX_PATH * 2] = "";
    const DWORD length = GetTempPathA(sizeof(temp), temp);
    if (length == 0 || length >= sizeof(temp))
        return std::string();
    return win::PathJoin(temp, kSetupLogFileName);
}

void WriteLog(const char* format, ...)
{
    EnsureMutex();
    if (!g_loggingOn && g_setupLog.empty())
        return;
    DWORD callerError = GetLastError();
    WaitForSingleObject(g_logMutex, 5000);    // after a time-out the line is written anyway

    va_list args;
    va_start(args, format);
    std::string message = win::FormatV(format, args);
    va_end(args);

    if (g_loggingOn) {
        std::string path = LogFilePath();
        if (!path.empty())
            AppendLine(path, message, callerError);
    }
    if (!g_setupLog.empty())
        AppendLine(g_setupLog, message, callerError);
    ReleaseMutex(g_logMutex);
    SetLastError(0);
}

void RunLoggingCountdown()
{
    // A policy decides alone; the user's own countdown waits for its end.
    if (FixedByPolicy(kLog))
        return;
    DWORD count = ProductDword(kLogBootCount, 0);
    if (count > 0) {
        --count;
        SetProductDword(kLogBootCount, count);
    }
    if (count == 0)
        SetProductDword(kLog, 0);
}
