// The comparison engine: decides which files of a candidate group have equal
// contents, reading them block by block through a small file-access seam.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace mox {

constexpr uint32_t kFirstBlock = 32768;
// Blocks whose checksums are kept at most (the schedule itself has no end).
constexpr uint32_t kMaxChecksumSlots = 65542;
// Blocks 0 to 2 may be kept in memory for the pairwise method.
constexpr int kKeptBlocks = 3;

struct FileInfo {
  uint64_t size = 0;
  DWORD volume = 0;
  DWORD index_high = 0;
  DWORD index_low = 0;
  DWORD links = 0;
};

// The system calls under the engine. The real ones live in file_access.cpp;
// tests count bytes, inject errors and replace the clock.
struct FileOps {
  // INVALID_HANDLE_VALUE on failure, with the system error in *error.
  HANDLE (*open)(const wchar_t* path, bool unbuffered, DWORD* error);
  // The size, and with identity the volume, index and links too (dearer).
  bool (*info)(HANDLE file, bool identity, FileInfo* info, DWORD* error);
  bool (*seek)(HANDLE file, uint64_t offset, DWORD* error);
  // Reads up to count bytes; fewer only at the end of the file.
  bool (*read)(HANDLE file, void* buffer, DWORD count, DWORD* got, DWORD* error);
  BOOL (*close)(HANDLE file);
  void (*sleep_ms)(DWORD ms);
  uint64_t (*free_memory)();
  // The system's text for an error code, one line.
  void (*error_text)(DWORD code, wchar_t* out, int cap);
};

// Where the sets found go: a file line per member, then the end of the set.
struct SetSink {
  void (*file)(void* ctx, const wchar_t* path, uint64_t listed_size);
  void (*end_set)(void* ctx);
  void (*title)(void* ctx, const wchar_t* path);  // console title, with -W
  void* ctx;
};

struct FileEntry {
  wchar_t* path;
  bool active;   // may still join a set (pairwise method)
  bool failed;   // could not be opened or read: equal to nothing
  HANDLE handle;
  bool identity_known;
  FileInfo info;
  uint64_t base;      // JPEG mode: where the compared tail starts
  uint64_t file_pos;  // where the system's file pointer stands
  uint32_t checksum_count;
  uint32_t* checksums;
  unsigned char* kept_data;  // blocks 0 to 2 at their block offsets
  uint32_t kept_count[kKeptBlocks];
  bool kept[kKeptBlocks];
};

// Entries of one candidate group, in list order (the reverse of the input).
struct EntryList {
  FileEntry* items;
  int count;
  int cap;
};

struct EngineConfig {
  uint32_t buffer_size = 33554432;
  bool cached = false;      // never bypass the file cache
  bool keep_first = false;  // -M
  bool same_file = false;   // -S
  bool jpeg = false;        // compare only the trailing payload
  bool title = false;       // -W
};

// Two buffers of buffer_size bytes, page-aligned; the bounce buffer
// (buffer_size + 512) only in JPEG mode.
struct Buffers {
  unsigned char* a = nullptr;
  unsigned char* b = nullptr;
  unsigned char* bounce = nullptr;
};

// Blocks grow by four from the first block up to the buffer size; this many
// steps cover every buffer size up to 1 GiB.
constexpr int kRampBlocks = 12;

struct Engine {
  const FileOps* ops = nullptr;
  EngineConfig cfg;
  Buffers buf;
  uint32_t page_size = 4096;
  int group_limit = 0;  // largest group that group refinement takes
  uint32_t ramp_size[kRampBlocks] = {};
  uint64_t ramp_offset[kRampBlocks + 1] = {};
  // State of the current comparison.
  bool unbuffered = true;
  bool checksum_on = false;
  bool keep_first = false;
  uint32_t checksum_slots = 0;
  uint64_t budget = 0;
  int quota_retries = 0;
};

void engine_setup(Engine& e, const FileOps* ops, const EngineConfig& cfg, const Buffers& buf, uint32_t page_size);

// The block schedule: size and start of block k.
uint32_t block_size(const Engine& e, uint64_t k);
uint64_t block_offset(const Engine& e, uint64_t k);

// buffer size / (2 x first block).
int in_memory_group_limit(uint32_t buffer_size);
// Per-file slot of a refinement round with this many files left.
uint32_t refinement_slot_size(uint32_t buffer_size, int remaining);
// Cached reading when the run's byte total fits in free memory with a quarter to spare.
bool total_fits_in_memory(int64_t total, uint64_t free_memory);

// Sets the comparison state for one pairwise group of n files of the size.
void plan_pairwise(Engine& e, uint64_t size, int n, uint64_t free_memory);

// Compares one candidate group (a run of two is a pair) and writes its sets
// to the sink. Closes every handle and frees the caches of the entries.
// Returns false when the run must end (exit status 1).
bool compare_run(Engine& e, EntryList& list, uint64_t size, const SetSink& sink);

// Entry list housekeeping.
void entry_list_add(EntryList& list, const wchar_t* path);
void entry_list_reverse(EntryList& list);
void entry_list_clear(EntryList& list);  // frees the entries, keeps the array
void entry_list_free(EntryList& list);

// Allocation that ends the program with "out of memory" when it fails.
void* checked_alloc(size_t bytes);
[[noreturn]] void out_of_memory();

}  // namespace mox
