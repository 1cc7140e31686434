// Byte-for-byte comparison of files that are about to be deleted with the
// files that are kept: each file is read at most once, block by block, all
// files of a group side by side.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mox::results {

// The bytes of a file that count: all of them, or for a JPEG search the
// image data at the end.
struct FileRange {
  std::wstring path;
  int64_t offset = 0;
  int64_t length = 0;
};

enum class Sameness : uint8_t { same, differs, unreadable };

struct ComparedBytes {
  int64_t read = 0;  // bytes read from all files
};

// Called after every block with the bytes read so far; returns nothing, may
// repaint.
using CompareProgress = std::function<void(int64_t bytes_read)>;

// The blocks files are read into, kept from one comparison to the next:
// fresh memory for every file costs more than the reading itself.
class CompareBlocks {
 public:
  unsigned char* block(size_t index);

 private:
  std::vector<std::unique_ptr<unsigned char[]>> blocks_;
};

// For every checked range, whether it equals one of the kept ranges. A kept
// file that cannot be read is dropped; a checked file that cannot be read
// (or opens no disk file) is unreadable.
std::vector<Sameness> compare_with_kept(const std::vector<FileRange>& kept, const std::vector<FileRange>& checked,
                                        CompareBlocks& blocks, ComparedBytes* bytes, const CompareProgress& progress);

}  // namespace mox::results
