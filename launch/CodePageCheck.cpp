// Whether a start-up entry comes through the ANSI calls whole: the A reads compared with the W reads.
#include "launch/CodePageCheck.h"
#include "app/Log.h"
#include "win/Raii.h"
#include "win/Text.h"
#include "win/Util.h"
#include <shlobj.h>

namespace {

using RegEnumValueWFn = LONG(WINAPI*)(HKEY, DWORD, LPWSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using RegDeleteValueWFn = LONG(WINAPI*)(HKEY, LPCWSTR);
using FindFirstFileWFn = HANDLE(WINAPI*)(LPCWSTR, WIN32_FIND_DATAW*);
using FindNextFileWFn = BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAW*);
using SpecialFolderWFn = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);

// A registry value as the W calls read it.
struct WideRegValue {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

constexpr DWORD kMaxValueName = 16384;    // the registry's limit, terminator included
constexpr int kLinkChars = 4096;

template <class Fn>
Fn Advapi(const char* name)
{
    return win::LookUp<Fn>(GetModuleHandleA("ADVAPI32.DLL"), name);
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

std::wstring WideData(const std::vector<BYTE>& data)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
}

// Value number `index` through RegEnumValueW; ERROR_CALL_NOT_IMPLEMENTED where there is none.
LONG EnumRegValueWide(HKEY key, DWORD index, WideRegValue& value)
{
    static const RegEnumValueWFn enumValue = Advapi<RegEnumValueWFn>("RegEnumValueW");
    if (!enumValue)
        return ERROR_CALL_NOT_IMPLEMENTED;
    std::vector<wchar_t> name(kMaxValueName);
    value.data.assign(2052, 0);
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD nameSize = kMaxValueName;
        DWORD dataSize = static_cast<DWORD>(value.data.size());
        LONG result = enumValue(key, index, name.data(), &nameSize, nullptr, &value.type, value.data.data(), &dataSize);
        if (result == ERROR_SUCCESS) {
            value.name.assign(name.data(), nameSize < kMaxValueName ? nameSize : kMaxValueName);
            value.data.resize(dataSize < value.data.size() ? dataSize : value.data.size());
            return result;
        }
        if (result != ERROR_MORE_DATA)
            return result;
        value.data.resize(dataSize > value.data.size() ? dataSize : value.data.size() * 2);
    }
    return ERROR_MORE_DATA;
}

// Target (short form, as the boot reads it), arguments and working directory
// through IShellLinkA and IShellLinkW of one loaded shortcut, compared.  A
// shortcut that cannot be read is not judged: the boot cannot read it either,
// and parking it only renames the file.
bool LinkContentsSurvive(const std::wstring& widePath)
{
    win::ComPtr<IShellLinkW> wide;
    win::ComPtr<IShellLinkA> narrow;
    win::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, wide.OutVoid())) ||
        FAILED(wide->QueryInterface(IID_IPersistFile, file.OutVoid())) ||
        FAILED(wide->QueryInterface(IID_IShellLinkA, narrow.OutVoid())) ||
        FAILED(file->Load(widePath.c_str(), STGM_READ)))
        return true;
    std::vector<wchar_t> w(kLinkChars);
    std::vector<char> a(kLinkChars * 3);
    const auto same = [&](HRESULT wideResult, HRESULT narrowResult) {
        return FAILED(wideResult) == FAILED(narrowResult) &&
               win::Widen(a.data()) == std::wstring(w.data());
    };
    const int wideSize = static_cast<int>(w.size());
    const int narrowSize = static_cast<int>(a.size());
    w[0] = L'\0';
    a[0] = '\0';
    if (!same(wide->GetPath(w.data(), wideSize, nullptr, SLGP_SHORTPATH),
              narrow->GetPath(a.data(), narrowSize, nullptr, SLGP_SHORTPATH)))
        return false;
    w[0] = L'\0';
    a[0] = '\0';
    if (!same(wide->GetArguments(w.data(), wideSize), narrow->GetArguments(a.data(), narrowSize)))
        return false;
    w[0] = L'\0';
    a[0] = '\0';
    return same(wide->GetWorkingDirectory(w.data(), wideSize), narrow->GetWorkingDirectory(a.data(), narrowSize));
}

bool RoundTrips(const std::wstring& text)
{
    return win::Widen(win::Narrow(text)) == text;
}

void ListNarrow(const std::string& folder, std::vector<StartupLink>& links)
{
    WIN32_FIND_DATAA found;
    win::UniqueFind find(FindFirstFileA(win::PathJoin(folder, "*.lnk").c_str(), &found));
    if (!find)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            links.push_back({win::PathJoin(folder, found.cFileName), std::wstring(), true});
    } while (FindNextFileA(find.Get(), &found));
}

