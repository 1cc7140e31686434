// Opening a listed file for reading: only a file on a disk, and only the
// file the path's text names.
#pragma once
#include <windows.h>

namespace mox {

// CreateFileW for reading (shared read, existing file, the given attributes
// and flags). A plain path that the system would alter (a device name, a
// trailing dot or space) is refused before any open with ERROR_INVALID_NAME;
// a handle that is not a disk file (a device, a pipe) is closed unread, with
// ERROR_OPEN_FAILED. On failure *error holds the code, also as the last error.
HANDLE open_disk_file(const wchar_t* path, DWORD flags, DWORD* error);

}  // namespace mox
