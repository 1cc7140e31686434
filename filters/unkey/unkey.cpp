#include "unkey.h"

#include <cwchar>

#include "common/console.h"
#include "common/frame.h"
#include "filters/sizegroup/modtime.h"
#include "filters/sizegroup/runselect.h"

namespace mox {

namespace {

// '|', the 20-digit size and its blank.
constexpr int kFieldToPath = 22;

// Reads one line and cuts it at its first CR or LF. A line whose text does
// not fit in cap - 1 units is consumed whole and refused: its first piece
// would be dated with a cut path. A line end that alone did not fit belongs
// to its line; it is no empty line that would split a group. A NUL in the
// text would cut the path: the line is refused.
int read_cut_line(ListInput& in, wchar_t* line, int cap) {
  int n = read_list_line(in, line, cap);
  if (n < 0) return -1;
  int len = 0;
  while (len < n && line[len] != L'\r' && line[len] != L'\n') ++len;
  bool nul = std::wmemchr(line, L'\0', static_cast<size_t>(len)) != nullptr;
  line[len] = 0;
  if (in.at_line_start) return nul ? kLineHasNul : len;
  static wchar_t rest[256];
  int m = read_list_line(in, rest, 256);
  bool fits = len < n || m < 0 || rest[0] == L'\r' || rest[0] == L'\n';
  while (m >= 0 && !in.at_line_start) m = read_list_line(in, rest, 256);
  return !fits ? kLineTooLong : nul ? kLineHasNul : len;
}

}  // namespace

UnkeyFields unkey_fields(const wchar_t* line, int len) {
  if (len == 0) return {UnkeyLine::empty, -1, -1};
  const wchar_t* bar = std::wmemchr(line, L'|', static_cast<size_t>(len));
  if (!bar) return {UnkeyLine::no_field, -1, -1};
  int field_end = static_cast<int>(bar - line);
  int path_start = field_end + kFieldToPath;
  if (len < kUnkeyMinLine || len <= path_start) return {UnkeyLine::too_short, field_end, path_start};
  return {UnkeyLine::dated, field_end, path_start};
}

void unkey_run(FILE* in, FILE* out) {
  static ListInput input;
  static wchar_t line[kUnkeyLineCap];
  con_printf(out, L"\uFEFF");
  list_input_init(input, in);
  for (int len; (len = read_cut_line(input, line, kUnkeyLineCap)) != -1;) {
    if (len < 0) {
      report_refused_line(len, input.line_number);
      continue;
    }
    UnkeyFields f = unkey_fields(line, len);
    switch (f.kind) {
      case UnkeyLine::empty:
        con_printf(out, L"\r\n");
        break;
      case UnkeyLine::no_field:
        msg(L"%ls: line %lld has no '|', skipped\r\n", g_frame.program, input.line_number);
        break;
      case UnkeyLine::too_short:
        msg(L"%ls: line %lld too short, skipped\r\n", g_frame.program, input.line_number);
        break;
      case UnkeyLine::dated: {
        Stamp stamp;
        file_stamp(line + f.path_start, stamp);
        con_printf(out, L"%ls %ls\r\n", stamp, line + f.field_end + 1);
        break;
      }
    }
  }
}

}  // namespace mox
