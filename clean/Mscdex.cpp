// MSCDEX remover: comments the driver out of C:\AUTOEXEC.BAT between marker lines and puts it back.
#include "clean/Mscdex.h"
#include "app/RegNames.h"
#include "app/Settings.h"
#include "clean/CleanRules.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <vector>

namespace {

const char* const kReadName = "C:\\autoexec.bat";
const char* const kNewName = "C:\\autoexec.new";
const char* const kTargetName = "C:\\AUTOEXEC.BAT";
const char* const kNewSourceName = "C:\\AUTOEXEC.NEW";
const char* const kBackupName = "C:\\AUTOEXEC_BACKUP.bat";
constexpr size_t kMaxReasonLength = 999;

const char* const kRemovedText =
    "MSCDEX has been commented out of C:\\AUTOEXEC.BAT.  You should reboot now to see if you can still access "
    "your CD-ROM drive.  If you can't, return here and press 'Restore MSCDEX'.";
const char* const kRestoredText =
    "C:\\AUTOEXEC.BAT has been restored to its previous state.  You should reboot now to access your CD-ROM drive.";
const char* const kRemoveCopyFailedText =
    "Failed to copy C:\\AUTOEXEC.NEW to C:\\AUTOEXEC.BAT.  MSCDEX could not be removed.";
const char* const kRestoreCopyFailedText =
    "Failed to copy C:\\AUTOEXEC.NEW to C:\\AUTOEXEC.BAT.  MSCDEX could not be restored.";

// The file layer's description of a failed open, naming the file, for the error boxes.
std::string FileErrorReason(DWORD error, const std::string& fileName)
{
    const char* text;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        text = "%1 was not found.";
        break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
        text = "Part of the path of %1 could not be found.";
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        text = "Access to %1 was denied.";
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        text = "%1 is in use by another program.";
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        text = "The disk is full while writing %1.";
        break;
    case ERROR_TOO_MANY_OPEN_FILES:
        text = "Too many files are open to open %1.";
        break;
    default:
        text = "An unexpected error occurred while accessing %1.";
        break;
    }
    std::string reason = text;
    size_t at = reason.find("%1");
    reason.replace(at, 2, fileName);
    return win::CutText(reason, kMaxReasonLength);
}

// Reads the whole file as a text-mode reader would see it; the error code on failure.
DWORD ReadLines(const char* path, std::vector<std::string>& lines)
{
    win::UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    std::string contents;
    char chunk[4096];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr))
            return GetLastError();
        if (!got)
            break;
        contents.append(chunk, got);
    }
    lines = SplitTextLines(contents);
    return ERROR_SUCCESS;
}

DWORD WriteLines(const char* path, const std::vector<std::string>& lines)
{
    win::UniqueFile file(
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    std::string text = JoinTextLines(lines);
    DWORD written = 0;
    if (!text.empty() && !WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        return GetLastError();
    if (written != text.size())
        return ERROR_DISK_FULL;
    return ERROR_SUCCESS;
}

void Warn(HWND owner, const std::string& text)
{
    MessageBoxA(owner, text.c_str(), "Error", MB_OK | MB_ICONWARNING);
}

// Reads the old file, writes the new copy through `transform`, backs up and commits.
template <class Transform>
void EditAutoexec(HWND owner, Transform&& transform, const char* successText, const char* copyFailedText)
{
    SetFileAttributesA(kTargetName, FILE_ATTRIBUTE_NORMAL);

    std::vector<std::string> lines;
    DWORD error = ReadLines(kReadName, lines);
    if (error != ERROR_SUCCESS) {
        Warn(owner, win::Format("Quillrest is unable to open your C:\\AUTOEXEC.BAT file.  The reason is: %s.\r\n\r\n"
                                "No changes were made.",
                                FileErrorReason(error, kReadName).c_str()));
        return;
    }
    // A new copy that could not be written completely must never replace the old file.
    error = WriteLines(kNewName, transform(lines));
    if (error != ERROR_SUCCESS) {
        Warn(owner, win::Format("Quillrest is unable to open C:\\AUTOEXEC.NEW to use as a temporary file.  The reason "
                                "is: %s.\r\n\r\nNo changes were made.",
                                FileErrorReason(error, kNewName).c_str()));
        return;
    }

    DeleteFileA(kBackupName);
    if (!CopyFileA(kTargetName, kBackupName, FALSE)) {
        Warn(owner, "Failed to backup AUTOEXEC.bat.  No changes were made.");
        return;
    }
    if (!CopyFileA(kNewSourceName, kTargetName, FALSE)) {
        Warn(owner, copyFailedText);
        return;
    }
    DeleteFileA(kNewSourceName);
    MessageBoxA(owner, successText, "Success", MB_OK);
}

} // namespace

bool IsMSCDEXLoaded()
{
    std::vector<std::string> lines;
    if (ReadLines(kReadName, lines) != ERROR_SUCCESS || !HasActiveMscdexLine(lines))
        return false;
    SetProductDword(kSawMSCDEX, 1);
    return true;
}

void RemoveMSCDEX(HWND owner)
{
    EditAutoexec(
        owner,
        [](const std::vector<std::string>& lines) {
            if (HasActiveMscdexLine(lines))
                SetProductDword(kSawMSCDEX, 1);
            return CommentOutMscdex(lines);
        },
        kRemovedText, kRemoveCopyFailedText);
}

void RestoreMSCDEX(HWND owner)
{
    EditAutoexec(owner, RestoreMscdex, kRestoredText, kRestoreCopyFailedText);
}
