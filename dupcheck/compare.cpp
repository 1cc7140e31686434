#include "dupcheck/compare.h"

#include <emmintrin.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "common/frame.h"

namespace mox {

namespace {

constexpr uint64_t kUnknownPos = UINT64_MAX;
constexpr uint64_t kToTheEnd = UINT64_MAX;
constexpr int kQuotaRetries = 5;
// Through the file cache, blocks are read and compared in pieces of the
// chunked reader's size.
constexpr uint32_t kPiece = 1048576;
static_assert(kFirstBlock * 16 <= kPiece, "blocks 0 to 2, which may be kept, are one piece each");

// ok: go on (equal at the end); different: the contents differ; gave_up: an
// open or read error made the pair count as different; fatal: end the run.
enum class Step { ok, different, gave_up, fatal };
enum class Action { retry, give_up, fatal };

// 64 bytes a step with SSE2 (every x86-64 has it): about three times the
// speed of a word loop, which matters as every byte read is compared.
bool blocks_equal(const unsigned char* a, const unsigned char* b, size_t n) {
  size_t i = 0;
  for (; i + 64 <= n; i += 64) {
    auto lane = [&](size_t at) {
      return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + at)),
                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at)));
    };
    __m128i all = _mm_and_si128(_mm_and_si128(lane(i), lane(i + 16)), _mm_and_si128(lane(i + 32), lane(i + 48)));
    if (_mm_movemask_epi8(all) != 0xFFFF) return false;
  }
  for (; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

uint64_t min64(uint64_t a, uint64_t b) { return a < b ? a : b; }

int handle_number(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)); }

void reset_comparison(Engine& e) {
  e.checksum_on = false;
  e.keep_first = false;
  e.checksum_slots = 0;
  e.unbuffered = !e.cfg.cached;
  e.quota_retries = 0;
}

// Reports an open or read error; quota shortages are waited out a few times.
Action on_error(Engine& e, const wchar_t* path, const wchar_t* other, DWORD code, int64_t pos, HANDLE h) {
  wchar_t text[512];
  text[0] = 0;
  e.ops->error_text(code, text, 512);
  text[511] = 0;
  for (wchar_t* p = text; *p; ++p)
    if (*p == L'\r' || *p == L'\n') *p = 0;
  int ncode = static_cast<int>(code);
  long long npos = static_cast<long long>(pos);
  if (code == ERROR_NOT_ENOUGH_QUOTA && e.quota_retries < kQuotaRetries) {
    msg_log(L"%ls: %ls (%d) pos=%lld handle=%d\r\n", path, text, ncode, npos, handle_number(h));
    ++e.quota_retries;
    e.ops->sleep_ms(static_cast<DWORD>(e.quota_retries) * 1000);
    return Action::retry;
  }
  msg_log(L"%ls: %ls (%d) pos=%lld handle=%d name2=%ls\r\n", path, text, ncode, npos, handle_number(h), other);
  if (code == ERROR_NOT_ENOUGH_QUOTA) {
    msg_log(L"exit(1)\r\n");
    return Action::fatal;
  }
  return Action::give_up;
}

// One open attempt: the handle, then what the comparison needs to know of
// the file: its size (in JPEG mode the compared part is the last `listed`
// bytes) and its identity for same-file detection.
bool try_open(Engine& e, FileEntry& f, uint64_t listed, DWORD* err) {
  HANDLE h = e.ops->open(f.path, e.unbuffered, err);
  if (h == INVALID_HANDLE_VALUE) return false;
  FileInfo info;
  if (!e.ops->info(h, e.cfg.same_file, &info, err)) {
    e.ops->close(h);
    return false;
  }
  f.handle = h;
  f.file_pos = 0;
  f.identity_known = e.cfg.same_file;
  f.info = info;
  f.base = e.cfg.jpeg && info.size > listed ? info.size - listed : 0;
  return true;
}

// A file that grew since the listing is equal to nothing: its listed bytes
// may match another file's while what follows differs, and the comparison
// reads no further than the listed size. (One that shrank shows as a read
// length error.)
bool grew_since_listing(Engine& e, FileEntry& f, uint64_t listed) {
  if (e.cfg.jpeg || f.info.size <= listed) return false;
  msg_log(L"%ls: %ls changed since the listing (%llu bytes, listed %llu)\r\n", g_frame.program, f.path,
          static_cast<unsigned long long>(f.info.size), static_cast<unsigned long long>(listed));
  e.ops->close(f.handle);
  f.handle = INVALID_HANDLE_VALUE;
  f.failed = true;
  return true;
}

