// The two writes that move a start-up entry between its place and where it is parked.
#include "launch/EntryWriters.h"
#include "win/Raii.h"

namespace {

BOOL RealMoveFile(const std::string& from, const std::string& to, bool replace)
{
    if (!replace)
        return MoveFileA(from.c_str(), to.c_str());
    using MoveFileExFn = BOOL(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    static const MoveFileExFn moveFileEx = win::KernelFunction<MoveFileExFn>("MoveFileExA");
    if (moveFileEx && moveFileEx(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return TRUE;
    // Windows 9x exports MoveFileExA but does not implement it.
    if (moveFileEx && GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
        return FALSE;
    if (!DeleteFileA(to.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return FALSE;
    return MoveFileA(from.c_str(), to.c_str());
}

LONG RealWriteValue(HKEY key, const RegValue& value)
{
    return RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                          static_cast<DWORD>(value.data.size()));
}

const EntryWriters kRealWriters = {RealMoveFile, RealWriteValue};
const EntryWriters* g_writers = &kRealWriters;

} // namespace

void OverrideEntryWritersForTest(const EntryWriters* writers)
{
    g_writers = writers ? writers : &kRealWriters;
}

BOOL MoveEntryFile(const std::string& from, const std::string& to, bool replace)
{
    return g_writers->moveFile(from, to, replace);
}

LONG WriteEntryValue(HKEY key, const RegValue& value)
{
    return g_writers->writeValue(key, value);
}
