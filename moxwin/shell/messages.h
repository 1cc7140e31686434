// Telling the user: the program's loaded texts, error boxes, plain message
// boxes and the system's own error texts.
#pragma once
#include <windows.h>

#include <string>

namespace mox::shell {

constexpr int kErrorTextCap = 4096;    // error boxes: 4,095 characters
constexpr int kMessageTextCap = 2048;  // plain message boxes: 2,047 characters
constexpr int kStringCap = 4096;       // string resources: 4,095 characters

// Loads every string-table text the program uses, once. A text that cannot
// be loaded is reported and replaced by "LoadString %d failed (%d)".
void load_texts(HINSTANCE instance);

// A loaded text ("" for an id that was never loaded).
const wchar_t* text(int id);

// The save dialog's file types: the pieces of string 462 as a list of
// NUL-terminated texts ending in an empty one.
const wchar_t* save_types();

// OK/Cancel box without owner titled "mox front-end"; Cancel posts a quit
// message with code 1. Returns the number of characters formatted.
int error_box(const wchar_t* format, ...);

// The formatted text followed by the system's text for the last error code.
int report_system_error(const wchar_t* format, ...);

// A box titled "moxwin" (string 400); "NULL" for an empty format.
int message_box(HWND owner, UINT type, const wchar_t* format, ...);

// The status line (control 1005).
void show_status(HWND window, const std::wstring& text);

// "%s: %s (%d)": a file that could not be created, with the C library's
// text for the error number; warning icon, title "moxwin".
void report_file_error(HWND owner, const wchar_t* file_name, int error_number);

// The system's text for an error code in the user's language: CR and LF
// inside become blanks, a line end that ends the text is cut off. Valid until
// the next call.
const wchar_t* system_message_text(DWORD code);

}  // namespace mox::shell
