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
  while (read_list_line(input, line, kUnkeyLineCap) >= 0) {
    int len = text_length(line);
    line[len] = 0;
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
