// Tab-list importer: turns a tab-separated .dat duplicate list (OEM text)
// into the dated list and counts that the front end loads after a run.
#pragma once
#include <cstdio>

namespace mox {

// Lines hold at most 2111 bytes before their LF.
constexpr int kTabLineCap = 2112;

// The time text fills the 19 columns before the size; the front end's
// loader takes the path from character 42 on.
constexpr int kTimeColumns = 19;

struct TabCounts {
  int files = 0;
  int groups = 0;
};

enum class TabLine { separator, row, too_few_tabs, no_path, bad_path };

struct TabRow {
  const wchar_t* path = nullptr;
  const wchar_t* time = nullptr;
  unsigned long long size = 0;
};

// Classifies a converted line (its CR may still be there) and splits a file
// line in place: path TAB time TAB size.
TabLine parse_tab_line(wchar_t* line, TabRow& row);

// The size field: leading white space skipped, "0x" hexadecimal, another
// leading 0 octal, otherwise decimal; reading stops at the first non-digit.
unsigned long long size_field(const wchar_t* text);

// Converts n bytes of OEM text; false when they are not valid text in the
// OEM code page or hold a NUL.
bool oem_to_wide(const char* bytes, int n, wchar_t* out, int cap);

// Reads the .dat list from in and writes the dated list to dlist; bad lines
// are reported on standard error and skipped. Returns false when writing
// dlist failed.
bool tabfeed_run(FILE* in, FILE* dlist, TabCounts& counts);

}  // namespace mox