Step open_entry(Engine& e, FileEntry& f, const wchar_t* other, uint64_t listed) {
  if (f.handle != INVALID_HANDLE_VALUE) return Step::ok;
  for (;;) {
    DWORD err = 0;
    if (try_open(e, f, listed, &err)) return grew_since_listing(e, f, listed) ? Step::different : Step::ok;
    Action a = on_error(e, f.path, other, err, -1, INVALID_HANDLE_VALUE);
    if (a == Action::retry) continue;
    if (a == Action::fatal) return Step::fatal;
    f.failed = true;
    return Step::gave_up;
  }
}

// One read attempt of count bytes from offset rel of the compared part. In
// JPEG mode the tail starts anywhere, so reads go through the bounce buffer
// from the 512-byte boundary below.
bool try_read(Engine& e, FileEntry& f, uint64_t rel, unsigned char* dst, uint32_t count, uint32_t* got,
              DWORD* err) {
  uint64_t at = f.base + rel;
  if (e.cfg.jpeg && f.base > 0) {
    uint64_t start = at & ~static_cast<uint64_t>(511);
    uint32_t skip = static_cast<uint32_t>(at - start);
    if (f.file_pos != start && !e.ops->seek(f.handle, start, err)) return false;
    f.file_pos = start;
    DWORD n = 0;
    if (!e.ops->read(f.handle, e.buf.bounce, count + 512, &n, err)) return false;
    f.file_pos = start + n;
    uint32_t avail = n > skip ? n - skip : 0;
    *got = avail < count ? avail : count;
    std::memcpy(dst, e.buf.bounce + skip, *got);
    return true;
  }
  if (f.file_pos != at && !e.ops->seek(f.handle, at, err)) return false;
  f.file_pos = at;
  DWORD n = 0;
  if (!e.ops->read(f.handle, dst, count, &n, err)) return false;
  f.file_pos += n;
  *got = n;
  return true;
}

Step read_block(Engine& e, FileEntry& f, const wchar_t* other, uint64_t rel, unsigned char* dst, uint32_t count,
                uint32_t* got) {
  for (;;) {
    DWORD err = 0;
    if (try_read(e, f, rel, dst, count, got, &err)) return Step::ok;
    f.file_pos = kUnknownPos;
    Action a = on_error(e, f.path, other, err, static_cast<int64_t>(f.base + rel), f.handle);
    if (a == Action::retry) continue;
    if (a == Action::fatal) return Step::fatal;
    f.failed = true;
    return Step::gave_up;
  }
}

void close_entry(Engine& e, FileEntry& f) {
  if (f.handle != INVALID_HANDLE_VALUE) e.ops->close(f.handle);
  f.handle = INVALID_HANDLE_VALUE;
  f.file_pos = kUnknownPos;
}

// ---- pair comparison ----

void keep_block(Engine& e, FileEntry& f, uint64_t k, uint64_t offset, const unsigned char* data, uint32_t n,
                uint64_t listed) {
  uint64_t region = min64(listed, block_offset(e, kKeptBlocks));
  if (offset + n > region) return;  // the file grew: not the listed bytes
  if (!f.kept_data) f.kept_data = static_cast<unsigned char*>(checked_alloc(static_cast<size_t>(region)));
  std::memcpy(f.kept_data + offset, data, n);
  f.kept[k] = true;
  f.kept_count[k] = n;
}

// Gets `want` bytes from `at` within block k of f: from its kept copy, or
// read into the buffer (and kept, while keeping is on).
Step get_piece(Engine& e, FileEntry& f, const wchar_t* other, uint64_t k, uint32_t at, uint32_t want,
               unsigned char* buffer, uint64_t listed, const unsigned char** data, uint32_t* got) {
  uint64_t offset = block_offset(e, k) + at;
  if (k < kKeptBlocks && f.kept[k]) {  // a kept block is always one piece
    *data = f.kept_data + offset;
    *got = f.kept_count[k];
    return Step::ok;
  }
  Step s = open_entry(e, f, other, listed);
  if (s != Step::ok) return s;
  s = read_block(e, f, other, offset, buffer, want, got);
  if (s != Step::ok) return s;
  *data = buffer;
  if (e.keep_first && k < kKeptBlocks) keep_block(e, f, k, offset, buffer, *got, listed);
  return Step::ok;
}

