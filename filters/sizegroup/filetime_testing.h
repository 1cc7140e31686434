// Test helper: gives a file a last-write time in UTC.
#pragma once
#include <windows.h>

#include <string>

namespace mox::test {

inline bool set_write_time(const std::wstring& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                           WORD second) {
  SYSTEMTIME st{year, month, 0, day, hour, minute, second, 0};
  FILETIME ft;
  if (!SystemTimeToFileTime(&st, &ft)) return false;
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = SetFileTime(h, nullptr, nullptr, &ft) != 0;
  CloseHandle(h);
  return ok;
}

}  // namespace mox::test
