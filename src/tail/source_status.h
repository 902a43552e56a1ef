// What the status line says of the sources, read from them: what each
// shown source says of itself (text/status_text.h) and which settings are
// off. The viewer's status line asks for it through its calls above.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "text/status_text.h"

// Each active source that shows a file of its own, in order; returns how
// many. A failure's reason (the system's text, shown only on the status
// line) goes into reasons, reasonSize units for each source, where given.
uint32_t describeSources(SourceStatus* statuses, WCHAR* reasons, uint32_t reasonSize);
// Each setting that is off, or a part of one not used: the sources' values,
// the rules, the filters; at most capacity of them.
uint32_t findOffSettings(OffSetting* offs, uint32_t capacity);
