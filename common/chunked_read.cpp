#include "chunked_read.h"

#include <cstdint>
#include <cstdio>

#include "console.h"

namespace mox {

ReadFileFn g_read_file = ReadFile;

bool read_chunked(HANDLE file, void* buffer, DWORD count, DWORD* total) {
  constexpr DWORD kPiece = 1048576;
  auto* at = static_cast<unsigned char*>(buffer);
  DWORD done = 0;
  while (done < count) {
    DWORD want = count - done < kPiece ? count - done : kPiece;
    DWORD got = 0;
    if (!g_read_file(file, at, want, &got, nullptr)) {
      DWORD error = GetLastError();
      con_printf(stderr, L"58'readfile' ReadFile(hFile=%d,ptr=%p,buflen=%u,len=%u,lpOverlapped=%ls\r\n",
                 static_cast<int>(reinterpret_cast<intptr_t>(file)), static_cast<void*>(at), want, got, L"(null)");
      con_printf(stderr, L"59sts=%d getlasterr=%d\r\n", 0, static_cast<int>(error));
      fflush(stderr);
      SetLastError(error);  // the caller reports the failure with this code
      *total = done;
      return false;
    }
    done += got;
    at += got;
    if (got < want) break;
  }
  *total = done;
  return true;
}

}  // namespace mox
