// A plugin whose start fails after it has made a window, as a faulty plugin might.
#include <windows.h>

extern "C" {

__declspec(dllexport) int __cdecl beginPlugin(HINSTANCE) { return 1; }

__declspec(dllexport) void __cdecl endPlugin(HINSTANCE) {
    // Never called for a plugin whose start failed: the shell would crash on it.
    *(volatile int*)0 = 0;
}

}
