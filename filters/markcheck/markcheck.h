// Mark checker: judges a group list by the mark character at a fixed column,
// or lists the text behind every d mark.
#pragma once
#include <cstdio>

namespace mox {

struct MarkOptions {
  long column = 42;  // 1-based column of the mark
  wchar_t s_mark = L'/';
  wchar_t d_mark = L'-';
  bool list_mode = false;
};

// Lines of one group by kind: s mark, d mark, too short (E), other mark (N).
struct GroupTally {
  long s = 0, d = 0, e = 0, n = 0;
};

struct CheckState {
  long line_number = 0;  // every line read, from 1
  GroupTally group;
  long groups_ended = 0;
  long groups_reported = 0;
};

enum class Verdict { quiet, too_short, extra_s, other_mark, group_bad };

struct CheckResult {
  Verdict verdict = Verdict::quiet;
  GroupTally closed;  // the tally of the group an empty line ended
};

// Judges one line (without its LF) in check mode; the caller has counted it
// in state.line_number already.
CheckResult check_line(CheckState& state, const MarkOptions& options, const wchar_t* line, int len);

// List mode: the text after the mark of a d-marked line, or null.
const wchar_t* listed_text(const MarkOptions& options, const wchar_t* line, int len);

// Reads the list from in and writes the report (or the list) to out.
void markcheck_run(FILE* in, FILE* out, const MarkOptions& options);

}  // namespace mox
