// The front end's own settings, moxwin.ini beside the executable: values are
// kept in plain ASCII by percent escapes, integers are read with base
// detection, and the file is never created by the program.
#pragma once
#include <windows.h>

#include <cstdint>


namespace mox::shell {

constexpr int kStoredValueCap = 5172;  // a value as stored: 5171 characters
constexpr int kValueCap = 1044;        // a value as read: 1043 characters
constexpr int kModulePathCap = 1033;   // the executable's path: 1032 characters

// Escapes every unit from 0x80 up and "%" as "%" and four upper-case hex
// digits. False (and `out` empty) when the result would not fit in cap - 1.
bool encode_value(const wchar_t* value, wchar_t* out, int cap);

// Undoes the escapes into `out` (cap with the terminator). An escape cut by
// the end of the value is dropped; a non-hex digit counts as 0. A value that
// does not fit stops at a character boundary. Returns the length.
int decode_value(const wchar_t* stored, wchar_t* out, int cap);

// Leading white space and a sign, then "0x" hexadecimal, "0" octal, else
// decimal, up to the first character that is not a digit of the base.
long parse_integer(const wchar_t* text);

// The settings file's path: the executable's with "ini" for its last three
// characters. False (and an empty path) when the executable's path is unknown.
bool locate_settings(HMODULE module, wchar_t (&path)[kModulePathCap]);

// The file used by settings_read and settings_write; set once at start-up
// (tests point it elsewhere). An empty path makes every read empty.
void use_settings_file(const wchar_t* path);

// The decoded value, "" when absent. One shared buffer: valid until the next
// read.
const wchar_t* settings_read(const wchar_t* section, const wchar_t* key);

// Writes the encoded value when the file exists and is not read-only. False
// when nothing was written (also for a value too long to store whole).
bool settings_write(const wchar_t* section, const wchar_t* key, const wchar_t* value);

bool settings_write_integer(const wchar_t* section, const wchar_t* key, long value);

// Window placement: all ten values or nothing.
bool read_placement(WINDOWPLACEMENT* placement);
void write_placement(const WINDOWPLACEMENT& placement);

}  // namespace mox::shell