// Largest read of one file before the other file's turn. Around the cache
// nothing reads ahead, so a disk would seek between the two files at every
// piece: there each file's block is one read, as the block schedule means.
uint32_t piece_size(const Engine& e, uint32_t block) { return e.unbuffered || block < kPiece ? block : kPiece; }

// Compares block k of both files. Through the cache the block is read in
// pieces, alternating between the files, and each pair of pieces is compared
// while it is still in the processor cache; the block stays the unit of
// checksums. Once the files differ, the rest of the block is read only to
// complete a checksum.
Step compare_block(Engine& e, FileEntry& a, FileEntry& b, uint64_t k, uint64_t size, uint32_t* count) {
  uint32_t block = block_size(e, k);
  uint32_t piece = piece_size(e, block);
  uint64_t expected = min64(block, size - block_offset(e, k));
  // Checksums are stored strictly in block order: a count always means
  // "blocks 0 to count - 1".
  bool sum_a = e.checksum_on && k < e.checksum_slots && a.checksum_count == k;
  bool sum_b = e.checksum_on && k < e.checksum_slots && b.checksum_count == k;
  uLong crc_a = 0, crc_b = 0;
  uint32_t na = 0, nb = 0;
  bool equal = true, a_end = false, b_end = false;
  for (uint32_t at = 0; at < block && !(a_end && b_end); at += piece) {
    uint32_t want = block - at < piece ? block - at : piece;
    const unsigned char* da = nullptr;
    const unsigned char* db = nullptr;
    uint32_t ga = 0, gb = 0;
    if (!a_end) {
      Step s = get_piece(e, a, b.path, k, at, want, e.buf.a, size, &da, &ga);
      if (s != Step::ok) return s;
      a_end = ga < want;
    }
    if (!b_end) {
      Step s = get_piece(e, b, a.path, k, at, want, e.buf.b, size, &db, &gb);
      if (s != Step::ok) return s;
      b_end = gb < want;
    }
    bool same = ga == gb && blocks_equal(da, db, ga);
    if (sum_a && ga) crc_a = crc32(crc_a, da, ga);
    if (sum_b && gb) crc_b = equal && same && sum_a ? crc_a : crc32(crc_b, db, gb);
    equal = equal && same;
    na += ga;
    nb += gb;
    if (!equal && !sum_a && !sum_b && !a_end && !b_end) break;
  }
  if (na != nb) {
    msg_log(L"read length error: %ls=%d %ls=%d\r\n", a.path, static_cast<int>(na), b.path, static_cast<int>(nb));
    return Step::different;
  }
  if (na < expected) return Step::different;  // both shorter than listed
  if (sum_a) {
    a.checksums[k] = static_cast<uint32_t>(crc_a);
    a.checksum_count = static_cast<uint32_t>(k + 1);
  }
  if (sum_b) {
    b.checksums[k] = static_cast<uint32_t>(crc_b);
    b.checksum_count = static_cast<uint32_t>(k + 1);
  }
  *count = na;
  return equal ? Step::ok : Step::different;
}

// Compares blocks from k on until block `stop` or the listed size.
Step block_loop(Engine& e, FileEntry& a, FileEntry& b, uint64_t size, uint64_t k, uint64_t stop) {
  uint64_t offset = block_offset(e, k);
  for (; k < stop; ++k) {
    uint32_t n = 0;
    Step s = compare_block(e, a, b, k, size, &n);
    if (s != Step::ok) return s;
    offset += n;
    if (offset >= size) return Step::ok;
  }
  return Step::ok;
}

// Volume and file index name one file. A file system without file indexes
// reports 0 for every file, which would make all its files one.
bool same_identity(const FileEntry& a, const FileEntry& b) {
  return a.identity_known && b.identity_known && (a.info.index_high | a.info.index_low) != 0 &&
         a.info.volume == b.info.volume && a.info.index_high == b.info.index_high &&
         a.info.index_low == b.info.index_low;
}

