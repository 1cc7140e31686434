// Name-field remover: turns name-size-path lines into dated list lines,
// keeping the empty lines that separate groups.
#pragma once
#include <cstdio>

namespace mox {

// Input lines are read with this limit, terminator included.
constexpr int kUnkeyLineCap = 2048;

// The shortest line that holds a name field of 70 columns, '|', the 20-digit
// size, a blank and at least one character of path.
constexpr int kUnkeyMinLine = 93;

enum class UnkeyLine { empty, no_field, too_short, dated };

struct UnkeyFields {
  UnkeyLine kind;
  int field_end;   // index of the first '|'
  int path_start;  // 22 characters behind it: past the size and its blank
};

// How a cleaned line of len characters is handled. The path is found behind
// the first '|', so a name longer than 70 columns still gives its own path.
UnkeyFields unkey_fields(const wchar_t* line, int len);

// Writes U+FEFF, then one line for each input line: "\r\n" for an empty one,
// the local modification time, a blank and the text behind the first '|' for
// the others. Lines without '|', too short to hold a path or too long for the
// line buffer are reported on standard error and skipped.
void unkey_run(FILE* in, FILE* out);

}  // namespace mox
