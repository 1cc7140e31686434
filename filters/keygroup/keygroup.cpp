#include "keygroup.h"

#include <cwchar>

#include "common/console.h"
#include "common/frame.h"
#include "filters/sizegroup/runselect.h"

namespace mox {

namespace {

void emit_as_read(void* context, const wchar_t* line) {
  auto* o = static_cast<GroupWriter*>(context);
  con_printf(o->out, L"%ls", line);
  ++o->counts.files;
}

}  // namespace

GroupCounts keygroup_run(FILE* in, FILE* out) {
  static ListInput input;
  static RunSelector selector;
  static wchar_t line[kKeygroupLineCap];
  GroupWriter o{out, {}};
  list_input_init(input, in);
  run_start(selector, {name_key_same, emit_as_read, close_with_empty_line, &o});
  for (int n; (n = read_whole_list_line(input, line, kKeygroupLineCap)) != -1;) {
    if (n < 0) {
      report_refused_line(n, input.line_number);
      continue;
    }
    if (!std::wcschr(line, L'|')) {
      msg(L"%ls: line %lld has no '|', skipped\r\n", g_frame.program, input.line_number);
      continue;
    }
    run_feed(selector, line);
  }
  run_finish(selector);
  return o.counts;
}

}  // namespace mox
