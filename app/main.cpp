// Entry point of Quillrest.exe.
#include "app/Entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
    return RunApplication(arguments ? arguments : "");
}
