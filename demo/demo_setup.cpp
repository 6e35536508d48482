// Demo helper: creates a shortcut in a Startup folder, or signals the resident instance to end.
//   demo_setup link <common|user> <name> <target> <arguments>
//   demo_setup shutdown
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <string>

static int MakeLink(bool common, const char* name, const char* target, const char* arguments)
{
    char folder[MAX_PATH] = "";
    if (!SHGetSpecialFolderPathA(nullptr, folder, common ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP, TRUE))
        return 2;
    std::string path = std::string(folder) + "\\" + name + ".lnk";
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return 3;
    link->SetPath(target);
    link->SetArguments(arguments);
    IPersistFile* file = nullptr;
    int rc = 4;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        rc = SUCCEEDED(file->Save(wide, TRUE)) ? 0 : 5;
        file->Release();
    }
    link->Release();
    return rc;
}

int main(int argc, char** argv)
{
    CoInitialize(nullptr);
    std::string verb = argc > 1 ? argv[1] : "";
    if (verb == "link" && argc >= 6)
        return MakeLink(std::string(argv[2]) == "common", argv[3], argv[4], argv[5]);
    if (verb == "shutdown") {
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, "Quillrest_Shutdown");
        SetEvent(event);
        Sleep(1000);
        ResetEvent(event);
        CloseHandle(event);
        return 0;
    }
    return 1;
}
