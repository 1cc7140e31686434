// Cuts the size-sorted list into candidate groups: runs of two or more
// consecutive lines with equal size keys.
#pragma once
#include <cstdint>

#include "common/lines.h"
#include "dupcheck/compare.h"

namespace mox {

constexpr int kLineCap = 2048;  // characters of a list line, with the terminator
constexpr int kKeyLength = 20;

// Called for each run of two or more lines: the entries in list order (the
// reverse of the input), the size and the number of the line just read.
// Returns false when the run of the program must end.
struct RunHandler {
  bool (*run)(void* ctx, EntryList& list, uint64_t size, long line_number);
  void* ctx;
};

struct Grouper {
  long line_number = 0;
  int run_count = 0;  // lines in the current run
  wchar_t run_key[kKeyLength] = {};
  wchar_t first_path[kLineCap] = {};  // path of a run's first line until a second one comes
  EntryList group = {};
};

// Takes one cleaned input line; a line that did not fit the line buffer
// comes with too_long set. Lines that are no size-path line are reported
// with their number and skipped. Returns false when the run must end.
bool grouper_line(Grouper& g, const wchar_t* line, bool too_long, const RunHandler& handler);

// Compares the last run and frees the group list.
bool grouper_finish(Grouper& g, const RunHandler& handler);

// Reads the next list line, cleaned. A line longer than the buffer is read to
// its end and comes back with *too_long set; a line holding a NUL comes back
// empty. False at the end of the input.
bool read_list_line(LineReader& reader, wchar_t* line, bool* too_long);

}  // namespace mox
