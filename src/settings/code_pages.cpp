#include "settings/code_pages.h"

#include <windows.h>

static uint32_t convertCodePage(unsigned codePage, const uint8_t* bytes, uint32_t count,
                                WideChar* out, uint32_t capacity) {
    if (count == 0 || (out && capacity == 0)) return 0;
    int units = MultiByteToWideChar(codePage, 0, (const char*)bytes, (int)count, out,
                                    out ? (int)capacity : 0);
    return units > 0 ? (uint32_t)units : 0;
}

static bool codePageIsMultiByte(unsigned codePage) {
    CPINFO info;
    return GetCPInfo(codePage, &info) && info.MaxCharSize > 1;
}

static bool codePageLeadByte(unsigned codePage, uint8_t byte) {
    return IsDBCSLeadByteEx(codePage, byte) != FALSE;
}

const CodePageConverter systemCodePages = {convertCodePage, codePageIsMultiByte, codePageLeadByte};
