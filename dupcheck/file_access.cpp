#include "dupcheck/file_access.h"

#include <windows.h>

#include "common/chunked_read.h"
#include "common/disk_file.h"

namespace mox {

namespace {

HANDLE open_file(const wchar_t* path, bool unbuffered, DWORD* error) {
  DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | (unbuffered ? FILE_FLAG_NO_BUFFERING : 0);
  return open_disk_file(path, flags, error);
}

// The identity asks the volume for its serial number, which costs far more
// than the size alone.
bool file_info(HANDLE file, bool identity, FileInfo* info, DWORD* error) {
  if (!identity) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
      *error = GetLastError();
      return false;
    }
    info->size = static_cast<uint64_t>(size.QuadPart);
    return true;
  }
  BY_HANDLE_FILE_INFORMATION data;
  if (!GetFileInformationByHandle(file, &data)) {
    *error = GetLastError();
    return false;
  }
  info->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  info->volume = data.dwVolumeSerialNumber;
  info->index_high = data.nFileIndexHigh;
  info->index_low = data.nFileIndexLow;
  info->links = data.nNumberOfLinks;
  return true;
}

bool seek_file(HANDLE file, uint64_t offset, DWORD* error) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (SetFilePointerEx(file, to, nullptr, FILE_BEGIN)) return true;
  *error = GetLastError();
  return false;
}

bool read_file(HANDLE file, void* buffer, DWORD count, DWORD* got, DWORD* error) {
  if (read_chunked(file, buffer, count, got)) return true;
  *error = GetLastError();
  return false;
}

void sleep_ms(DWORD ms) { Sleep(ms); }

void error_text(DWORD code, wchar_t* out, int cap) {
  out[0] = 0;
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                 MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), out, static_cast<DWORD>(cap), nullptr);
}

void* commit(size_t bytes) { return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE); }

void decommit(unsigned char*& p) {
  if (p) VirtualFree(p, 0, MEM_RELEASE);
  p = nullptr;
}

}  // namespace

const FileOps kSystemFileOps = {open_file, file_info, seek_file, read_file, CloseHandle,
                                sleep_ms,  system_free_memory, error_text};

// Committed pages come zero-filled, so no clearing pass is needed.
bool buffers_alloc(uint32_t buffer_size, bool jpeg, Buffers* out) {
  Buffers buf;
  buf.a = static_cast<unsigned char*>(commit(buffer_size));
  buf.b = static_cast<unsigned char*>(commit(buffer_size));
  if (jpeg) buf.bounce = static_cast<unsigned char*>(commit(static_cast<size_t>(buffer_size) + 512));
  if (!buf.a || !buf.b || (jpeg && !buf.bounce)) {
    buffers_free(buf);
    return false;
  }
  *out = buf;
  return true;
}

void buffers_free(Buffers& buf) {
  decommit(buf.a);
  decommit(buf.b);
  decommit(buf.bounce);
}

uint32_t system_page_size() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

uint64_t system_free_memory() {
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return status.ullAvailPhys;
}

}  // namespace mox
