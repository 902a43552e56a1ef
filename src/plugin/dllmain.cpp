#include <windows.h>

// Loading and unloading do no work of the plugin's own: the shell's start and
// end calls do it all.
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
