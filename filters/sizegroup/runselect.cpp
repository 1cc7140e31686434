#include "runselect.h"

#include <windows.h>

#include <cwchar>

#include "common/console.h"
#include "common/frame.h"

namespace mox {

namespace {

void hold(RunSelector& sel, const wchar_t* line) {
  int n = 0;
  while (line[n] && n < kRunLineCap - 1) {
    sel.previous[n] = line[n];
    ++n;
  }
  sel.previous[n] = 0;
  sel.have_previous = true;
}

bool equal_ignoring_case(const wchar_t* a, int a_len, const wchar_t* b, int b_len) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, a_len, b, b_len) == CSTR_EQUAL;
}

constexpr int kSizeKey = 20;

}  // namespace

void run_start(RunSelector& sel, const RunActions& actions) {
  sel.actions = actions;
  sel.previous[0] = 0;
  sel.have_previous = false;
  sel.in_run = false;
}

void run_feed(RunSelector& sel, const wchar_t* line) {
  const RunActions& a = sel.actions;
  if (sel.have_previous && a.same_key(sel.previous, line)) {
    if (!sel.in_run) a.emit(a.context, sel.previous);
    a.emit(a.context, line);
    sel.in_run = true;
  } else {
    if (sel.in_run) a.close(a.context);
    sel.in_run = false;
  }
  hold(sel, line);
}

void run_finish(RunSelector& sel) {
  if (sel.in_run) sel.actions.close(sel.actions.context);
  sel.in_run = false;
  sel.have_previous = false;
}

void close_with_empty_line(void* writer) {
  auto* w = static_cast<GroupWriter*>(writer);
  con_printf(w->out, L"\r\n");
  ++w->counts.groups;
}

bool size_key_same_ignoring_case(const wchar_t* a, const wchar_t* b) {
  return equal_ignoring_case(a, kSizeKey, b, kSizeKey);
}

bool size_key_same_exact(const wchar_t* a, const wchar_t* b) { return std::wmemcmp(a, b, kSizeKey) == 0; }

bool name_key_same(const wchar_t* a, const wchar_t* b) {
  int a_len = static_cast<int>(std::wcschr(a, L'|') - a);
  int b_len = static_cast<int>(std::wcschr(b, L'|') - b);
  // Keys of different length never match, not even by trailing blanks.
  if (a_len != b_len) return false;
  return a_len == 0 || equal_ignoring_case(a, a_len, b, b_len);
}

void list_input_init(ListInput& in, FILE* stream) {
  line_reader_init(in.reader, stream);
  in.line_number = 0;
  in.at_line_start = true;
}

int read_list_line(ListInput& in, wchar_t* buf, int cap) {
  for (;;) {
    int n = read_wide_line(in.reader, buf, cap);
    if (n < 0) return -1;
    bool starts_line = in.at_line_start;
    if (starts_line) ++in.line_number;
    in.at_line_start = piece_ends_line(n, cap, buf[n - 1]);
    if (!starts_line || buf[0] != 0xFEFF) return n;
    std::wmemmove(buf, buf + 1, static_cast<size_t>(n));  // the terminator moves too
    // A mark alone at the end of the input is no line (a list holding only a BOM).
    if (n > 1 || !in.at_line_start) return n - 1;
  }
}

int read_whole_list_line(ListInput& in, wchar_t* buf, int cap) {
  int n = read_list_line(in, buf, cap);
  if (n < 0) return -1;
  if (!in.at_line_start) {
    static wchar_t rest[256];
    while (read_list_line(in, rest, 256) >= 0 && !in.at_line_start) {
    }
    return kLineTooLong;
  }
  return std::wmemchr(buf, L'\0', static_cast<size_t>(n)) ? kLineHasNul : n;
}

void report_refused_line(int status, long long line_number) {
  msg(status == kLineTooLong ? L"%ls: line %lld too long, skipped\r\n" : L"%ls: line %lld holds a NUL, skipped\r\n",
      g_frame.program, line_number);
}

int text_length(const wchar_t* line) {
  int n = 0;
  while (line[n] && line[n] != L'\r' && line[n] != L'\n') ++n;
  return n;
}

}  // namespace mox