// Two names of one file, which still holds the listed bytes.
bool same_file(const Engine& e, const FileEntry& a, const FileEntry& b, uint64_t size) {
  bool listed_size = e.cfg.jpeg ? a.info.size >= size : a.info.size == size;
  return listed_size && a.info.links != 0 && a.info.links == b.info.links && same_identity(a, b);
}

void ensure_checksums(Engine& e, FileEntry& f) {
  if (!f.checksums) f.checksums = static_cast<uint32_t*>(checked_alloc(sizeof(uint32_t) * e.checksum_slots));
}

Step pair_verdict(Engine& e, FileEntry& a, FileEntry& b, uint64_t size) {
  e.quota_retries = 0;
  if (size == 0) return Step::ok;
  if (a.failed || b.failed) return Step::different;
  uint64_t count = 0;
  if (e.checksum_on) {
    ensure_checksums(e, a);
    ensure_checksums(e, b);
    if (a.checksum_count && b.checksum_count) count = a.checksum_count < b.checksum_count ? a.checksum_count : b.checksum_count;
    for (uint64_t i = 0; i < count; ++i)
      if (a.checksums[i] != b.checksums[i]) return Step::different;
  }
  for (int k = 0; k < kKeptBlocks; ++k) {
    if (!a.kept[k] || !b.kept[k]) continue;
    uint64_t offset = block_offset(e, k);
    if (a.kept_count[k] != b.kept_count[k] ||
        !blocks_equal(a.kept_data + offset, b.kept_data + offset, a.kept_count[k]))
      return Step::different;
  }
  if (e.cfg.same_file) {
    // Two names of one file are equal without reading.
    Step s = open_entry(e, a, b.path, size);
    if (s == Step::ok) s = open_entry(e, b, a.path, size);
    if (s != Step::ok) return s;
    if (same_file(e, a, b, size)) return Step::ok;
  }
  if (count > 0 && count < e.checksum_slots && block_offset(e, count) < size) {
    // The blocks not known yet are the likelier to differ: compare them
    // first, then the head whose checksums matched.
    Step s = block_loop(e, a, b, size, count, kToTheEnd);
    if (s != Step::ok) return s;
    return block_loop(e, a, b, size, 0, count);
  }
  return block_loop(e, a, b, size, 0, kToTheEnd);
}

// After an error the pair's handles are released, with the diagnostics.
void close_after_error(Engine& e, FileEntry& a, FileEntry& b) {
  bool a_open = a.handle != INVALID_HANDLE_VALUE, b_open = b.handle != INVALID_HANDLE_VALUE;
  if (a_open && b_open) {
    int ha = handle_number(a.handle), hb = handle_number(b.handle);
    BOOL ra = e.ops->close(a.handle);
    msg(L"56closehandle(HDL=%d)=%d\n", ha, static_cast<int>(ra));
    BOOL rb = e.ops->close(b.handle);
    msg(L"59closehandle(HDL2=%d)=%d\n", hb, static_cast<int>(rb));
  } else if (a_open || b_open) {
    FileEntry& f = a_open ? a : b;
    int h = handle_number(f.handle);
    BOOL r = e.ops->close(f.handle);
    msg(L"31closehandle(HDL2.handle=%d)=%d\n", h, static_cast<int>(r));
  }
  a.handle = b.handle = INVALID_HANDLE_VALUE;
  a.file_pos = b.file_pos = kUnknownPos;
}

// ---- group refinement ----

struct Slot {
  FileEntry* entry;
  int subgroup;  // 0 = dropped
  bool classified;
  uint32_t got;
  unsigned char* data;
};

bool open_for_refinement(Engine& e, FileEntry& f, uint64_t size, bool* fatal) {
  for (;;) {
    DWORD err = 0;
    if (try_open(e, f, size, &err)) return !grew_since_listing(e, f, size);
    if (err == ERROR_NOT_ENOUGH_QUOTA) {
      Action a = on_error(e, f.path, L"", err, -1, INVALID_HANDLE_VALUE);
      if (a == Action::retry) continue;
      *fatal = true;
      return false;
    }
    msg_log(L"%ls: %ls can't open (%d)\r\n", g_frame.program, f.path, static_cast<int>(err));
    return false;
  }
}

