// Modification times of listed files as local "YYYY-MM-DD hh:mm:ss" text,
// for the dated list lines of sizegroup and unkey. The whole 64-bit file time
// is used, so dates before 1970 and after January 2038 show correctly.
#pragma once
#include <windows.h>

namespace mox {

constexpr int kStampChars = 19;
using Stamp = wchar_t[kStampChars + 1];

// 1970-01-01 00:00:00 UTC: shown for a file whose time cannot be read.
constexpr unsigned long long kUnixEpochFileTime = 116444736000000000ULL;

// Last-write time of the path; false when its status cannot be read.
bool read_last_write(const wchar_t* path, FILETIME* out);

// The local time of a UTC file time as 19 characters; false when the time
// has no local calendar form or its year needs more than four digits.
bool format_local_stamp(FILETIME utc, Stamp& out);

// The stamp of a listed file: its last-write time, or time value 0 when that
// cannot be read or shown.
void file_stamp(const wchar_t* path, Stamp& out);

}  // namespace mox
