// Size grouper: keeps the size-path lines whose size occurs on two or more
// neighbouring lines and writes each behind its file's modification time.
#pragma once
#include <cstdio>

#include "runselect.h"

namespace mox {

// Input lines are read with this limit, terminator included; longer lines
// arrive in pieces, each a line of its own.
constexpr int kSizegroupLineCap = 1074;

// The 20-digit size and the marker; the path follows.
constexpr int kSizePathHead = 21;

// Reads the list from in and writes the groups to out, each followed by an
// empty line. Lines too short to hold a size and its marker are reported on
// standard error and skipped.
GroupCounts sizegroup_run(FILE* in, FILE* out);

}  // namespace mox
