#include "common/disk_file.h"

#include "common/paths.h"

namespace mox {

namespace {

HANDLE fail(DWORD code, DWORD* error) {
  SetLastError(code);
  *error = code;
  return INVALID_HANDLE_VALUE;
}

}  // namespace

// Under Wine a plain "aux.c" or "COM1" opens a serial line and a read of it
// waits for ever; a pipe in the tree waits alike.
HANDLE open_disk_file(const wchar_t* path, DWORD flags, DWORD* error) {
  if (!plain_path_reaches(path)) return fail(ERROR_INVALID_NAME, error);
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail(GetLastError(), error);
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return fail(ERROR_OPEN_FAILED, error);
  }
  return h;
}

}  // namespace mox
