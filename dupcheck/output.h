// The dated list on standard output: one line per file of a set, an empty
// line after each set, and the counts of what was written.
#pragma once
#include <cstdint>
#include <cstdio>

#include "dupcheck/compare.h"

namespace mox {

struct ListOutput {
  FILE* stream = nullptr;
  int files = 0;   // file lines written
  int groups = 0;  // sets written
};

// A sink that writes each set as dated lines and counts them.
SetSink list_output_sink(ListOutput& out);

// Writes "time size path" for one file: its last-write time and size as the
// file system holds them now, or zeros and the listed size when the file is
// not found.
void write_file_line(FILE* stream, const wchar_t* path, uint64_t listed_size);

}  // namespace mox
