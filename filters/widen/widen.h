// Escaped-text decoder: turns the scanner's escaped OEM text back into
// UTF-16LE lines and drops lines that repeat the line before them.
#pragma once
#include <cstdio>

namespace mox {

// A decoded line holds at most 2049 characters, line end included.
constexpr int kWideLineCap = 2050;
// An input line holds at most this many bytes, LF included.
constexpr int kByteLineMax = 20500;

enum class Decode { ok, too_long, bad };

// Decodes n bytes of one line, left to right: '?' and four upper-case
// hexadecimal digits is one code unit; other bytes (a lead byte with the next
// one) go through the OEM code page. A '?' without its four digits, a byte
// that does not convert, a NUL or an escaped control character, and a lead
// byte with no second byte before the line end make the line bad: decoding
// it in part would give a false path. *len gets the characters decoded.
Decode decode_escaped_line(const char* bytes, int n, wchar_t (&out)[kWideLineCap], int* len);

// Decodes the lines of in to out, dropping a line that equals the previous
// one code unit for code unit (line end included). Lines too long or bad are
// reported on standard error with their line number and skipped. Returns the
// number of lines written.
int widen_run(FILE* in, FILE* out);

}  // namespace mox
