// What the file system reports about one path now: size, times, attributes
// as flags, and the reparse tag of a reparse point.
#pragma once
#include <cstdint>

namespace mox::shell {

enum FileFlag : uint32_t {
  kFileArchive = 0x1,
  kFileSystem = 0x2,
  kFileHidden = 0x4,
  kFileReadOnly = 0x8,
  kFileWritable = 0x80,
  kFileReadable = 0x100,
  kFileDirectory = 0x4000,
  kFileRegular = 0x8000,
  kFileCompressed = 0x10000,
  kFileEncrypted = 0x20000,
  kFileReparsePoint = 0x40000,
  kFileSparse = 0x80000,
};

// Size and times of a file whose attributes alone could be read.
constexpr int64_t kUnknown = -1;

struct FileStatus {
  int64_t size = kUnknown;
  int64_t access_time = kUnknown;  // file times: 100 ns units since 1601, UTC
  int64_t write_time = kUnknown;
  int64_t creation_time = kUnknown;
  uint32_t flags = 0;
  uint32_t reparse_tag = 0;  // only for a reparse point
};

// The flags for a set of FILE_ATTRIBUTE_* bits.
uint32_t flags_of_attributes(uint32_t attributes);

// '?' or '*' past a "\\?\" prefix: a find-first or the shell's delete would
// take the path for a pattern.
bool has_wildcard(const wchar_t* path);

// Fills the record and returns 0, or -1 when the path cannot be found.
int file_status(const wchar_t* path, FileStatus* status);

}  // namespace mox::shell
