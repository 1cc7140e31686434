// Filling the program's message formats. The string table writes them as the
// Windows C library reads them ("%s" a wide string, "%I64d" a 64-bit number);
// the C99 stdio this program is built with spells those "%ls" and "%lld".
#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>

namespace mox::shell {

// The format with "%s" turned into "%ls" and "%I64" into "%ll".
std::wstring c99_format(const wchar_t* format);

// The filled text, at most `cap` - 1 characters (a longer text is cut).
std::wstring format_text(int cap, const wchar_t* format, ...);
std::wstring format_text_v(int cap, const wchar_t* format, va_list args);

// Locale comparison (user default locale, no flags): -1, 0 or 1; -1 when the
// comparison fails.
int locale_compare(const wchar_t* a, const wchar_t* b);

// The program's list files are UTF-16LE.
void append_utf16le(std::string& bytes, const std::wstring& text);
bool write_utf16le(FILE* file, const std::wstring& text);

// Creates the file anew with the bytes; false and the C library's error
// number when it cannot be created or written.
bool write_file_bytes(const wchar_t* name, const std::string& bytes, int* error_number);

// The whole file; false and the system error code when it cannot be opened
// or read.
bool read_file_bytes(const wchar_t* name, std::string* bytes, unsigned long* system_error);

}  // namespace mox::shell
