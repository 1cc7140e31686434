// Name grouper: passes the name-size-path lines whose name field occurs on
// two or more neighbouring lines, in groups separated by empty lines.
#pragma once
#include <cstdio>

namespace mox {

// Input lines are read with this limit, terminator included.
constexpr int kKeygroupLineCap = 2048;

struct NameGroupCounts {
  int files = 0;
  int groups = 0;
};

// Reads the list from in and writes the groups to out, lines as read, each
// group followed by an empty line. A line without '|' has no name field: it
// is reported on standard error and skipped.
NameGroupCounts keygroup_run(FILE* in, FILE* out);

}  // namespace mox
