#include "sizesum.h"

#include <cwctype>

#include "common/console.h"
#include "common/frame.h"
#include "filters/sizegroup/runselect.h"

namespace mox {

CompressedSizeFn g_compressed_size = nullptr;

void find_compressed_size_service() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  g_compressed_size =
      kernel ? reinterpret_cast<CompressedSizeFn>(
                   reinterpret_cast<void*>(GetProcAddress(kernel, "GetCompressedFileSizeW")))
             : nullptr;
}

namespace {

constexpr int kSizeField = 20;
constexpr int kMarker = 20;  // index of the marker
constexpr int kPath = 21;    // index where the path starts
constexpr int kMaxPath = kSizesumLineCap;

struct Output {
  FILE* out;
  SizeTotals totals;
};

void emit_counted(void* context, const wchar_t* line) {
  auto* o = static_cast<Output*>(context);
  con_printf(o->out, L"%ls", line);
  unsigned long long size = size_field(line);
  o->totals.on_disk += on_disk_size(size, line[kMarker], line + kPath);
  o->totals.nominal += size;
  ++o->totals.lines;
}

void close_nothing(void*) {}

}  // namespace

unsigned long long size_field(const wchar_t* line) {
  int i = 0;
  while (i < kSizeField && std::iswspace(line[i])) ++i;
  bool negative = false;
  if (i < kSizeField && (line[i] == L'+' || line[i] == L'-')) negative = line[i++] == L'-';
  unsigned long long value = 0;
  for (; i < kSizeField && line[i] >= L'0' && line[i] <= L'9'; ++i) value = value * 10 + (line[i] - L'0');
  return negative ? 0 - value : value;
}

unsigned long long on_disk_size(unsigned long long nominal, wchar_t marker, const wchar_t* path) {
  if (marker == L' ') return nominal;
  if (marker != L'c' || !g_compressed_size) return 0;
  wchar_t cut[kMaxPath];
  int n = 0;
  while (n < kMaxPath - 1 && path[n] && path[n] != L'\r' && path[n] != L'\n') {
    cut[n] = path[n];
    ++n;
  }
  cut[n] = 0;
  DWORD high = 0;
  SetLastError(0);
  DWORD low = g_compressed_size(cut, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != 0) return nominal;
  unsigned long long compressed = (static_cast<unsigned long long>(high) << 32) | low;
  return compressed < nominal ? compressed : nominal;
}

SizeTotals sizesum_run(FILE* in, FILE* out) {
  static ListInput input;
  static RunSelector selector;
  static wchar_t line[kSizesumLineCap];
  Output o{out, {}};
  list_input_init(input, in);
  run_start(selector, {size_key_same_exact, emit_counted, close_nothing, &o});
  for (int n; (n = read_whole_list_line(input, line, kSizesumLineCap)) != -1;) {
    if (n < 0) {
      report_refused_line(n, input.line_number);
      continue;
    }
    if (text_length(line) <= kMarker) {
      msg(L"%ls: line %lld too short, skipped\r\n", g_frame.program, input.line_number);
      continue;
    }
    run_feed(selector, line);
  }
  run_finish(selector);
  return o.totals;
}

}  // namespace mox
