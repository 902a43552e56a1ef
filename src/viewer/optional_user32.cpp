#include "viewer/optional_user32.h"

#include <windows.h>

AnyFunction optionalUser32Function(const char* name) {
    return (AnyFunction)GetProcAddress(GetModuleHandleA("USER32"), name);
}
