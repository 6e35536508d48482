// Temporary-file cleaner.
#include "clean/TempFiles.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/CleanRules.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <shlobj.h>
#include <shlwapi.h>

namespace {

constexpr DWORD kPathBuffer = 2048;
const std::vector<std::string>* g_candidatesForTest = nullptr;

std::string FromBuffer(const char* buffer, DWORD length)
{
    return length && length < kPathBuffer ? std::string(buffer, length) : std::string();
}

// GetLongPathNameA is missing on Windows 95 and NT 4: there the path stays as found.
std::string LongForm(const std::string& path)
{
    using GetLongPathNameFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
    static const GetLongPathNameFn getLongPathName =
        win::LookUp<GetLongPathNameFn>(GetModuleHandleA("kernel32.dll"), "GetLongPathNameA");
    if (!getLongPathName)
        return path;
    char buffer[kPathBuffer];
    DWORD length = getLongPathName(path.c_str(), buffer, kPathBuffer);
    std::string longPath = FromBuffer(buffer, length);
    return longPath.empty() ? path : longPath;
}

std::string SearchPattern(const std::string& directory)
{
    return directory + (directory.empty() || directory.back() != '\\' ? "\\*.*" : "*.*");
}

std::string FullPath(const std::string& directory, const char* name)
{
    return directory + (directory.empty() || directory.back() != '\\' ? "\\" : "") + name;
}

// Calls `visit` for every plain file (not a directory) directly inside `directory`.
template <class Visit>
void ForEachFile(const std::string& directory, Visit&& visit)
{
    WIN32_FIND_DATAA found;
    win::UniqueFind search(FindFirstFileA(SearchPattern(directory).c_str(), &found));
    if (!search)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            visit(found);
    } while (FindNextFileA(search.Get(), &found));
}

long long FileSize(const WIN32_FIND_DATAA& found)
{
    return (static_cast<long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

} // namespace

void OverrideTempCandidatesForTest(const std::vector<std::string>* candidates)
{
    g_candidatesForTest = candidates;
}

std::vector<std::string> TempDirectoryCandidates()
{
    if (g_candidatesForTest)
        return *g_candidatesForTest;
    std::vector<std::string> candidates;
    char buffer[kPathBuffer];

    candidates.push_back(FromBuffer(buffer, GetTempPathA(kPathBuffer, buffer)));
    candidates.push_back("C:\\TEMP");

    UINT length = GetWindowsDirectoryA(buffer, kPathBuffer);
    bool haveWindowsTemp = length && length < kPathBuffer && PathAppendA(buffer, "TEMP");
    candidates.push_back(haveWindowsTemp ? buffer : "");

    char appData[kPathBuffer] = "C:\\TEMP";
    if (SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE))
        candidates.push_back(LocalSettingsTempFrom(appData));
    else
        candidates.push_back("C:\\TEMP");
    return candidates;
}

std::set<std::string> TempDirectorySet(const std::vector<std::string>& candidates)
{
    std::set<std::string> directories;
    for (const std::string& candidate : candidates) {
        std::string path = WithoutTrailingBackslash(candidate);
        if (path.empty() || path.size() >= kPathBuffer || !win::FileExists(path))
            continue;
        directories.insert(LongForm(path));
    }
    return directories;
}

std::set<std::string> GetTempDirectories()
{
    return TempDirectorySet(TempDirectoryCandidates());
}

TempCleanResult CleanTempDirectories(const std::set<std::string>& directories, bool deleteSafe, bool deleteAll)
{
    TempCleanResult result;
    for (const std::string& directory : directories) {
        ForEachFile(directory, [&](const WIN32_FIND_DATAA& found) {
            if (!(deleteAll || (deleteSafe && IsSafeTempName(found.cFileName))))
                return;
            std::string path = FullPath(directory, found.cFileName);
            // Only a file that is really gone counts; a locked one stays for the next run.
            if (DeleteFileA(path.c_str())) {
                ++result.files;
                result.bytes += FileSize(found);
            } else {
                ++result.failed;
                WriteLog("Failed to delete %s", path.c_str());
            }
        });
    }
    return result;
}

void DeleteTempFiles()
{
    DWORD deleteSafe = ProductDwordOrDefault(kDeleteSafeTempFiles, 0);
    DWORD deleteAll = ProductDwordOrDefault(kDeleteAllTempFiles, 0);
    if (!deleteSafe && !deleteAll)
        return;
    WriteLog("DeleteTempFiles");
    TempCleanResult result = CleanTempDirectories(GetTempDirectories(), deleteSafe != 0, deleteAll != 0);
    if (result.files) {
        AddToCounter(kCounterJunkFiles, result.files);
        AddToCounter(kCounterJunkBytes, result.bytes);
    }
}

TempFileCounts CountTempFilesIn(const std::set<std::string>& directories)
{
    TempFileCounts counts;
    for (const std::string& directory : directories) {
        ForEachFile(directory, [&](const WIN32_FIND_DATAA& found) {
            if (IsSafeTempName(found.cFileName))
                ++counts.safeFiles;
            else
                ++counts.otherFiles;
        });
    }
    return counts;
}

TempFileCounts CountTempFiles()
{
    return CountTempFilesIn(GetTempDirectories());
}
