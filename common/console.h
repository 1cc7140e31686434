// Console printer: WriteConsoleW on a console, raw UTF-16LE elsewhere.
#pragma once
#include <cstdarg>
#include <cstdio>

namespace mox {

// Returns the characters written, 0 for an empty format, -1 when the console
// write fails. Console text is written in pieces of at most 1131 characters.
int con_printf(FILE* stream, const wchar_t* fmt, ...);
int con_vprintf(FILE* stream, const wchar_t* fmt, va_list args);

// Byte family: every character up to 255 becomes one byte (others '?'),
// written through the stream as it is (text mode turns LF into CR LF).
int byte_printf(FILE* stream, const wchar_t* fmt, ...);
int byte_vprintf(FILE* stream, const wchar_t* fmt, va_list args);

}  // namespace mox
