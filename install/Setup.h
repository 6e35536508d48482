// What every install and uninstall run shares: how it ended and the exit code deployment tools read,
// the quiet switch with the answers a quiet run takes itself, and the lock that keeps two runs apart.
#pragma once
#include "win/Raii.h"
#include <windows.h>
#include <string>

enum class SetupOutcome {
    Done,
    Cancelled,        // by the user
    Failed,           // the reason is in the log
    RestartNeeded,    // done, but something waits for the next restart
    Busy,             // another install or uninstall runs
};

struct SetupResult {
    SetupOutcome outcome = SetupOutcome::Done;
    std::string reason;    // for the log and the deployment tool's log
};

// The exit code deployment tools know: 0, 1602, 1603, 3010, 1618.
DWORD SetupExitCode(SetupOutcome outcome);

// A quiet run ("-quiet") shows no window at all.  Set once at start-up.
void SetQuietRun(bool quiet);
bool IsQuietRun();

// Shows a message box without owner and returns the answer; a quiet run shows
// nothing, logs the message and takes `safeAnswer`, the answer that loses nothing.
int AskOrTakeSafeAnswer(const std::string& text, const char* title, UINT style, int safeAnswer);
// An OK-only message (shown, or only logged in a quiet run).
void Inform(const std::string& text, const char* title);

// Held from the start of an install or uninstall to its end: a second run
// finds it taken (also from another session or account) and ends at once.
class SetupLock {
public:
    SetupLock();
    ~SetupLock();
    SetupLock(const SetupLock&) = delete;
    SetupLock& operator=(const SetupLock&) = delete;
    bool Held() const { return held_; }

private:
    win::UniqueHandle mutex_;
    bool held_ = false;
};
