// Start-up redirection: parks Run values and Startup shortcuts where only Quillrest finds them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// Parks everything that Windows would start at the next log-on; without
// `userPlaces` only the machine-wide places (the common Startup folder, the
// machine's Run keys), not those of the account that runs.  A process without
// administrator rights leaves the machine-wide places to Windows and names
// each of their entries in the log, once.
void PrepForReboot(bool userPlaces = true);
// `parkedPaths`, when given, receives the parked path of every shortcut moved.
void RedirectStartupLinkToQuillrest(int csidl, std::vector<std::string>* parkedPaths = nullptr);
// Moves the values of `path` into `path`\Quillrest, both opened in registry
// view `view` (0: the process's own), so each value stays in its view.
// `parked`, when given, receives the name of every value moved.
void RedirectRegKeyToQuillrest(HKEY root, const char* path, int logNumber, REGSAM view = 0,
                               std::vector<std::string>* parked = nullptr);
void AppendRestoreBatchLine(const std::string& path, const std::string& parkedPath);
// Rewrites an earlier version's pairs in the batch file in today's form.
void UpgradeRestoreBatchFile();

// The restore batch file's text, pure.
std::string RestoreBatchHeader();
// The line that puts one parked shortcut back: it renames the parked file to
// the shortcut's name only where no newer shortcut stands.
std::string RestoreBatchPair(const std::string& path, const std::string& parkedPath);
// `text` with each pair an earlier version wrote ("copy" the parked file over
// the shortcut, then "del" it, which overwrote newer shortcuts and deleted the
// parked file even when the copy failed) replaced by today's line; the lines
// are read in `oemCodePage` until a "chcp" line switches it.
std::string UpgradeRestoreBatch(const std::string& text, UINT oemCodePage);
// Text as cmd.exe reads a batch file: in the console's code page, the system's
// OEM one (`oemCodePage`).
// Text that code page cannot carry keeps code page `codePage`, between two
// "chcp" lines that switch the console to it and back (Windows 10's cmd.exe
// reads UTF-8 after "chcp 65001"); plain ASCII stays as it is.
std::string BatchEncoding(const std::string& text, UINT codePage, UINT oemCodePage);
// What to append to a batch file that holds `existing`: nothing when the pair
// is already there (letter case of A to Z ignored), the header first when it
// is empty; the pair in the batch file's encoding.
std::string RestoreBatchAddition(const std::string& existing, const std::string& path, const std::string& parkedPath);
