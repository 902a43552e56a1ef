// Turns the bytes of the watched file's tail into the text the pane shows.
//
// The encoding is the setting's, or with "auto" the file's byte-order mark,
// else UTF-8 when the bytes are valid UTF-8, else the ANSI code page. A
// character cut by the window's start is dropped, and so is one cut at the
// end by a writer in mid-write (bytes that end with a whole line have none:
// there an unfinished character is invalid, as it is before a line end); a run of U+0000 shows as one middle dot; a
// lone LF and a lone CR each become CR LF, the one line break an EDIT control
// knows on every Windows version.
//
// Decoding and laying out share one buffer: the bytes are decoded into its
// back part, then laid out into its front part. A unit read gives at most two
// written, so while the buffer holds twice the bytes plus one, the writing
// never overtakes the reading.
#pragma once

#include <stdint.h>

#ifdef _WIN32
typedef wchar_t WideChar;  // UTF-16, as the system's wide functions take it
#else
typedef char16_t WideChar;
#endif

enum EncodingKind { EncodingAuto, EncodingUtf8, EncodingUtf16LE, EncodingUtf16BE, EncodingCodePage };

// The system's own names for its ANSI and OEM code pages.
const unsigned AnsiCodePage = 0;
const unsigned OemCodePage = 1;

struct Encoding {
    EncodingKind kind;
    unsigned codePage;  // for EncodingCodePage only
};

inline Encoding encodingOf(EncodingKind kind, unsigned codePage = 0) {
    Encoding encoding = {kind, codePage};
    return encoding;
}

// "auto", "utf-8", "utf-16le", "utf-16be", "ansi", "oem" or a code-page
// number, in any case and with blanks around it; anything else is auto.
Encoding parseEncoding(const char* text);

struct ByteOrderMark {
    EncodingKind kind;  // EncodingAuto when there is none
    uint32_t length;
};
// Reads the mark, if any, from the first bytes of a file.
ByteOrderMark findByteOrderMark(const uint8_t* head, uint32_t count);

// Code pages are the system's business: the caller converts them.
struct CodePageConverter {
    // Converts count bytes into at most capacity units; returns the units
    // written, or with no out, the units needed.
    uint32_t (*convert)(unsigned codePage, const uint8_t* bytes, uint32_t count, WideChar* out,
                        uint32_t capacity);
    // True when a character may take more than one byte, so a window's start may cut one.
    bool (*multiByte)(unsigned codePage);
    // True for the first byte of a two-byte character of a double-byte code page.
    bool (*leadByte)(unsigned codePage, uint8_t byte);
};

struct TailBytes {
    const uint8_t* bytes;
    uint32_t count;
    uint64_t offset;     // of bytes[0] in the file
    ByteOrderMark mark;  // found at the file's start
    // The bytes start a line, so no character is cut at their start; they
    // may be lines of the file that do not follow one another.
    bool startsAtLine;
    // The bytes end with a whole line: a character unfinished at their end is
    // not one whose last bytes a writer has yet to write, but a fault.
    bool endsAtLine;
};

const uint32_t NoBoundary = UINT32_MAX;

struct DecodedText {
    uint32_t length;  // units written before the terminating zero
    Encoding used;    // never EncodingAuto
    // Where the text of the bytes before the boundary ends: the length the
    // same tail cut at the boundary decodes to. Equals length without one.
    uint32_t boundaryAt;
};

// The buffer a tail of count bytes needs.
inline uint32_t decodedCapacity(uint32_t count) { return 2 * count + 1; }

// Decodes and lays out a tail into out, zero-terminated. A tail longer than
// the buffer takes is shortened at its front. boundary is a position in the
// tail's bytes (or NoBoundary).
DecodedText decodeTail(TailBytes tail, Encoding setting, const CodePageConverter& codePages,
                       uint32_t boundary, WideChar* out, uint32_t capacity);

// True when the bytes are UTF-8: a character cut at their start (when they
// may be cut there) is passed over; one unfinished at their end counts only
// when they are not complete, as a writer in mid-write leaves it.
bool validUtf8(const uint8_t* bytes, uint32_t count, bool cutAtStart, bool complete);

// A setting's 8-bit text (a colour rule, a path) as wide text, chosen as for
// the log: UTF-8 when the bytes are valid UTF-8, else the ANSI code page. At
// most capacity - 1 bytes are taken, a character cut at their end left out;
// a byte never gives more than one unit. Writes the terminating zero and
// returns the units before it.
uint32_t settingTextToWide(const char* text, WideChar* out, uint32_t capacity,
                           const CodePageConverter& codePages);