// The first other member of slot i's subgroup, for messages.
const wchar_t* partner_path(const Slot* s, int n, int i) {
  for (int j = 0; j < n; ++j)
    if (j != i && s[j].subgroup == s[i].subgroup) return s[j].entry->path;
  return L"";
}

// An earlier remaining entry that is the same file (-S): its bytes serve.
int earlier_twin(const Slot* s, int i) {
  for (int j = 0; j < i; ++j)
    if (s[j].subgroup != 0 && same_identity(*s[j].entry, *s[i].entry)) return j;
  return -1;
}

// A file that delivers less than the listed size asks for has changed since
// the listing: it is equal to none of its mates.
void drop_short_reads(Slot* s, int n, uint64_t expected) {
  bool any = false;
  for (int i = 0; i < n; ++i) {
    if (s[i].subgroup == 0 || s[i].got >= expected) continue;
    any = true;
    int partner = -1;
    for (int j = 0; j < n; ++j)
      if (j != i && s[j].subgroup == s[i].subgroup && (partner < 0 || s[j].got > s[partner].got)) partner = j;
    msg_log(L"read length error: %ls=%d %ls=%d\r\n", s[i].entry->path, static_cast<int>(s[i].got),
            partner >= 0 ? s[partner].entry->path : L"", partner >= 0 ? static_cast<int>(s[partner].got) : 0);
  }
  if (!any) return;
  for (int i = 0; i < n; ++i)
    if (s[i].subgroup != 0 && s[i].got < expected) s[i].subgroup = 0;
}

// Splits every subgroup into sets of equal blocks; lone entries drop out.
void split_subgroups(Slot* s, int n, int* next_number) {
  for (int i = 0; i < n; ++i) s[i].classified = false;
  for (int i = 0; i < n; ++i) {
    if (s[i].subgroup == 0 || s[i].classified) continue;
    int old = s[i].subgroup, number = (*next_number)++, members = 1;
    s[i].classified = true;
    for (int j = i + 1; j < n; ++j) {
      if (s[j].classified || s[j].subgroup != old || s[j].got != s[i].got) continue;
      if (!blocks_equal(s[i].data, s[j].data, s[i].got)) continue;
      s[j].subgroup = number;
      s[j].classified = true;
      ++members;
    }
    s[i].subgroup = members > 1 ? number : 0;
  }
}

// A subgroup with one member is no set: a group of which only one file
// could be opened ends with that file alone in subgroup 1.
void write_refined_sets(Slot* s, int n, uint64_t size, const SetSink& sink) {
  for (int i = 0; i < n; ++i) {
    int number = s[i].subgroup;
    if (number == 0) continue;
    int later = i + 1;
    while (later < n && s[later].subgroup != number) ++later;
    if (later == n) continue;
    for (int j = i; j < n; ++j) {
      if (s[j].subgroup != number) continue;
      sink.file(sink.ctx, s[j].entry->path, size);
      s[j].subgroup = 0;
    }
    sink.end_set(sink.ctx);
  }
}

// Reads all files of the group side by side, each at most once, and drops a
// file as soon as one of its blocks matches no other file's.
bool refine_group(Engine& e, EntryList& list, uint64_t size, const SetSink& sink) {
  int n = list.count;
  Slot* s = static_cast<Slot*>(checked_alloc(sizeof(Slot) * static_cast<size_t>(n)));
  bool fatal = false;
  for (int i = 0; i < n && !fatal; ++i) {
    s[i] = Slot{&list.items[i], 0, false, 0, nullptr};
    if (open_for_refinement(e, list.items[i], size, &fatal)) s[i].subgroup = 1;
  }
  uint64_t offset = 0;
  uint32_t block = kFirstBlock;
  int next_number = 2;
  while (!fatal && offset < size) {
    int remaining = 0;
    for (int i = 0; i < n; ++i) remaining += s[i].subgroup != 0;
    if (remaining < 2) break;
    uint32_t slot = refinement_slot_size(e.cfg.buffer_size, remaining);
    uint32_t per_buffer = e.cfg.buffer_size / slot;
    uint32_t place = 0;
    for (int i = 0; i < n; ++i) {
      if (s[i].subgroup == 0) continue;
      s[i].data = place < per_buffer ? e.buf.a + static_cast<size_t>(place) * slot
                                     : e.buf.b + static_cast<size_t>(place - per_buffer) * slot;
      ++place;
    }
    e.quota_retries = 0;
    for (int i = 0; i < n && !fatal; ++i) {
      if (s[i].subgroup == 0) continue;
      int twin = e.cfg.same_file ? earlier_twin(s, i) : -1;
      if (twin >= 0) {
        std::memcpy(s[i].data, s[twin].data, s[twin].got);
        s[i].got = s[twin].got;
        continue;
      }
      Step st = read_block(e, *s[i].entry, partner_path(s, n, i), offset, s[i].data, block, &s[i].got);
      if (st == Step::fatal) fatal = true;
      if (st != Step::ok) s[i].subgroup = 0;
    }
    if (fatal) break;
    uint64_t expected = min64(block, size - offset);
    drop_short_reads(s, n, expected);
    split_subgroups(s, n, &next_number);
    offset += expected;
    // Through the cache a round reads a piece at most, so what it compares
    // is still in the processor cache.
    block = piece_size(e, static_cast<uint32_t>(min64(static_cast<uint64_t>(block) * 4, slot)));
  }
  if (!fatal) write_refined_sets(s, n, size, sink);
  std::free(s);
  return !fatal;
}

