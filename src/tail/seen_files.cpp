#include "tail/seen_files.h"

bool sameFile(FileIdentity a, FileIdentity b) {
    return a.volume == b.volume && a.index == b.index && (a.volume != 0 || a.index != 0);
}

const SeenFile* findSeenFile(const SeenFiles& seen, FileIdentity file) {
    for (uint32_t i = 0; i < seen.count; ++i) {
        if (sameFile(seen.files[i].file, file)) return &seen.files[i];
    }
    return nullptr;
}

// A file the system cannot tell from others is never found again.
void rememberSeenFile(SeenFiles* seen, const SeenFile& shown, uint32_t most) {
    if (!sameFile(shown.file, shown.file)) return;
    if (most > SeenFileCapacity) most = SeenFileCapacity;
    uint32_t at = 0;
    while (at < seen->count && !sameFile(seen->files[at].file, shown.file)) ++at;
    if (at == seen->count) {
        if (seen->count < most) ++seen->count;
        at = seen->count - 1;  // the oldest gives way when all are taken
    }
    for (; at > 0; --at) seen->files[at] = seen->files[at - 1];
    seen->files[0] = shown;
}

void addSeenFile(SeenFiles* seen, const SeenFile& other) {
    if (seen->count == SeenFileCapacity || findSeenFile(*seen, other.file)) return;
    seen->files[seen->count++] = other;
}
