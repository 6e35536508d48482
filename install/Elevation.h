// Administrator work on Windows Vista and later: the program starts itself again
// elevated (one prompt) and waits for that copy.
#pragma once
#include <windows.h>
#include <string>

enum class ElevatedCopy {
    NotNeeded,    // elevated already, a Windows without the prompt, or the copy itself: go on here
    Finished,     // the elevated copy ran to its end; its exit code is given
    Declined,     // the user declined the prompt
    Failed,       // the copy could not be started (logged): go on here as far as the rights allow
};

// Where this run's token lacks administrator rights (Windows Vista and later)
// and `startedElevated` is false, starts the program again through "runas" with
// `arguments` and the elevated switch, waits for it and gives its exit code.
// QR_TEST_ELEVATION=declined in the environment stands in for a declined prompt
// (Wine shows none).
ElevatedCopy StartElevatedCopy(const std::string& arguments, bool startedElevated, DWORD& exitCode);

// The copy's arguments: `arguments` followed by the elevated switch (app/Role.h).
std::string ElevatedCopyArguments(const std::string& arguments);
