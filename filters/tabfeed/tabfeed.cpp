#include "tabfeed.h"

#include <windows.h>

#include <cwchar>

#include "common/console.h"
#include "common/frame.h"
#include "common/byte_lines.h"

namespace mox {

namespace {

// No file name holds a wildcard ("<", ">" and '"' are the system's DOS
// wildcards) or a control character. Yet the export writes '?' for a
// character its code page lacks, and the front end's delete would take such
// a path as a pattern of other files; a CR would cut the path to another
// one. Only a leading \\?\ prefix may hold a '?'.
bool names_no_file(const wchar_t* path) {
  if (std::wcsncmp(path, L"\\\\?\\", 4) == 0) path += 4;
  for (; *path; ++path)
    if (*path < L' ' || std::wcschr(L"*?<>\"", *path)) return true;
  return false;
}

}  // namespace

TabLine parse_tab_line(wchar_t* line, TabRow& row) {
  if (line[0] == 0 || line[0] == L'\r' || line[0] == L'\n') return TabLine::separator;
  wchar_t* tab1 = std::wcschr(line, L'\t');
  wchar_t* tab2 = tab1 ? std::wcschr(tab1 + 1, L'\t') : nullptr;
  if (!tab2) return TabLine::too_few_tabs;
  if (tab1 == line) return TabLine::no_path;
  *tab1 = 0;
  *tab2 = 0;
  if (names_no_file(line)) return TabLine::bad_path;
  // A longer time text would push the path off character 42; nobody reads
  // the time from the list (the loader asks the file system).
  if (tab2 - (tab1 + 1) > kTimeColumns) tab1[1 + kTimeColumns] = 0;
  // A CR or LF in the time would cut the dated line or split it in two.
  for (wchar_t* c = tab1 + 1; *c; ++c)
    if (*c < L' ') *c = L' ';
  wchar_t* size = tab2 + 1;
  size[std::wcscspn(size, L"\r\n")] = 0;
  row.path = line;
  row.time = tab1 + 1;
  row.size = size_field(size);
  return TabLine::row;
}

unsigned long long size_field(const wchar_t* text) { return std::wcstoull(text, nullptr, 0); }

bool oem_to_wide(const char* bytes, int n, wchar_t* out, int cap) {
  if (n == 0) {
    out[0] = 0;
    return true;
  }
  int len = MultiByteToWideChar(CP_OEMCP, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS, bytes, n, out, cap - 1);
  if (len <= 0) return false;
  out[len] = 0;
  return std::wcslen(out) == static_cast<size_t>(len);
}

bool tabfeed_run(FILE* in, FILE* dlist, TabCounts& counts) {
  static LineReader reader;
  static char bytes[kTabLineCap];
  static wchar_t line[kTabLineCap];
  line_reader_init(reader, in);
  bool last_was_separator = false;
  int line_number = 0;
  for (int n; (n = read_whole_byte_line(reader, bytes, kTabLineCap)) != -1;) {
    ++line_number;
    if (n == kLineTooLong) {
      msg(L"%ls: line %d is longer than %d bytes, skipped\r\n", g_frame.program, line_number, kTabLineCap - 1);
      continue;
    }
    if (!oem_to_wide(bytes, n, line, kTabLineCap)) {
      msg(L"%ls: line %d is not text of the OEM code page, skipped\r\n", g_frame.program, line_number);
      continue;
    }
    TabRow row;
    switch (parse_tab_line(line, row)) {
      case TabLine::separator:
        con_printf(dlist, L"\r\n");
        ++counts.groups;
        last_was_separator = true;
        break;
      case TabLine::row:
        con_printf(dlist, L"%19ls %20.20llu %ls\r\n", row.time, row.size, row.path);
        ++counts.files;
        last_was_separator = false;
        break;
      case TabLine::too_few_tabs:
        msg(L"%ls: line %d has fewer than two TABs, skipped\r\n", g_frame.program, line_number);
        break;
      case TabLine::no_path:
        msg(L"%ls: line %d has no path, skipped\r\n", g_frame.program, line_number);
        break;
      case TabLine::bad_path:
        msg(L"%ls: line %d has a wildcard or control character in its path, skipped\r\n", g_frame.program,
            line_number);
        break;
    }
  }
  // Every group ends with an empty line, the last one too.
  if (counts.files > 0 && !last_was_separator) {
    con_printf(dlist, L"\r\n");
    ++counts.groups;
  }
  return fflush(dlist) == 0 && !ferror(dlist);
}

}  // namespace mox
