#include "sizegroup.h"

#include "common/console.h"
#include "common/frame.h"
#include "modtime.h"
#include "runselect.h"

namespace mox {

namespace {

void emit_dated(void* context, const wchar_t* line) {
  auto* o = static_cast<GroupWriter*>(context);
  Stamp stamp;
  file_stamp(line + kSizePathHead, stamp);
  con_printf(o->out, L"%ls %ls\r\n", stamp, line);
  ++o->counts.files;
}

}  // namespace

GroupCounts sizegroup_run(FILE* in, FILE* out) {
  static ListInput input;
  static RunSelector selector;
  static wchar_t line[kSizegroupLineCap];
  GroupWriter o{out, {}};
  list_input_init(input, in);
  run_start(selector, {size_key_same_ignoring_case, emit_dated, close_with_empty_line, &o});
  for (int n; (n = read_whole_list_line(input, line, kSizegroupLineCap)) != -1;) {
    if (n < 0) {
      report_refused_line(n, input.line_number);
      continue;
    }
    int len = text_length(line);
    line[len] = 0;
    if (len < kSizePathHead) {
      msg(L"%ls: line %lld too short, skipped\r\n", g_frame.program, input.line_number);
      continue;
    }
    run_feed(selector, line);
  }
  run_finish(selector);
  return o.counts;
}

}  // namespace mox
