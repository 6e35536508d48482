// Sets a named event of the prefix: set_event.exe NAME (exit code 1 when there is none).
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
    if (!event)
        return 1;
    BOOL set = SetEvent(event);
    CloseHandle(event);
    return set ? 0 : 1;
}
