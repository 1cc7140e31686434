#include "dupcheck/settings.h"

#include <cstdio>
#include <cwchar>

#include "common/lines.h"
#include "common/settings.h"

namespace mox {

int64_t parse_prefixed_number(const wchar_t* text) { return std::wcstoll(text, nullptr, 0); }

uint32_t buffer_size_from_setting(const wchar_t* text) {
  if (!text || !*text) return kDefaultBufferSize;
  int64_t value = parse_prefixed_number(text);
  uint32_t size = 32768;
  while (size < 1073741824u && static_cast<int64_t>(size) * 2 <= value) size *= 2;
  return size;
}

uint32_t read_buffer_setting() {
  wchar_t value[2048];
  config_read(L"Options", L"buffer", value, 2048);
  return buffer_size_from_setting(value);
}

int64_t count_total_from_text(const wchar_t* text) {
  const wchar_t* line = std::wcschr(text, L'\n');
  if (!line) return 0;
  wchar_t second[64];
  int n = 0;
  for (const wchar_t* p = line + 1; *p && n < 63; ++p) second[n++] = *p;
  second[n] = 0;
  clean_line(second);
  return parse_prefixed_number(second);
}

int64_t read_count_total(const wchar_t* path) {
  FILE* f = _wfopen(path, L"rb");
  if (!f) return 0;
  unsigned char bytes[512];
  size_t n = fread(bytes, 1, sizeof bytes, f);
  fclose(f);
  wchar_t text[257];
  size_t units = n / 2;
  for (size_t i = 0; i < units; ++i) text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  text[units] = 0;
  return count_total_from_text(text);
}

}  // namespace mox
