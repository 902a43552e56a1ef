#include <windows.h>

// Loading and unloading do no work of the plugin's own: the shell's start and
// end calls do it all. With MinGW this is the DLL's entry itself, without the
// C runtime's start-up (see the top CMakeLists.txt).
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
