// Name grouper: passes the name-size-path lines whose name field occurs on
// two or more neighbouring lines, in groups separated by empty lines.
#pragma once
#include <cstdio>

#include "filters/sizegroup/runselect.h"

namespace mox {

// Input lines are read with this limit, terminator included.
constexpr int kKeygroupLineCap = 2048;

// Reads the list from in and writes the groups to out, lines as read, each
// group followed by an empty line. A line without '|' has no name field: it
// is reported on standard error and skipped.
GroupCounts keygroup_run(FILE* in, FILE* out);

}  // namespace mox
