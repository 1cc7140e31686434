#include "moxwin/results/export_format.h"

#include <windows.h>

#include <cwchar>

#include "moxwin/shell/format.h"
#include "moxwin/shell/numbers.h"

namespace mox::results {

namespace {

// Values are written as they are: quotes and commas inside are not escaped.
constexpr wchar_t kCsvLine[] =
    L"%d,\"%s\",%d,%d,%I64d,%s,\"%s\",\"%s\",%s,%s,%d,%d,\"%08x\",\"%08x:%08x\",%d\r\n";
// Room for the numbers, quotes and commas of a line beside its texts.
constexpr size_t kCsvFixedRoom = 256;

constexpr int kDatTimeCap = 32;

// No best fit; UTF-8, which every character fits, takes no such flag.
DWORD oem_flags(UINT code_page) { return code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS; }

}  // namespace

std::wstring csv_line(const Row& row) {
  std::wstring date = shell::date_text(row.time);
  size_t texts = std::wcslen(row.path) + std::wcslen(row.folder) + std::wcslen(row.name) +
                 std::wcslen(row.extension) + std::wcslen(row.attribute) + date.size();
  return shell::format_text(static_cast<int>(texts + kCsvFixedRoom), kCsvLine, static_cast<int>(row.checked),
                            row.path, row.id, row.group, static_cast<long long>(row.size), date.c_str(), row.folder,
                            row.name, row.extension, row.attribute, row.link, row.identity.links,
                            row.identity.volume_serial, row.identity.index_high, row.identity.index_low,
                            static_cast<int>(row.selected));
}

std::string csv_bytes(const Model& model, const ListItems& items) {
  std::string bytes;
  shell::append_utf16le(bytes, L"\uFEFF");
  for (const ListItem& item : items)
    if (item.row >= 0 && item.row < model.count()) shell::append_utf16le(bytes, csv_line(model.rows[item.row]));
  return bytes;
}

std::wstring dat_line(const Row& row) {
  // A time that cannot be converted is left out rather than shown as a date.
  wchar_t time[kDatTimeCap] = L"";
  SYSTEMTIME local;
  if (shell::local_time(row.time, &local))
    std::swprintf(time, kDatTimeCap, L"%04d/%02d/%02d %02d:%02d:%02d", local.wYear, local.wMonth, local.wDay,
                  local.wHour, local.wMinute, local.wSecond);
  return std::wstring(row.path) + L"\t" + time + L"\t" + std::to_wstring(row.size) + L"\r\n";
}

std::string oem_bytes(const std::wstring& line) {
  if (line.empty()) return {};
  const int length = static_cast<int>(line.size());
  const UINT code_page = GetOEMCP();
  const DWORD flags = oem_flags(code_page);
  char fixed[kDatLineCap];
  int n = WideCharToMultiByte(code_page, flags, line.data(), length, fixed, kDatLineCap, nullptr,
                              nullptr);
  if (n > 0) return std::string(fixed, static_cast<size_t>(n));
  // Too long for the buffer: the whole line from one of its own size, so
  // that nothing cut or left from another line is written.
  int needed = WideCharToMultiByte(code_page, flags, line.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string whole(static_cast<size_t>(needed), '\0');
  n = WideCharToMultiByte(code_page, flags, line.data(), length, whole.data(), needed, nullptr, nullptr);
  whole.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return whole;
}

std::string dat_bytes(const Model& model) {
  std::string bytes;
  for (int i = 0; i < model.count(); ++i) {
    const Row& row = model.rows[static_cast<size_t>(i)];
    if (i > 0 && model.rows[static_cast<size_t>(i) - 1].group != row.group) bytes += "\r\n";
    bytes += oem_bytes(dat_line(row));
  }
  return bytes;
}

}  // namespace mox::results
