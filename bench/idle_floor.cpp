// The floor under the idle benchmark: a program with one hidden window whose
// one-second timer does what the plugin's reload timer does on an unchanged
// file (open it, take its time and size, close it) and nothing else. Whatever
// the system spends on this, every plugin built to this design pays too.
// usage: idle_floor.exe FILE
#include <windows.h>

static const char* watchedPath;

static void checkFile() {
    HANDLE file = CreateFileA(watchedPath, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    FILETIME written;
    GetFileTime(file, NULL, NULL, &written);
    DWORD sizeHigh = 0;
    GetFileSize(file, &sizeHigh);
    CloseHandle(file);
}

static LRESULT CALLBACK floorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER: checkFile(); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    watchedPath = argv[1];
    WNDCLASSA floorClass = {};
    floorClass.lpfnWndProc = floorWindowProc;
    floorClass.hInstance = GetModuleHandleA(NULL);
    floorClass.lpszClassName = "IdleFloor";
    RegisterClassA(&floorClass);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "IdleFloor", NULL, WS_POPUP, 0, 0, 1, 1, NULL,
                                  NULL, floorClass.hInstance, NULL);
    if (!window) return 1;
    SetTimer(window, 1, 1000, NULL);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
