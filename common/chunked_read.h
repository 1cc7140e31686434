// Reads a byte count from a file handle in pieces of at most 1 MiB.
#pragma once
#include <windows.h>

namespace mox {

using ReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);

// Test seam: the system call the reader uses.
extern ReadFileFn g_read_file;

// Stops at the end of the file or when count bytes are read; *total gets the
// bytes read. On a failed read it writes the two diagnostics to standard error
// and returns false with *total as read before the failing piece; the
// system error code stays available through GetLastError.
bool read_chunked(HANDLE file, void* buffer, DWORD count, DWORD* total);

}  // namespace mox
