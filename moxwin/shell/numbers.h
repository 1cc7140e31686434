// Numbers and times as the user's locale writes them.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

namespace mox::shell {

// Reads the user's digit grouping and separators once; returns the last
// system error met while reading the locale, or 0.
DWORD prepare_number_format();

// The number in decimal with the user's digit grouping and no decimals.
std::wstring grouped(int64_t number);

// The system time in UTC as a file time.
int64_t current_time();

// A file time (UTC) as a local calendar time, with the daylight-saving rule
// of the date itself. False when a step fails.
bool local_time(int64_t file_time, SYSTEMTIME* local);

// The date text of a file time: the locale's short date, a blank and its
// time; "date time format error" when it cannot be formatted. An unknown time
// gives an empty text.
std::wstring date_text(int64_t file_time);

}  // namespace mox::shell
