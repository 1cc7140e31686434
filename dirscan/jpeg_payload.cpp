#include "jpeg_payload.h"

#include <windows.h>

#include "common/chunked_read.h"
#include "common/disk_file.h"

namespace mox {

int jpeg_byte(JpegReader& r, long long offset) {
  if (offset >= r.size || offset < 0 || r.failed) {
    r.eof = true;
    return 0;
  }
  r.eof = false;
  if (r.start < 0 || offset < r.start || offset >= r.start + kJpegBlock) {
    long long block = offset - offset % kJpegBlock;
    unsigned got = 0;
    r.start = block;
    r.valid = 0;
    if (!r.source.read_at(r.source.context, block, r.buffer, kJpegBlock, &got)) {
      r.failed = true;
      r.eof = true;
      return 0;
    }
    r.valid = got;
  }
  // A file cut short since its size was taken reads as ended.
  if (offset - r.start >= r.valid) {
    r.eof = true;
    return 0;
  }
  return r.buffer[offset - r.start];
}

long long jpeg_payload_offset(JpegReader& r, const JpegOptions& options) {
  long long pos = 2;
  for (;;) {
    if (jpeg_byte(r, pos) != 0xFF) return r.failed ? -1 : pos;
    int marker = jpeg_byte(r, pos + 1);
    ++pos;
    if (r.failed) return -1;
    if (marker == 0xD9 || marker == 0xDA) return pos - 1;
    long long length = (jpeg_byte(r, pos + 1) << 8) | jpeg_byte(r, pos + 2);
    if (options.jfif && marker == 0xE0) {
      static const int kJfif[5] = {'J', 'F', 'I', 'F', 0};
      for (int i = 0; i < 5; ++i)
        if (jpeg_byte(r, pos + 3 + i) != kJfif[i]) return -1;
    } else if (!((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE || options.sos)) {
      return r.failed ? -1 : pos - 1;
    }
    if (r.failed) return -1;
    pos += length + 1;
    if (r.eof) return pos - 1;
  }
}

long long jpeg_payload_from(JpegReader& r, const JpegOptions& options) {
  if (r.start != 0 || r.valid < 2 || r.buffer[0] != 0xFF || r.buffer[1] != 0xD8) return 0;
  long long offset = jpeg_payload_offset(r, options);
  if (offset < 0 || offset >= r.size) return 0;
  return r.size - offset;
}

namespace {

bool read_file_at(void* context, long long offset, unsigned char* buffer, unsigned want, unsigned* got) {
  HANDLE file = static_cast<HANDLE>(context);
  LARGE_INTEGER at;
  at.QuadPart = offset;
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
  DWORD total = 0;
  bool ok = read_chunked(file, buffer, want, &total);
  *got = total;
  return ok;
}

}  // namespace

long long jpeg_payload_size(const wchar_t* path, const JpegOptions& options) {
  // Allocated once and kept: the mode reads every listed file.
  static unsigned char block[kJpegBlock];
  DWORD error;
  HANDLE file = open_disk_file(path, 0, &error);
  if (file == INVALID_HANDLE_VALUE) return 0;
  JpegReader reader{{file, read_file_at}, block};
  long long result = 0;
  unsigned got = 0;
  LARGE_INTEGER size;
  if (read_file_at(file, 0, block, kJpegBlock, &got) && GetFileSizeEx(file, &size)) {
    reader.start = 0;
    reader.valid = got;
    reader.size = size.QuadPart;
    result = jpeg_payload_from(reader, options);
  }
  CloseHandle(file);
  return result;
}

}  // namespace mox