// ---- pairwise method ----

bool pairwise_group(Engine& e, EntryList& list, uint64_t size, const SetSink& sink) {
  plan_pairwise(e, size, list.count, e.ops->free_memory());
  for (int i = 0; i < list.count; ++i) list.items[i].active = true;
  for (int r = 0; r + 1 < list.count; ++r) {
    FileEntry& first = list.items[r];
    if (!first.active) continue;
    if (e.cfg.title) sink.title(sink.ctx, first.path);
    bool any = false;
    for (int t = r + 1; t < list.count && !first.failed; ++t) {
      FileEntry& other = list.items[t];
      if (!other.active) continue;
      Step s = pair_verdict(e, first, other, size);
      if (s == Step::fatal) return false;
      if (s == Step::gave_up) close_after_error(e, first, other);
      if (s != Step::ok) continue;
      if (!any) sink.file(sink.ctx, first.path, size);
      any = true;
      sink.file(sink.ctx, other.path, size);
      first.active = other.active = false;
    }
    if (any) sink.end_set(sink.ctx);
  }
  return true;
}

void release_entry(FileEntry& f) {
  std::free(f.path);
  std::free(f.checksums);
  std::free(f.kept_data);
}

}  // namespace

[[noreturn]] void out_of_memory() {
  msg_log(L"out of memory\r\n");
  std::fflush(stdout);
  std::exit(1);
}

void* checked_alloc(size_t bytes) {
  void* p = std::malloc(bytes ? bytes : 1);
  if (!p) out_of_memory();
  return p;
}

void engine_setup(Engine& e, const FileOps* ops, const EngineConfig& cfg, const Buffers& buf, uint32_t page_size) {
  e.ops = ops;
  e.cfg = cfg;
  e.buf = buf;
  e.page_size = page_size ? page_size : 4096;
  e.group_limit = in_memory_group_limit(cfg.buffer_size);
  uint64_t size = kFirstBlock, offset = 0;
  for (int k = 0; k < kRampBlocks; ++k) {
    e.ramp_size[k] = static_cast<uint32_t>(size);
    e.ramp_offset[k] = offset;
    offset += size;
    size = min64(size * 4, cfg.buffer_size);
  }
  e.ramp_offset[kRampBlocks] = offset;
  reset_comparison(e);
}

uint32_t block_size(const Engine& e, uint64_t k) { return k < kRampBlocks ? e.ramp_size[k] : e.cfg.buffer_size; }

uint64_t block_offset(const Engine& e, uint64_t k) {
  if (k <= kRampBlocks) return e.ramp_offset[k];
  return e.ramp_offset[kRampBlocks] + (k - kRampBlocks) * e.cfg.buffer_size;
}

int in_memory_group_limit(uint32_t buffer_size) { return static_cast<int>(buffer_size / (2 * kFirstBlock)); }

uint32_t refinement_slot_size(uint32_t buffer_size, int remaining) {
  uint32_t per_buffer = static_cast<uint32_t>((remaining + 1) / 2);
  uint32_t limit = buffer_size / (per_buffer ? per_buffer : 1);
  uint32_t slot = kFirstBlock;
  while (static_cast<uint64_t>(slot) * 2 <= limit) slot *= 2;
  return slot;
}

