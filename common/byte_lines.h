// 8-bit line input that never hands out part of a line, and the pieces the
// byte-family list tools (markcheck, purge) share.
#pragma once
#include "common/frame.h"
#include "common/lines.h"

namespace mox {

// Results besides a length and -1 (end of input).
constexpr int kLineTooLong = -2;
constexpr int kLineHasNul = -3;

// Reads one line into out (cap counts the terminator) and drops its LF and
// a CR before it: the byte-family programs read standard input in binary
// mode, since in text mode a Ctrl+Z inside a line ends the input there and
// the line would arrive cut short. A
// line whose text does not fit in cap - 1 bytes is consumed whole and
// reported as kLineTooLong, so no caller ever sees a cut line. Returns the
// length, -1 at the end of input.
int read_whole_byte_line(LineReader& r, char* out, int cap);

// Byte family: lines fit in 3000 characters, terminator included.
constexpr int kByteLineCap = 3000;

// One whole line as wide text, each byte one character (0 to 255). Also
// returns kLineHasNul for a line with a NUL byte, whose text would end early.
int read_byte_family_line(LineReader& r, wchar_t (&out)[kByteLineCap]);

// Reports a line that read_byte_family_line refused, on standard error.
void report_skipped_line(int status, long line_number);

// The column from the options, or the program's default. A column below 1
// names no character: usage message, exit status 1.
long column_or_exit(const OptionState& options, long default_column);

}  // namespace mox
