#include "markcheck.h"

#include "common/byte_lines.h"
#include "common/console.h"

namespace mox {

CheckResult check_line(CheckState& state, const MarkOptions& options, const wchar_t* line, int len) {
  CheckResult result;
  GroupTally& g = state.group;
  if (len == 0) {
    bool well_formed = g.s == 1 && g.d >= 1 && g.e == 0 && g.n == 0;
    if (!well_formed) {
      result.verdict = Verdict::group_bad;
      ++state.groups_reported;
    }
    result.closed = g;
    ++state.groups_ended;
    g = GroupTally{};
    return result;
  }
  if (len < options.column) {
    ++g.e;
    result.verdict = Verdict::too_short;
    return result;
  }
  // The s mark wins when both marks are the same character.
  wchar_t mark = line[options.column - 1];
  if (mark == options.s_mark) {
    if (++g.s > 1) result.verdict = Verdict::extra_s;
  } else if (mark == options.d_mark) {
    ++g.d;
  } else {
    ++g.n;
    result.verdict = Verdict::other_mark;
  }
  return result;
}

const wchar_t* listed_text(const MarkOptions& options, const wchar_t* line, int len) {
  if (len < options.column || line[options.column - 1] != options.d_mark) return nullptr;
  return line + options.column;
}

void markcheck_run(FILE* in, FILE* out, const MarkOptions& options) {
  static LineReader reader;
  static wchar_t line[kByteLineCap];
  line_reader_init(reader, in);
  CheckState state;
  if (!options.list_mode) byte_printf(out, L"s=%lc d=%lc\n", options.s_mark, options.d_mark);
  for (int len; (len = read_byte_family_line(reader, line)) != -1;) {
    ++state.line_number;
    if (len < 0) {
      report_skipped_line(len, state.line_number);
      continue;
    }
    if (options.list_mode) {
      if (const wchar_t* text = listed_text(options, line, len)) byte_printf(out, L"%ls\n", text);
      continue;
    }
    CheckResult r = check_line(state, options, line, len);
    switch (r.verdict) {
      case Verdict::quiet:
        break;
      case Verdict::too_short:
        byte_printf(out, L"%ld: E %ls\n", state.line_number, line);
        break;
      case Verdict::extra_s:
        byte_printf(out, L"%ld: S %ls\n", state.line_number, line);
        break;
      case Verdict::other_mark:
        byte_printf(out, L"%ld: N %ls\n", state.line_number, line);
        break;
      case Verdict::group_bad:
        byte_printf(out, L"%ld:   %ld %ld %ld %ld\n", state.line_number, r.closed.s, r.closed.d, r.closed.e,
                    r.closed.n);
        break;
    }
  }
  if (!options.list_mode)
    byte_printf(out, L"total %ld  %ld  %ld\n", state.line_number, state.groups_ended, state.groups_reported);
}

}  // namespace mox
