#include "dupcheck/output.h"

#include <windows.h>

#include "common/console.h"

namespace mox {

namespace {

struct FoundFile {
  SYSTEMTIME local;
  uint64_t size;
};

// The file's attributes as the file system holds them now: the same time
// and size a directory search gives, for a fraction of its cost.
bool look_up(const wchar_t* path, FoundFile* found) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return false;
  SYSTEMTIME utc;
  if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc)) return false;
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &found->local)) return false;
  found->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

void sink_file(void* ctx, const wchar_t* path, uint64_t listed_size) {
  auto* out = static_cast<ListOutput*>(ctx);
  write_file_line(out->stream, path, listed_size);
  ++out->files;
}

void sink_end_set(void* ctx) {
  auto* out = static_cast<ListOutput*>(ctx);
  con_printf(out->stream, L"\r\n");
  ++out->groups;
}

void sink_title(void*, const wchar_t* path) { SetConsoleTitleW(path); }

}  // namespace

void write_file_line(FILE* stream, const wchar_t* path, uint64_t listed_size) {
  FoundFile found;
  if (look_up(path, &found)) {
    const SYSTEMTIME& t = found.local;
    con_printf(stream, L"%4d-%02d-%02d %02d:%02d:%02d %20.20llu %ls\r\n", t.wYear, t.wMonth, t.wDay, t.wHour,
               t.wMinute, t.wSecond, static_cast<unsigned long long>(found.size), path);
  } else {
    con_printf(stream, L"0000-00-00 00:00:00 %20.20llu %ls\r\n", static_cast<unsigned long long>(listed_size), path);
  }
}

SetSink list_output_sink(ListOutput& out) { return SetSink{sink_file, sink_end_set, sink_title, &out}; }

}  // namespace mox
