// The comparer's Win32 file access: the real file operations under the
// engine, the comparison buffers and the memory figures it plans with.
#pragma once
#include <cstdint>

#include "dupcheck/compare.h"

namespace mox {

extern const FileOps kSystemFileOps;

// Commits the two buffers (and the bounce buffer in JPEG mode), page-aligned
// and zero-filled. False when any of them cannot be had.
bool buffers_alloc(uint32_t buffer_size, bool jpeg, Buffers* out);
void buffers_free(Buffers& buf);

uint32_t system_page_size();
uint64_t system_free_memory();

}  // namespace mox
