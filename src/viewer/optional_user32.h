// USER32 functions that older systems lack, looked up by name when needed
// rather than imported, so that the plugin still loads there.
#pragma once

typedef void (*AnyFunction)();

// The function's address, or null when this system's USER32 has none.
AnyFunction optionalUser32Function(const char* name);