// True when `narrow`, read through the A calls in `codePage`, is `wide` itself:
// the same name, type and data, every character intact.
bool SameRegValue(const RegValue& narrow, const WideRegValue& wide, UINT codePage)
{
    if (narrow.type != wide.type || win::Widen(narrow.name, codePage) != wide.name)
        return false;
    if (!IsStringType(wide.type))
        return narrow.data == wide.data;
    return wide.data.size() % sizeof(wchar_t) == 0 &&
           win::Widen(std::string(narrow.data.begin(), narrow.data.end()), codePage) == WideData(wide.data);
}

// True when `parked` is the copy an earlier version made of `entry` through
// `codePage`, which lacks some of its characters: another name, and name and
// data are `entry`'s best-fit copies.
bool IsBestFitCopy(const WideRegValue& parked, const WideRegValue& entry, UINT codePage)
{
    const auto bestFit = [codePage](const std::wstring& text) {
        return win::Widen(win::Narrow(text, codePage), codePage);
    };
    if (parked.type != entry.type || parked.name == entry.name || bestFit(entry.name) != parked.name)
        return false;
    if (!IsStringType(entry.type))
        return parked.data == entry.data;
    return bestFit(WideData(entry.data)) == WideData(parked.data);
}

// Every value of `key` through the W calls; none where there are no W calls.
std::vector<WideRegValue> WideRegValues(HKEY key)
{
    std::vector<WideRegValue> values;
    WideRegValue value;
    for (DWORD index = 0; EnumRegValueWide(key, index, value) == ERROR_SUCCESS; ++index)
        values.push_back(value);
    return values;
}

} // namespace

bool RegValueSurvives(HKEY key, DWORD index, const RegValue& value)
{
    WideRegValue wide;
    const LONG result = EnumRegValueWide(key, index, wide);
    if (result == ERROR_CALL_NOT_IMPLEMENTED)
        return true;
    return result == ERROR_SUCCESS && SameRegValue(value, wide, CP_ACP);
}

void DropBestFitCopies(HKEY key, HKEY capture)
{
    static const RegDeleteValueWFn deleteValue = Advapi<RegDeleteValueWFn>("RegDeleteValueW");
    // The code page an earlier version, without the manifest's, ran in.
    const UINT codePage = win::SystemAnsiCodePage();
    if (!deleteValue || codePage == CP_UTF8)
        return;    // no earlier version lost a character here
    const std::vector<WideRegValue> parked = WideRegValues(capture);
    if (parked.empty())
        return;
    std::vector<WideRegValue> entries = WideRegValues(key);
    entries.insert(entries.end(), parked.begin(), parked.end());
    for (const WideRegValue& copy : parked) {
        for (const WideRegValue& entry : entries) {
            if (IsBestFitCopy(copy, entry, codePage)) {
                WriteLog("Dropping [%s]: an earlier copy of [%s] that lost characters in the code page",
                         win::Narrow(copy.name).c_str(), win::Narrow(entry.name).c_str());
                deleteValue(capture, copy.name.c_str());
                break;
            }
        }
    }
}

bool ListStartupLinks(int csidl, bool check, std::vector<StartupLink>& links)
{
    links.clear();
    std::string folder;
    if (!win::SpecialFolder(csidl, folder))
        return false;
    static const FindFirstFileWFn findFirst = win::KernelFunction<FindFirstFileWFn>("FindFirstFileW");
    static const FindNextFileWFn findNext = win::KernelFunction<FindNextFileWFn>("FindNextFileW");
    static const SpecialFolderWFn specialFolder =
        win::LookUp<SpecialFolderWFn>(GetModuleHandleA("SHELL32.DLL"), "SHGetSpecialFolderPathW");
    wchar_t wideFolder[MAX_PATH * 2] = L"";
    if (!check || !findFirst || !findNext || !specialFolder || !specialFolder(nullptr, wideFolder, csidl, FALSE)) {
        ListNarrow(folder, links);
        return true;
    }
    // A folder the code page cannot name (a profile folder with such a letter)
    // takes every shortcut in it along.
    std::wstring base = wideFolder;
    const bool folderSurvives = win::Widen(folder) == base;
    if (!base.empty() && base.back() != L'\\')
        base += L'\\';
    WIN32_FIND_DATAW found;
    win::UniqueFind find(findFirst((base + L"*.lnk").c_str(), &found));
    if (!find)
        return true;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        StartupLink link;
        link.widePath = base + found.cFileName;
        link.survives = folderSurvives && RoundTrips(found.cFileName);
        link.path = link.survives ? win::PathJoin(folder, win::Narrow(found.cFileName)) : win::Narrow(link.widePath);
        links.push_back(link);
    } while (findNext(find.Get(), &found));
    // The contents only once the search is closed: loading a shortcut may take a while.
    find.Reset();
    for (StartupLink& link : links)
        if (link.survives)
            link.survives = LinkContentsSurvive(link.widePath);
    return true;
}
