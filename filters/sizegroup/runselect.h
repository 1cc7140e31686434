// The run selector of the size and name groupers, the key rules they use,
// and the line input they share.
#pragma once
#include <cstdio>

#include "common/byte_lines.h"
#include "common/lines.h"

namespace mox {

// Longest line any of the groupers holds, terminator included.
constexpr int kRunLineCap = 2048;

struct RunActions {
  bool (*same_key)(const wchar_t* a, const wchar_t* b);
  void (*emit)(void* context, const wchar_t* line);
  void (*close)(void* context);  // once after each emitted run
  void* context;
};

// Keeps the lines of runs of two or more neighbours with equal keys. Only the
// previous line is held: equality is always tested between neighbours.
struct RunSelector {
  RunActions actions;
  wchar_t previous[kRunLineCap];
  bool have_previous;
  bool in_run;  // the previous line belongs to a run already emitted
};

void run_start(RunSelector& sel, const RunActions& actions);
// line: at most kRunLineCap - 1 units.
void run_feed(RunSelector& sel, const wchar_t* line);
// End of input: closes a run that is still open.
void run_finish(RunSelector& sel);

// Counts of the groupers that write groups separated by empty lines.
struct GroupCounts {
  int files = 0;
  int groups = 0;
};

// Context of those groupers' emit and close actions.
struct GroupWriter {
  FILE* out;
  GroupCounts counts;
};

// Close action: an empty line after each group, counted.
void close_with_empty_line(void* writer);

// Key rules. Callers pass only lines long enough for the rule.
// First 20 characters, CompareStringW ignoring case (sizegroup).
bool size_key_same_ignoring_case(const wchar_t* a, const wchar_t* b);
// First 20 characters, code unit for code unit (sizesum).
bool size_key_same_exact(const wchar_t* a, const wchar_t* b);
// Text before the first '|': same length and CompareStringW ignoring case
// (keygroup). Both lines must hold a '|'.
bool name_key_same(const wchar_t* a, const wchar_t* b);

// Lines of a UTF-16LE list with the number of the input line each belongs to.
struct ListInput {
  LineReader reader;
  long long line_number;
  bool at_line_start;
};

void list_input_init(ListInput& in, FILE* stream);

// Next line, or piece of a line longer than cap - 1 units (a piece counts as a
// line of its own), line end kept. A U+FEFF that starts an input line is
// dropped, so a byte-order mark never reaches a key or a path. Returns the
// length, -1 at the end of input.
int read_list_line(ListInput& in, wchar_t* buf, int cap);

// Length of the line without its line end (up to the first CR or LF).
int text_length(const wchar_t* line);

// The next whole line, line end kept, as read_list_line gives it. A line
// that does not fit in cap - 1 units is consumed whole and refused with
// kLineTooLong, a line holding a NUL with kLineHasNul: a piece of a line, or
// a path cut at a NUL, would name another file. -1 at the end of input.
int read_whole_list_line(ListInput& in, wchar_t* buf, int cap);

// The message for a refused line.
void report_refused_line(int status, long long line_number);

}  // namespace mox
