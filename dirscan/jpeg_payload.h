// JPEG payload size: the bytes from the first segment that is not metadata
// to the end of the file, so photographs that differ only in metadata get
// the same key.
#pragma once
#include "dirscan/filters.h"

namespace mox {

constexpr unsigned kJpegBlock = 512;

// Where the bytes come from: reads up to want bytes at offset (always a
// multiple of kJpegBlock); false on a read error.
struct ByteSource {
  void* context;
  bool (*read_at)(void* context, long long offset, unsigned char* buffer, unsigned want, unsigned* got);
};

// Reading context of one file: one aligned block buffered at a time.
struct JpegReader {
  ByteSource source;
  unsigned char* buffer;  // kJpegBlock bytes
  unsigned valid = 0;     // bytes of the buffered block
  long long start = -1;   // file offset of the buffered block
  long long size = 0;     // file size
  bool eof = false;       // the last byte asked for lay at or beyond the end
  bool failed = false;    // a block read failed: the rest of the file is unreadable
};

// The byte at offset, 0 at or beyond the end of the file (setting eof).
int jpeg_byte(JpegReader& reader, long long offset);

// Offset at which the payload begins, or -1 when the file must not be listed
// (an APP0 that is not JFIF while that option is on, or a failed read).
long long jpeg_payload_offset(JpegReader& reader, const JpegOptions& options);

// Size of the payload given the first block already in the reader; 0 when
// the file is no JPEG file or has no payload.
long long jpeg_payload_from(JpegReader& reader, const JpegOptions& options);

// Opens the file and measures it; 0 when it cannot be opened or read.
long long jpeg_payload_size(const wchar_t* path, const JpegOptions& options);

}  // namespace mox
