#include "lines.h"

#include <cwchar>

namespace mox {

namespace {

bool fill(LineReader& r) {
  if (r.pos < r.len) return true;
  r.pos = 0;
  r.len = fread(r.buf, 1, sizeof r.buf, r.stream);
  return r.len > 0;
}

}  // namespace

int read_wide_line(LineReader& r, wchar_t* out, int cap) {
  int n = 0;
  bool any = false;
  while (n < cap - 1) {
    unsigned char lo, hi;
    if (!fill(r)) break;
    lo = r.buf[r.pos++];
    if (!fill(r)) break;  // odd trailing byte
    hi = r.buf[r.pos++];
    any = true;
    wchar_t c = static_cast<wchar_t>(lo | (hi << 8));
    out[n++] = c;
    if (c == L'\n') break;
  }
  out[n] = 0;
  return any ? n : -1;
}

int read_byte_line(LineReader& r, char* out, int cap) {
  int n = 0;
  bool any = false;
  while (n < cap - 1) {
    if (!fill(r)) break;
    char c = static_cast<char>(r.buf[r.pos++]);
    any = true;
    out[n++] = c;
    if (c == '\n') break;
  }
  out[n] = 0;
  return any ? n : -1;
}

int clean_line(wchar_t* line) {
  if (line[0] == 0xFEFF) std::wmemmove(line, line + 1, std::wcslen(line + 1) + 1);
  int n = 0;
  while (line[n] && line[n] != L'\r' && line[n] != L'\n') ++n;
  line[n] = 0;
  return n;
}

}  // namespace mox
