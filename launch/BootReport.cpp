// The boot report file: kept for the last 20 boots in the local application-data folder.
#include "launch/BootReport.h"
#include "app/Log.h"
#include "app/RegNames.h"
#include "win/Raii.h"
#include "win/Util.h"
#include <shlobj.h>

namespace {

// Anything bigger is not a file this program wrote.
constexpr DWORD kMaxReportBytes = 1024 * 1024;

bool ReadSmallFile(const std::string& path, std::string& text, bool& tooBig)
{
    tooBig = false;
    win::UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD high = 0;
    const DWORD size = GetFileSize(file.Get(), &high);
    if (high != 0 || size > kMaxReportBytes) {
        tooBig = true;
        return true;
    }
    text.assign(size, '\0');
    DWORD read = 0;
    if (size && (!ReadFile(file.Get(), &text[0], size, &read, nullptr) || read != size))
        return false;
    return true;
}

} // namespace

std::string BootReportPath()
{
    // Windows 95 and NT 4 without a newer shell know no local application-data folder.
    std::string folder;
    if (!win::SpecialFolder(CSIDL_LOCAL_APPDATA, folder) && !win::SpecialFolder(CSIDL_APPDATA, folder)) {
        // A path of MAX_PATH characters takes more bytes in a multi-byte code page.
        char temp[MAX_PATH * 4] = "";
        const DWORD length = GetTempPathA(sizeof(temp), temp);
        if (length == 0 || length >= sizeof(temp))
            return std::string();
        folder.assign(temp, length);
    }
    return win::PathJoin(folder, kBootReportFileName);
}

ReportState LoadBootReport(const std::string& path, std::vector<BootRecord>& boots)
{
    boots.clear();
    std::string text;
    bool tooBig = false;
    if (!ReadSmallFile(path, text, tooBig))
        return win::FileExists(path) ? ReportState::Damaged : ReportState::Missing;
    if (tooBig || !ParseBootReport(text, boots)) {
        boots.clear();
        return ReportState::Damaged;
    }
    return ReportState::Loaded;
}

bool AppendBootRecord(const std::string& path, const BootRecord& boot)
{
    if (path.empty())
        return false;
    std::vector<BootRecord> boots;
    if (LoadBootReport(path, boots) == ReportState::Damaged) {
        const std::string aside = path + ".bad";
        DeleteFileA(aside.c_str());
        if (!MoveFileA(path.c_str(), aside.c_str()))
            DeleteFileA(path.c_str());
        WriteLog("Boot report %s was damaged: set aside as %s", path.c_str(), aside.c_str());
    }
    boots.push_back(boot);
    if (boots.size() > kBootReportKeep)
        boots.erase(boots.begin(), boots.end() - static_cast<long>(kBootReportKeep));
    // Written beside and then swapped in, so a crash never leaves half a report.
    const std::string fresh = path + ".new";
    if (!win::WriteWholeFile(fresh, FormatBootReport(boots)))
        return false;
    DeleteFileA(path.c_str());
    if (!MoveFileA(fresh.c_str(), path.c_str())) {
        DeleteFileA(fresh.c_str());
        return false;
    }
    return true;
}
