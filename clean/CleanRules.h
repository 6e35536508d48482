// Pure rules of the cleaners: file-name patterns, fragment age, URL selection and the MSCDEX line edits.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Upper case of the ASCII letters only; the rules compare ASCII texts.
std::string AsciiUpper(std::string text);

// Temporary-file naming: a leading '~' or the extension ".TMP" (from the last '.').
bool IsSafeTempName(const std::string& name);
// A temporary-directory candidate as the set holds it: without a trailing backslash.
std::string WithoutTrailingBackslash(std::string path);
// The profile's Local Settings\Temp derived from its application-data folder,
// or "C:\TEMP" when the path has no "Application Data" in it.
std::string LocalSettingsTempFrom(const std::string& appDataPath);

// Check-disk fragments, compared byte for byte: FOUND.nnn directories and FILEnnnn.CHK files.
bool IsFragmentDirName(const std::string& name);
bool IsFragmentFileName(const std::string& name);
// Whole days between two FILETIME values (100 ns units), truncated towards zero;
// negative when `lastWrite` lies in the future.
int64_t FragmentAgeDays(int64_t now, int64_t lastWrite);
constexpr int64_t kFragmentMaxAgeDays = 60;
inline bool IsOldFragment(int64_t ageDays) { return ageDays > kFragmentMaxAgeDays; }

// URL cache selection: `pattern` is a prefix or "*"; exclusions may be null.
bool IsUrlSelected(const std::string& url, const std::string& pattern);
bool IsUrlExcluded(const std::string& url, const char* exclusion1, const char* exclusion2);

// MSCDEX edits of AUTOEXEC.BAT.
extern const char* const kMscdexBelowMarker;
extern const char* const kMscdexAboveMarker;
bool IsActiveMscdexLine(const std::string& line);
bool HasActiveMscdexLine(const std::vector<std::string>& lines);
std::vector<std::string> CommentOutMscdex(const std::vector<std::string>& lines);
std::vector<std::string> RestoreMscdex(const std::vector<std::string>& lines);
// Lines as a text-mode reader sees them: CR LF reads as LF, Ctrl-Z ends the
// file, and each line comes without its line feed.
std::vector<std::string> SplitTextLines(const std::string& contents);
// Each line followed by CR LF, as a text-mode writer writes it.
std::string JoinTextLines(const std::vector<std::string>& lines);