bool total_fits_in_memory(int64_t total, uint64_t free_memory) {
  if (total <= 0) return false;
  uint64_t t = static_cast<uint64_t>(total);
  return free_memory >= t + t / 4;
}

void plan_pairwise(Engine& e, uint64_t size, int n, uint64_t free_memory) {
  uint64_t files = static_cast<uint64_t>(n);
  e.budget = 33554432;
  if (free_memory > 67108864) e.budget = min64(free_memory / 32 + 33554432, 536870912);
  e.unbuffered = !e.cfg.cached;
  uint64_t pages = (size + e.page_size - 1) / e.page_size;
  if (pages * files * e.page_size < free_memory) e.unbuffered = false;  // the group fits in the file cache
  e.keep_first = e.cfg.keep_first || (min64(size, block_offset(e, kKeptBlocks)) + 128) * files <= e.budget;
  if (!e.unbuffered) e.keep_first = false;
  uint64_t slots = kMaxChecksumSlots;
  for (uint64_t k = 1; k < kMaxChecksumSlots; ++k) {
    if (block_offset(e, k) >= size) {
      slots = k;
      break;
    }
  }
  uint64_t need = (slots + 4) * files * 4;
  if (need > e.budget) {
    slots = slots * e.budget / need;
    if (slots < 15) slots = 15;
  }
  e.checksum_slots = static_cast<uint32_t>(min64(slots, kMaxChecksumSlots));
  e.checksum_on = true;
}

bool compare_run(Engine& e, EntryList& list, uint64_t size, const SetSink& sink) {
  reset_comparison(e);
  bool ok = true;
  if (list.count == 2) {
    // A run of two: list order is the second line, then the first.
    FileEntry& second = list.items[0];
    FileEntry& first = list.items[1];
    if (e.cfg.title) sink.title(sink.ctx, second.path);
    Step s = pair_verdict(e, first, second, size);
    if (s == Step::gave_up) close_after_error(e, first, second);
    if (s == Step::ok) {
      sink.file(sink.ctx, second.path, size);
      sink.file(sink.ctx, first.path, size);
      sink.end_set(sink.ctx);
    }
    ok = s != Step::fatal;
  } else if (list.count > 2) {
    if (e.cfg.title) sink.title(sink.ctx, list.items[0].path);
    if (size == 0) {
      for (int i = 0; i < list.count; ++i) sink.file(sink.ctx, list.items[i].path, size);
      sink.end_set(sink.ctx);
    } else if (list.count <= e.group_limit) {
      ok = refine_group(e, list, size, sink);
    } else {
      ok = pairwise_group(e, list, size, sink);
    }
  }
  for (int i = 0; i < list.count; ++i) close_entry(e, list.items[i]);
  reset_comparison(e);
  return ok;
}

void entry_list_add(EntryList& list, const wchar_t* path) {
  if (list.count == list.cap) {
    int cap = list.cap ? list.cap * 2 : 16;
    auto* items = static_cast<FileEntry*>(std::realloc(list.items, sizeof(FileEntry) * static_cast<size_t>(cap)));
    if (!items) out_of_memory();
    list.items = items;
    list.cap = cap;
  }
  size_t len = std::wcslen(path);
  auto* copy = static_cast<wchar_t*>(checked_alloc((len + 1) * sizeof(wchar_t)));
  std::wmemcpy(copy, path, len + 1);
  FileEntry& f = list.items[list.count++];
  f = FileEntry{};
  f.path = copy;
  f.active = true;
  f.handle = INVALID_HANDLE_VALUE;
  f.file_pos = kUnknownPos;
}

void entry_list_reverse(EntryList& list) {
  for (int i = 0, j = list.count - 1; i < j; ++i, --j) {
    FileEntry t = list.items[i];
    list.items[i] = list.items[j];
    list.items[j] = t;
  }
}

void entry_list_clear(EntryList& list) {
  for (int i = 0; i < list.count; ++i) release_entry(list.items[i]);
  list.count = 0;
}

void entry_list_free(EntryList& list) {
  entry_list_clear(list);
  std::free(list.items);
  list = EntryList{};
}

}  // namespace mox
