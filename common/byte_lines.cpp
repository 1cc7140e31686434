#include "common/byte_lines.h"

#include <cstdio>
#include <cstdlib>

namespace mox {

namespace {

// The CR of a CR LF line end, as a text-mode stream would drop it.
int without_cr(char* out, int n) {
  if (n > 0 && out[n - 1] == '\r') out[--n] = 0;
  return n;
}

}  // namespace

int read_whole_byte_line(LineReader& r, char* out, int cap) {
  int n = read_byte_line(r, out, cap);
  if (n < 0) return -1;
  if (n > 0 && out[n - 1] == '\n') {
    out[--n] = 0;
    return without_cr(out, n);
  }
  if (n < cap - 1) return n;  // the last line, without LF
  // The buffer is full: the line fits only if its line end (or the end) comes next.
  char rest[256];
  int m = read_byte_line(r, rest, sizeof rest);
  if (m < 0 || (m == 2 && rest[0] == '\r' && rest[1] == '\n')) return n;
  if (m == 1 && rest[0] == '\n') return without_cr(out, n);
  while (rest[m - 1] != '\n') {
    m = read_byte_line(r, rest, sizeof rest);
    if (m < 0) break;
  }
  return kLineTooLong;
}

int read_byte_family_line(LineReader& r, wchar_t (&out)[kByteLineCap]) {
  char bytes[kByteLineCap];
  int n = read_whole_byte_line(r, bytes, kByteLineCap);
  if (n < 0) return n;
  for (int i = 0; i < n; ++i) {
    if (bytes[i] == 0) return kLineHasNul;
    out[i] = static_cast<unsigned char>(bytes[i]);
  }
  out[n] = 0;
  return n;
}

void report_skipped_line(int status, long line_number) {
  if (status == kLineTooLong)
    msg(L"%ls: line %ld is longer than %d characters, skipped\n", g_frame.program, line_number, kByteLineCap - 1);
  else
    msg(L"%ls: line %ld holds a NUL byte, skipped\n", g_frame.program, line_number);
}

long column_or_exit(const OptionState& options, long default_column) {
  if (!options.has_column) return default_column;
  if (options.column >= 1) return options.column;
  msg(L"%ls: bad column %ld\n", g_frame.program, options.column);
  msg(L"for more infomation: %ls /?\n", g_frame.program);
  fflush(stderr);
  std::exit(1);
}

}  // namespace mox
