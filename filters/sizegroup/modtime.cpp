#include "modtime.h"

#include <cwchar>

namespace mox {

bool read_last_write(const wchar_t* path, FILETIME* out) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return false;
  *out = data.ftLastWriteTime;
  return true;
}

bool format_local_stamp(FILETIME utc, Stamp& out) {
  SYSTEMTIME universal, local;
  if (!FileTimeToSystemTime(&utc, &universal)) return false;
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) return false;
  if (local.wYear > 9999) return false;  // the line has four places for the year
  std::swprintf(out, kStampChars + 1, L"%4d-%02d-%02d %02d:%02d:%02d", local.wYear, local.wMonth, local.wDay,
                local.wHour, local.wMinute, local.wSecond);
  return true;
}

void file_stamp(const wchar_t* path, Stamp& out) {
  FILETIME epoch{static_cast<DWORD>(kUnixEpochFileTime), static_cast<DWORD>(kUnixEpochFileTime >> 32)};
  FILETIME when;
  if (read_last_write(path, &when) && format_local_stamp(when, out)) return;
  format_local_stamp(epoch, out);
}

}  // namespace mox
