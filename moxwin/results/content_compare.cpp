#include "moxwin/results/content_compare.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace mox::results {
namespace {

constexpr DWORD kBlock = 256 * 1024;
constexpr size_t kBatch = 32;  // files of one side open at once

// One range open for reading, positioned at its offset. Writers are shut out
// while it is open, so what was compared is what stays.
class OpenRange {
 public:
  OpenRange(const FileRange& range, unsigned char* block) : length_(range.length), block_(block) {
    file_ = CreateFileW(range.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size, offset;
    offset.QuadPart = range.offset;
    // Never read from a device, and never from a file that is not the size
    // it was loaded with.
    if (GetFileType(file_) != FILE_TYPE_DISK || !GetFileSizeEx(file_, &size) || range.offset < 0 ||
        range.length < 0 || size.QuadPart != range.offset + range.length ||
        !SetFilePointerEx(file_, offset, nullptr, FILE_BEGIN)) {
      CloseHandle(file_);
      file_ = INVALID_HANDLE_VALUE;
    }
  }
  ~OpenRange() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  }
  OpenRange(const OpenRange&) = delete;
  OpenRange& operator=(const OpenRange&) = delete;

  bool open() const { return file_ != INVALID_HANDLE_VALUE; }
  int64_t length() const { return length_; }
  const unsigned char* block() const { return block_; }

  // The block at `offset` (the next one in order); false on a short read.
  bool read(int64_t offset, DWORD* got) {
    DWORD want = static_cast<DWORD>(std::min<int64_t>(kBlock, length_ - offset));
    DWORD done = 0;
    while (done < want) {
      DWORD n = 0;
      if (!ReadFile(file_, block_ + done, want - done, &n, nullptr) || n == 0) return false;
      done += n;
    }
    *got = done;
    return true;
  }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  int64_t length_ = 0;
  unsigned char* block_;
};

// Compares one batch of checked files with one batch of kept files; marks
// the checked files found equal to a kept one.
void compare_batch(const std::vector<const FileRange*>& kept, const std::vector<const FileRange*>& checked,
                   std::vector<Sameness*>& results, CompareBlocks& blocks, ComparedBytes* bytes,
                   const CompareProgress& progress) {
  std::vector<std::unique_ptr<OpenRange>> k_open, c_open;
  for (const FileRange* range : kept) k_open.push_back(std::make_unique<OpenRange>(*range, blocks.block(k_open.size())));
  for (const FileRange* range : checked)
    c_open.push_back(std::make_unique<OpenRange>(*range, blocks.block(kept.size() + c_open.size())));
  size_t nk = kept.size(), nc = checked.size();
  std::vector<char> alive(nk * nc, 0);
  for (size_t c = 0; c < nc; ++c) {
    if (!c_open[c]->open()) {
      if (*results[c] != Sameness::same) *results[c] = Sameness::unreadable;
      continue;
    }
    if (*results[c] == Sameness::unreadable) *results[c] = Sameness::differs;
    for (size_t k = 0; k < nk; ++k)
      alive[c * nk + k] = k_open[k]->open() && k_open[k]->length() == c_open[c]->length();
  }
  for (int64_t offset = 0;; offset += kBlock) {
    std::vector<char> k_needed(nk, 0), c_needed(nc, 0);
    bool any = false;
    for (size_t c = 0; c < nc; ++c)
      for (size_t k = 0; k < nk; ++k) {
        if (!alive[c * nk + k]) continue;
        if (offset >= c_open[c]->length()) {  // equal to the end
          *results[c] = Sameness::same;
          std::fill(alive.begin() + static_cast<std::ptrdiff_t>(c * nk),
                    alive.begin() + static_cast<std::ptrdiff_t>((c + 1) * nk), 0);
          break;
        }
        k_needed[k] = c_needed[c] = 1;
        any = true;
      }
    if (!any) return;
    std::vector<DWORD> k_got(nk, 0), c_got(nc, 0);
    for (size_t k = 0; k < nk; ++k) {
      if (!k_needed[k]) continue;
      if (k_open[k]->read(offset, &k_got[k])) {
        bytes->read += k_got[k];
        continue;
      }
      for (size_t c = 0; c < nc; ++c) alive[c * nk + k] = 0;
    }
    for (size_t c = 0; c < nc; ++c) {
      if (!c_needed[c]) continue;
      if (!c_open[c]->read(offset, &c_got[c])) {
        *results[c] = Sameness::unreadable;
        for (size_t k = 0; k < nk; ++k) alive[c * nk + k] = 0;
        continue;
      }
      bytes->read += c_got[c];
      for (size_t k = 0; k < nk; ++k) {
        char& pair = alive[c * nk + k];
        if (pair && (k_got[k] != c_got[c] || std::memcmp(k_open[k]->block(), c_open[c]->block(), c_got[c]) != 0))
          pair = 0;
      }
    }
    if (progress) progress(bytes->read);
  }
}

}  // namespace

unsigned char* CompareBlocks::block(size_t index) {
  while (blocks_.size() <= index) blocks_.push_back(std::make_unique<unsigned char[]>(kBlock));
  return blocks_[index].get();
}

std::vector<Sameness> compare_with_kept(const std::vector<FileRange>& kept, const std::vector<FileRange>& checked,
                                        CompareBlocks& blocks, ComparedBytes* bytes, const CompareProgress& progress) {
  // Unreadable until a batch opens the file; differs once it was opened.
  std::vector<Sameness> results(checked.size(), Sameness::unreadable);
  for (size_t c0 = 0; c0 < checked.size(); c0 += kBatch) {
    for (size_t k0 = 0; k0 < kept.size(); k0 += kBatch) {
      std::vector<const FileRange*> c_batch;
      std::vector<Sameness*> c_results;
      for (size_t c = c0; c < std::min(checked.size(), c0 + kBatch); ++c)
        if (results[c] != Sameness::same) {
          c_batch.push_back(&checked[c]);
          c_results.push_back(&results[c]);
        }
      if (c_batch.empty()) break;
      std::vector<const FileRange*> k_batch;
      for (size_t k = k0; k < std::min(kept.size(), k0 + kBatch); ++k) k_batch.push_back(&kept[k]);
      compare_batch(k_batch, c_batch, c_results, blocks, bytes, progress);
    }
  }
  return results;
}

}  // namespace mox::results
