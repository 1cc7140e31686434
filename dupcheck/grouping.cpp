#include "dupcheck/grouping.h"

#include <cwchar>

#include "common/frame.h"

namespace mox {

namespace {

// A size-path line: 20 digits of size, a marker, and a path.
bool is_size_path_line(const wchar_t* line) {
  for (int i = 0; i < kKeyLength; ++i)
    if (line[i] < L'0' || line[i] > L'9') return false;
  return line[kKeyLength] != 0 && line[kKeyLength + 1] != 0;
}

uint64_t key_size(const wchar_t* key) {
  uint64_t size = 0;
  for (int i = 0; i < kKeyLength; ++i) size = size * 10 + static_cast<uint64_t>(key[i] - L'0');
  return size;
}

bool close_run(Grouper& g, const RunHandler& handler) {
  bool ok = true;
  if (g.run_count >= 2) {
    entry_list_reverse(g.group);
    ok = handler.run(handler.ctx, g.group, key_size(g.run_key), g.line_number);
  }
  entry_list_clear(g.group);
  g.run_count = 0;
  return ok;
}

}  // namespace

bool grouper_line(Grouper& g, const wchar_t* line, bool too_long, const RunHandler& handler) {
  ++g.line_number;
  if (too_long) {
    msg_log(L"%ls: line %ld is too long, skipped\r\n", g_frame.program, g.line_number);
    return true;
  }
  if (!is_size_path_line(line)) {
    msg_log(L"%ls: line %ld is not a size-path line, skipped\r\n", g_frame.program, g.line_number);
    return true;
  }
  const wchar_t* path = line + kKeyLength + 1;
  if (g.run_count > 0 && std::wmemcmp(g.run_key, line, kKeyLength) == 0) {
    if (g.run_count == 1) entry_list_add(g.group, g.first_path);
    entry_list_add(g.group, path);
    ++g.run_count;
    return true;
  }
  bool ok = close_run(g, handler);
  std::wmemcpy(g.run_key, line, kKeyLength);
  std::wcscpy(g.first_path, path);
  g.run_count = 1;
  return ok;
}

bool grouper_finish(Grouper& g, const RunHandler& handler) {
  bool ok = close_run(g, handler);
  entry_list_free(g.group);
  return ok;
}

bool read_list_line(LineReader& reader, wchar_t* line, bool* too_long) {
  int n = read_wide_line(reader, line, kLineCap);
  if (n < 0) return false;
  // The line's text ends at its first CR or LF; it is too long only when
  // text goes on past what the buffer holds.
  bool cut = std::wcspbrk(line, L"\r\n") != nullptr;
  *too_long = false;
  wchar_t rest[256];
  int piece = n, cap = kLineCap;
  wchar_t last = line[n - 1];
  while (!piece_ends_line(piece, cap, last)) {
    piece = read_wide_line(reader, rest, 256);
    if (piece < 0) break;
    cap = 256;
    last = rest[piece - 1];
    for (int i = 0; i < piece && !cut; ++i) {
      if (rest[i] == L'\r' || rest[i] == L'\n') cut = true;
      else *too_long = true;
    }
  }
  // A NUL in the text would cut the path short, naming another file: such a
  // line is no size-path line.
  for (int i = 0; i < n && line[i] != L'\r' && line[i] != L'\n'; ++i)
    if (line[i] == 0) line[0] = 0;
  clean_line(line);
  return true;
}

}  // namespace mox
