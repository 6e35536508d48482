// Diagnostic log: one printf-style writer shared by every thread and instance.
#pragma once
#include <string>

void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The process-wide logging switch (off when the process starts).
void SetLogSwitch(bool on);
bool IsLogSwitchOn();

// Counts "LogBootCount" down and switches "Log" off when it reaches 0 (not while a policy fixes "Log").
void RunLoggingCountdown();

// Path of the log file, empty when the documents folder is unknown.
std::string LogFilePath();

// A quiet install or uninstall also writes every line to this file, whether
// or not the switch is on, so the deployment tool that ran it can tell what
// happened.  Set once, before other threads start.
void SetSetupLogFile(const std::string& path);
// "QuillrestSetup.log" in the temp folder of the account that runs.
std::string SetupLogPath();

// Pure formatting parts, exposed for tests.
std::string LogTimeStamp(int month, int day, int year, int hour, int minute, int second);
// The whole line as written: message cut to 2048 bytes (never inside a character), "\r\n" added
// unless the message ends in a line feed.
std::string LogLine(const std::string& stamp, unsigned tid, unsigned pid, unsigned gle, const std::string& message);

// Tracing convention: "Entered %s", the body under a catch-all that logs
// "###### Exception in %s", then "\tLeaving %s".
template <class Body>
void Traced(const char* name, Body&& body)
{
    WriteLog("Entered %s", name);
    try {
        body();
    } catch (...) {
        WriteLog("###### Exception in %s", name);
    }
    WriteLog("\tLeaving %s", name);
}

// For traced operations that return a result: an exception returns `onException`
// at once, without the "Leaving" line.
template <class Result, class Body>
Result TracedResult(const char* name, Result onException, Body&& body)
{
    WriteLog("Entered %s", name);
    try {
        Result result = body();
        WriteLog("\tLeaving %s", name);
        return result;
    } catch (...) {
        WriteLog("###### Exception in %s", name);
        return onException;
    }
}
