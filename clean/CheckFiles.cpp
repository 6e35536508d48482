// Check-disk fragment cleaner.
#include "clean/CheckFiles.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/CleanRules.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <string>
#include <vector>

void DeleteCheckFiles()
{
    if (!ProductDword(kDelFileChk, 0))
        return;
    WriteLog("DeleteCheckFiles");

    FILETIME nowTime;
    GetSystemTimeAsFileTime(&nowTime);
    const int64_t now = static_cast<int64_t>(win::FileTimeTicks(nowTime));
    long long files = 0;
    long long bytes = 0;

    std::vector<std::string> stack{"C:\\"};
    while (!stack.empty()) {
        std::string directory = stack.back();
        stack.pop_back();
        WIN32_FIND_DATAA found;
        win::UniqueFind search(FindFirstFileA(win::PathJoin(directory, "*.*").c_str(), &found));
        if (!search)
            continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                // A junction could lead back to its parent: follow real directories only.
                if (IsFragmentDirName(found.cFileName) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    stack.push_back(win::PathJoin(directory, found.cFileName));
                continue;
            }
            if (!IsFragmentFileName(found.cFileName) ||
                !IsOldFragment(FragmentAgeDays(now, static_cast<int64_t>(win::FileTimeTicks(found.ftLastWriteTime)))))
                continue;
            std::string path = win::PathJoin(directory, found.cFileName);
            // Only a fragment that is really gone counts; one that resists stays for the next run.
            if (DeleteFileA(path.c_str())) {
                ++files;
                bytes += (static_cast<long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            } else {
                WriteLog("Failed to delete %s", path.c_str());
            }
        } while (FindNextFileA(search.Get(), &found));
    }

    if (files) {
        AddToCounter(kCounterJunkFiles, files);
        AddToCounter(kCounterJunkBytes, bytes);
    }
}
