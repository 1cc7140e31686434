// The engine over an in-memory file system: bytes read per file, injected
// errors, a fake clock, and a plain byte comparison as the reference.
#include "dupcheck/compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/frame.h"
#include "common/testkit.h"

namespace mox {
namespace {

struct Request {
  uint64_t offset;
  uint32_t count;
};

struct FakeFile {
  std::shared_ptr<const std::string> data;  // equal files may share it
  FileInfo id;                 // identity; size comes from data
  DWORD open_error = 0;        // every open fails with it
  DWORD read_error = 0;        // reads fail with it ...
  int read_failures = 0;       // ... this many times (-1: always)
  uint64_t bytes_read = 0;
  std::vector<Request> reads;
  std::vector<bool> opened_unbuffered;
};

struct FakeHandle {
  std::wstring path;
  uint64_t pos = 0;
  bool open = true;
};

struct FakeSystem {
  std::map<std::wstring, FakeFile> files;
  std::vector<FakeHandle> handles;
  std::vector<DWORD> sleeps;
  uint64_t free_memory = 0;
  DWORD next_index = 1;
};
FakeSystem g_sys;

FakeHandle& handle_of(HANDLE h) { return g_sys.handles[static_cast<size_t>(reinterpret_cast<intptr_t>(h)) - 100]; }

HANDLE fake_open(const wchar_t* path, bool unbuffered, DWORD* error) {
  auto it = g_sys.files.find(path);
  if (it == g_sys.files.end()) {
    *error = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  if (it->second.open_error) {
    *error = it->second.open_error;
    return INVALID_HANDLE_VALUE;
  }
  it->second.opened_unbuffered.push_back(unbuffered);
  g_sys.handles.push_back(FakeHandle{path});
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(g_sys.handles.size() - 1 + 100));
}

bool fake_info(HANDLE h, bool identity, FileInfo* info, DWORD*) {
  const FakeFile& f = g_sys.files[handle_of(h).path];
  *info = identity ? f.id : FileInfo{};
  info->size = f.data->size();
  return true;
}

bool fake_seek(HANDLE h, uint64_t offset, DWORD*) {
  handle_of(h).pos = offset;
  return true;
}

bool fake_read(HANDLE h, void* buffer, DWORD count, DWORD* got, DWORD* error) {
  FakeHandle& fh = handle_of(h);
  EXPECT_TRUE(fh.open);
  FakeFile& f = g_sys.files[fh.path];
  if (f.read_failures != 0) {
    if (f.read_failures > 0) --f.read_failures;
    *error = f.read_error;
    return false;
  }
  f.reads.push_back({fh.pos, count});
  const std::string& data = *f.data;
  uint64_t n = fh.pos < data.size() ? std::min<uint64_t>(count, data.size() - fh.pos) : 0;
  std::memcpy(buffer, data.data() + fh.pos, static_cast<size_t>(n));
  fh.pos += n;
  f.bytes_read += n;
  *got = static_cast<DWORD>(n);
  return true;
}

BOOL fake_close(HANDLE h) {
  EXPECT_TRUE(handle_of(h).open);
  handle_of(h).open = false;
  return TRUE;
}

void fake_sleep(DWORD ms) { g_sys.sleeps.push_back(ms); }
uint64_t fake_free_memory() { return g_sys.free_memory; }
void fake_error_text(DWORD code, wchar_t* out, int cap) { std::swprintf(out, static_cast<size_t>(cap), L"error %lu\r\n", code); }

const FileOps kFakeOps = {fake_open, fake_info, fake_seek, fake_read, fake_close, fake_sleep, fake_free_memory,
                          fake_error_text};

using Sets = std::vector<std::vector<std::wstring>>;

struct Collector {
  Sets sets;
  std::vector<std::wstring> current;
};

void collect_file(void* ctx, const wchar_t* path, uint64_t) { static_cast<Collector*>(ctx)->current.push_back(path); }
void collect_end(void* ctx) {
  auto* c = static_cast<Collector*>(ctx);
  c->sets.push_back(c->current);
  c->current.clear();
}
void collect_title(void*, const wchar_t*) {}

// An engine over the fake system with its own buffers.
struct TestEngine {
  std::vector<unsigned char> a, b, bounce;
  Engine engine;
  explicit TestEngine(EngineConfig cfg) : a(cfg.buffer_size), b(cfg.buffer_size), bounce(cfg.buffer_size + 512) {
    Buffers buf{a.data(), b.data(), bounce.data()};
    engine_setup(engine, &kFakeOps, cfg, buf, 4096);
  }
};

EngineConfig config(uint32_t buffer_size, bool same_file = false, bool keep_first = false) {
  EngineConfig cfg;
  cfg.buffer_size = buffer_size;
  cfg.same_file = same_file;
  cfg.keep_first = keep_first;
  return cfg;
}

// Runs one candidate group given in input order; returns the sets written.
struct RunResult {
  bool ok;
  Sets sets;
};
RunResult run_group(Engine& e, const std::vector<std::wstring>& input_order, uint64_t size) {
  EntryList list{};
  for (const auto& p : input_order) entry_list_add(list, p.c_str());
  entry_list_reverse(list);
  Collector c;
  SetSink sink{collect_file, collect_end, collect_title, &c};
  bool ok = compare_run(e, list, size, sink);
  entry_list_free(list);
  for (const FakeHandle& h : g_sys.handles) EXPECT_FALSE(h.open) << "handle left open";
  return {ok, c.sets};
}

// Sets of equal files in list order (the reverse of the input), each set led
// by its first member, by a plain comparison of the whole files. A file
// whose length is not the listed size, or that does not exist, equals nothing.
Sets reference_sets(const std::vector<std::wstring>& input_order, uint64_t size) {
  std::vector<std::wstring> list(input_order.rbegin(), input_order.rend());
  std::vector<bool> used(list.size());
  auto data_of = [](const std::wstring& name) {
    auto it = g_sys.files.find(name);
    return it == g_sys.files.end() ? nullptr : it->second.data.get();
  };
  Sets sets;
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string* di = data_of(list[i]);
    if (used[i] || !di || di->size() != size) continue;
    std::vector<std::wstring> set{list[i]};
    for (size_t j = i + 1; j < list.size(); ++j) {
      if (!used[j] && data_of(list[j]) && *data_of(list[j]) == *di) {
        set.push_back(list[j]);
        used[j] = true;
      }
    }
    if (set.size() > 1) sets.push_back(set);
  }
  return sets;
}

std::string pattern(size_t size, uint32_t seed) {
  std::string s(size, '\0');
  std::mt19937 rng(seed);
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

std::string flipped(std::string s, size_t at) {
  s[at] = static_cast<char>(s[at] ^ 0x5A);
  return s;
}

void add_file(const std::wstring& path, std::shared_ptr<const std::string> data) {
  FakeFile f;
  f.data = std::move(data);
  f.id.volume = 7;
  f.id.index_low = g_sys.next_index++;
  f.id.links = 1;
  g_sys.files[path] = f;
}

void add_file(const std::wstring& path, std::string data) {
  add_file(path, std::make_shared<const std::string>(std::move(data)));
}

// A second name of an existing file: same identity, two links.
void add_link(const std::wstring& path, const std::wstring& target) {
  g_sys.files[target].id.links = 2;
  g_sys.files[path] = g_sys.files[target];
}

struct LogCapture {
  mox::test::TempDir dir{L"dupcheck-log"};
  std::wstring path = dir / L"log.txt";
  LogCapture() { g_frame.log = _wfopen(path.c_str(), L"ab"); }
  ~LogCapture() { log_close(); }
  std::wstring text() {
    fflush(g_frame.log);
    return mox::test::from_utf16le(mox::test::read_file(path));
  }
};

class Engines : public ::testing::Test {
 protected:
  void SetUp() override {
    g_sys = FakeSystem{};
    g_sys.free_memory = 1ull << 40;  // everything fits in the file cache
    frame_start(L"dupcheck", Family::wide);
  }
};

TEST_F(Engines, ScheduleLimitsAndPlanning) {
  TestEngine big(config(33554432));
  const uint64_t starts[] = {0, 32768, 163840, 688128, 2785280, 11173888, 44728320, 78282752};
  for (int k = 0; k < 8; ++k) EXPECT_EQ(block_offset(big.engine, k), starts[k]) << k;
  EXPECT_EQ(big.engine.group_limit, 512);
  TestEngine mib(config(1048576));
  const uint32_t sizes[] = {32768, 131072, 524288, 1048576, 1048576, 1048576};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(block_size(mib.engine, k), sizes[k]) << k;
  // Far beyond the first blocks the schedule goes on in buffer-sized steps.
  EXPECT_EQ(block_offset(mib.engine, 100000), 688128 + (100000 - 3) * 1048576ull);
  TestEngine small(config(32768));
  EXPECT_EQ(block_size(small.engine, 0), 32768u);
  EXPECT_EQ(block_size(small.engine, 9), 32768u);
  EXPECT_EQ(small.engine.group_limit, 0);

  EXPECT_EQ(refinement_slot_size(33554432, 3), 16777216u);
  EXPECT_EQ(refinement_slot_size(33554432, 512), 131072u);
  EXPECT_EQ(refinement_slot_size(262144, 4), 131072u);
  EXPECT_EQ(refinement_slot_size(65536, 4), 32768u);  // never below the first block

  EXPECT_TRUE(total_fits_in_memory(1000000000, 2000000000));
  EXPECT_FALSE(total_fits_in_memory(1000000000, 1200000000));
  EXPECT_FALSE(total_fits_in_memory(0, 2000000000));  // unknown total

  Engine& e = big.engine;
  plan_pairwise(e, 100000, 300, 1ull << 20);  // little free memory
  EXPECT_TRUE(e.unbuffered);
  EXPECT_TRUE(e.keep_first);  // (100000 + 128) x 300 fits the 32 MiB budget
  EXPECT_EQ(e.checksum_slots, 2u);  // blocks starting at 0 and 32768 cover it
  plan_pairwise(e, 100000, 600, 1ull << 20);
  EXPECT_FALSE(e.keep_first);
  plan_pairwise(e, 10000000000ull, 1000, 1ull << 20);
  EXPECT_EQ(e.checksum_slots, 303u);
  plan_pairwise(e, 10000000000ull, 100000, 1ull << 20);
  EXPECT_EQ(e.checksum_slots, 82u);  // cut to the budget: 303 x 32 MiB / (307 x 100000 x 4)
  plan_pairwise(e, 10000000000ull, 1000000, 1ull << 20);
  EXPECT_EQ(e.checksum_slots, 15u);  // but never below 15
  plan_pairwise(e, 100000, 300, 1ull << 40);
  EXPECT_FALSE(e.unbuffered);  // fits in the file cache
  EXPECT_FALSE(e.keep_first);
}

// Three files of 100,000 bytes, the second differing in its last byte, plus
// one differing in its first byte: 32768 bytes of each are read, then the
// rest of those still matching (67232 bytes, asked as 131072).
TEST_F(Engines, RefinementReadsEachFileOnceAndDropsAtFirstDifference) {
  std::string base = pattern(100000, 1);
  add_file(L"f1", base);
  add_file(L"f2", flipped(base, 99999));
  add_file(L"f3", base);
  add_file(L"f4", flipped(base, 0));
  TestEngine t(config(33554432));
  RunResult r = run_group(t.engine, {L"f1", L"f2", L"f3", L"f4"}, 100000);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.sets, (Sets{{L"f3", L"f1"}}));
  for (const wchar_t* name : {L"f1", L"f2", L"f3"}) {
    const FakeFile& f = g_sys.files[name];
    EXPECT_EQ(f.bytes_read, 100000u) << name;
    ASSERT_EQ(f.reads.size(), 2u) << name;
    EXPECT_EQ(f.reads[0].offset, 0u);
    EXPECT_EQ(f.reads[0].count, 32768u);
    EXPECT_EQ(f.reads[1].offset, 32768u);
    EXPECT_EQ(f.reads[1].count, 131072u);
  }
  EXPECT_EQ(g_sys.files[L"f4"].bytes_read, 32768u);  // dropped after its first block
  EXPECT_EQ(g_sys.files[L"f4"].reads.size(), 1u);
}

TEST_F(Engines, RefinementSetsPairsAndLeftOutFiles) {
  std::string a = pattern(200000, 2), b = flipped(a, 163840);
  for (const wchar_t* name : {L"a1", L"a2", L"a3", L"a4"}) add_file(name, a);
  add_file(L"odd", flipped(a, 5));
  add_file(L"b1", b);
  add_file(L"b2", b);
  add_file(L"short", a.substr(0, 150000));  // shrank after the listing
  TestEngine t(config(33554432));
  LogCapture log;
  // Four equal files and an odd one: one set of four.
  EXPECT_EQ(run_group(t.engine, {L"a1", L"a2", L"odd", L"a3", L"a4"}, 200000).sets,
            (Sets{{L"a4", L"a3", L"a2", L"a1"}}));
  // Two pairs inside one group, a file that cannot be opened, one that shrank.
  EXPECT_EQ(run_group(t.engine, {L"a1", L"b1", L"gone", L"a2", L"short", L"b2"}, 200000).sets,
            (Sets{{L"b2", L"b1"}, {L"a2", L"a1"}}));
  // A file whose mates cannot be opened is alone: no set of one.
  EXPECT_TRUE(run_group(t.engine, {L"gone", L"a1", L"missing"}, 200000).sets.empty());
  std::wstring text = log.text();
  EXPECT_NE(text.find(L"dupcheck: gone can't open (2)\r\n"), std::wstring::npos) << test::to_utf8(text);
  EXPECT_NE(text.find(L"read length error: short=117232 "), std::wstring::npos) << test::to_utf8(text);
}

// A group larger than the in-memory limit goes pairwise: two files whose
// stored checksums differ are told apart without reading them again.
TEST_F(Engines, PairwiseSkipsFilesWithDifferentChecksums) {
  std::string a = pattern(8 * 32768, 3);
  add_file(L"A", a);
  add_file(L"B", flipped(a, 3 * 32768 + 7));
  add_file(L"C", flipped(a, 3 * 32768 + 9));
  TestEngine t(config(32768));  // every group of three or more pairwise
  // List order C, B, A: C-B and C-A differ at block 3; B-A then by checksums.
  EXPECT_TRUE(run_group(t.engine, {L"A", L"B", L"C"}, a.size()).sets.empty());
  EXPECT_EQ(g_sys.files[L"B"].bytes_read, 4 * 32768u);
  EXPECT_EQ(g_sys.files[L"A"].bytes_read, 4 * 32768u);
  EXPECT_EQ(g_sys.files[L"C"].bytes_read, 8 * 32768u);  // read for each partner
}

// Two files whose first blocks were checked against a third compare the
// unknown blocks first, then the head.
TEST_F(Engines, PairwiseComparesUnknownBlocksFirst) {
  std::string a = pattern(8 * 32768, 4);
  add_file(L"R", flipped(a, 3 * 32768));
  add_file(L"B", a);
  add_file(L"C", a);
  TestEngine t(config(32768));
  EXPECT_EQ(run_group(t.engine, {L"C", L"B", L"R"}, a.size()).sets, (Sets{{L"B", L"C"}}));
  std::vector<uint64_t> offsets;
  for (const Request& r : g_sys.files[L"B"].reads) offsets.push_back(r.offset / 32768);
  EXPECT_EQ(offsets, (std::vector<uint64_t>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3}));
}

TEST_F(Engines, KeptFirstBlocksServeLaterComparisons) {
  std::string a = pattern(100000, 5);
  add_file(L"A", a);
  add_file(L"B", flipped(a, 40000));
  add_file(L"C", flipped(a, 99999));
  g_sys.free_memory = 100000;  // too little for the cache: reads go around it
  TestEngine t(config(32768, false, true));
  EXPECT_TRUE(run_group(t.engine, {L"A", L"B", L"C"}, a.size()).sets.empty());
  // C is compared with B and then A; its blocks 0 to 2 come from memory the second time.
  EXPECT_EQ(g_sys.files[L"C"].bytes_read, 100000u);
  for (bool unbuffered : g_sys.files[L"C"].opened_unbuffered) EXPECT_TRUE(unbuffered);
}

TEST_F(Engines, SameFileNeedsNoReadingWithS) {
  std::string a = pattern(300000, 6);
  add_file(L"x", a);
  add_link(L"x-link", L"x");
  add_file(L"copy", a);
  add_file(L"y", a.substr(0, 200000));
  add_link(L"y-link", L"y");
  // A file system without file indexes reports 0 for every file.
  add_file(L"n1", a);
  add_file(L"n2", flipped(a, 299999));
  add_file(L"n3", flipped(a, 299998));
  for (const wchar_t* name : {L"n1", L"n2", L"n3"}) g_sys.files[name].id.index_low = 0;
  auto bytes_read = [](const wchar_t* name) { return g_sys.files[name].bytes_read; };
  auto reset_counts = [] {
    for (auto& entry : g_sys.files) entry.second.bytes_read = 0;
  };
  for (uint32_t buffer : {33554432u, 32768u}) {  // refinement, then pairwise
    TestEngine t(config(buffer, true));
    reset_counts();
    EXPECT_EQ(run_group(t.engine, {L"x", L"x-link"}, a.size()).sets, (Sets{{L"x-link", L"x"}}));
    EXPECT_EQ(bytes_read(L"x") + bytes_read(L"x-link"), 0u);
    reset_counts();
    EXPECT_EQ(run_group(t.engine, {L"x", L"copy", L"x-link"}, a.size()).sets,
              (Sets{{L"x-link", L"copy", L"x"}}));
    EXPECT_EQ(bytes_read(L"x"), 0u) << buffer;
    // One file under two names that no longer has the listed size is no set.
    EXPECT_TRUE(run_group(t.engine, {L"y", L"y-link", L"x"}, a.size()).sets.empty());
    EXPECT_TRUE(run_group(t.engine, {L"n1", L"n2"}, a.size()).sets.empty());
    EXPECT_TRUE(run_group(t.engine, {L"n1", L"n2", L"n3"}, a.size()).sets.empty()) << buffer;
  }
  TestEngine plain(config(33554432));
  reset_counts();
  EXPECT_EQ(run_group(plain.engine, {L"x", L"x-link"}, a.size()).sets, (Sets{{L"x-link", L"x"}}));
  EXPECT_EQ(bytes_read(L"x-link"), a.size());  // without -S they are read
}

TEST_F(Engines, QuotaShortageWaitsFiveTimesThenEnds) {
  std::string a = pattern(50000, 7);
  add_file(L"A", a);
  add_file(L"B", a);
  g_sys.files[L"B"].read_error = ERROR_NOT_ENOUGH_QUOTA;
  g_sys.files[L"B"].read_failures = 2;
  TestEngine t(config(33554432));
  {
    LogCapture log;
    RunResult r = run_group(t.engine, {L"A", L"B"}, a.size());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.sets.size(), 1u);  // the retried read went on
    EXPECT_EQ(g_sys.sleeps, (std::vector<DWORD>{1000, 2000}));
  }
  g_sys.sleeps.clear();
  g_sys.files[L"B"].read_failures = -1;
  LogCapture log;
  EXPECT_FALSE(run_group(t.engine, {L"A", L"B"}, a.size()).ok);
  EXPECT_EQ(g_sys.sleeps, (std::vector<DWORD>{1000, 2000, 3000, 4000, 5000}));
  std::wstring text = log.text();
  EXPECT_NE(text.find(L"B: error 1816 (1816) pos=0 handle="), std::wstring::npos) << test::to_utf8(text);
  EXPECT_NE(text.find(L" name2=A\r\nexit(1)\r\n"), std::wstring::npos) << test::to_utf8(text);
}

TEST_F(Engines, ReadAndOpenErrorsMakeThePairDifferent) {
  std::string a = pattern(70000, 8);
  add_file(L"A", a);
  add_file(L"B", a);
  add_file(L"C", a);
  g_sys.files[L"B"].read_error = ERROR_CRC;
  g_sys.files[L"B"].read_failures = -1;
  add_file(L"short", a.substr(0, 60000));
  TestEngine t(config(32768));
  LogCapture log;
  EXPECT_TRUE(run_group(t.engine, {L"A", L"B"}, a.size()).sets.empty());
  EXPECT_TRUE(run_group(t.engine, {L"A", L"missing"}, a.size()).sets.empty());
  EXPECT_TRUE(run_group(t.engine, {L"A", L"short"}, a.size()).sets.empty());
  // Pairwise: the unreadable file is left out once, the others still match.
  EXPECT_EQ(run_group(t.engine, {L"A", L"B", L"C"}, a.size()).sets, (Sets{{L"C", L"A"}}));
  EXPECT_EQ(g_sys.sleeps.size(), 0u);
  std::wstring text = log.text();
  EXPECT_NE(text.find(L"B: error 23 (23) pos=0 handle="), std::wstring::npos) << test::to_utf8(text);
  EXPECT_NE(text.find(L"missing: error 2 (2) pos=-1 handle=-1 name2=A\r\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"read length error: A=32768 short=27232\r\n"), std::wstring::npos);
}

// JPEG mode compares the last `listed` bytes: a file of 10,000 bytes listed
// with 4,996 is read from offset 5,004 through a 512-byte aligned read.
TEST_F(Engines, JpegModeReadsTheTailThroughTheBounceBuffer) {
  std::string payload = pattern(4996, 9);
  add_file(L"p1", pattern(5004, 10) + payload);
  add_file(L"p2", pattern(2000, 11) + payload);
  add_file(L"p3", pattern(2000, 12) + flipped(payload, 4995));
  EngineConfig cfg = config(33554432);
  cfg.jpeg = true;
  TestEngine t(cfg);
  EXPECT_EQ(run_group(t.engine, {L"p1", L"p2"}, 4996).sets, (Sets{{L"p2", L"p1"}}));
  ASSERT_EQ(g_sys.files[L"p1"].reads.size(), 1u);
  EXPECT_EQ(g_sys.files[L"p1"].reads[0].offset, 4608u);
  EXPECT_EQ(g_sys.files[L"p1"].reads[0].count, 32768u + 512u);
  EXPECT_EQ(g_sys.files[L"p2"].reads[0].offset, 1536u);  // 2000 rounded down
  EXPECT_EQ(run_group(t.engine, {L"p1", L"p2", L"p3"}, 4996).sets, (Sets{{L"p2", L"p1"}}));
}

// (A group that fits in the file cache is read through it: see
// ScheduleLimitsAndPlanning.)
TEST_F(Engines, CacheIsBypassedUnlessAsked) {
  std::string a = pattern(40000, 13);
  add_file(L"A", a);
  add_file(L"B", a);
  TestEngine unbuffered(config(33554432));
  run_group(unbuffered.engine, {L"A", L"B"}, a.size());
  EngineConfig cfg = config(33554432);
  cfg.cached = true;
  TestEngine cached(cfg);
  run_group(cached.engine, {L"A", L"B"}, a.size());
  EXPECT_EQ(g_sys.files[L"A"].opened_unbuffered, (std::vector<bool>{true, false}));
}

// Read through the file cache, blocks beyond a piece (1 MiB) are read and
// compared a piece at a time: a pair stops at the piece that differs, but
// with checksums kept the block is read to its end, as a checksum of part of
// a block would part equal files. Around the cache, where nothing reads
// ahead, each file's block is one read, so a disk does not seek between the
// files every piece.
TEST_F(Engines, LargeBlocksGoPieceByPiece) {
  const uint64_t block3 = 688128, piece = 1048576;
  std::string a = pattern(5 * piece, 14);
  add_file(L"A", a);
  add_file(L"B", flipped(a, block3 + piece + 10));
  using Reads = std::vector<std::pair<uint64_t, uint32_t>>;
  auto reads_of_a = [] {
    Reads reads;
    for (const Request& r : g_sys.files[L"A"].reads) reads.emplace_back(r.offset, r.count);
    g_sys.files[L"A"].reads.clear();
    return reads;
  };
  EngineConfig cached = config(33554432);
  cached.cached = true;
  TestEngine t(cached);
  EXPECT_TRUE(run_group(t.engine, {L"A", L"B"}, a.size()).sets.empty());
  EXPECT_EQ(reads_of_a(), (Reads{{0, 32768}, {32768, 131072}, {163840, 524288}, {block3, piece}, {block3 + piece, piece}}));
  TestEngine unbuffered(config(33554432));
  EXPECT_TRUE(run_group(unbuffered.engine, {L"A", L"B"}, a.size()).sets.empty());
  EXPECT_EQ(reads_of_a(), (Reads{{0, 32768}, {32768, 131072}, {163840, 524288}, {block3, 2097152}}));
  // Group refinement likewise: its largest read is a piece through the
  // cache, the block (up to the slot) around it.
  add_file(L"A2", a);
  add_file(L"A3", a);
  auto largest_read = [&] {
    uint32_t largest = 0;
    for (const auto& r : reads_of_a()) largest = std::max(largest, r.second);
    return largest;
  };
  EXPECT_EQ(run_group(t.engine, {L"A", L"A2", L"A3"}, a.size()).sets, (Sets{{L"A3", L"A2", L"A"}}));
  EXPECT_EQ(largest_read(), piece);
  EXPECT_EQ(run_group(unbuffered.engine, {L"A", L"A2", L"A3"}, a.size()).sets, (Sets{{L"A3", L"A2", L"A"}}));
  EXPECT_EQ(largest_read(), 8388608u);

  // 33 files are past the group limit of a 2 MiB buffer: pairwise, with checksums.
  std::string b = pattern(block3 + 2 * piece + 1000, 15);
  auto shared = std::make_shared<const std::string>(b);
  std::vector<std::wstring> names;
  for (int i = 0; i < 32; ++i) {
    names.push_back(L"same" + std::to_wstring(i));
    add_file(names.back(), shared);
  }
  names.push_back(L"odd");  // last in the input: first in list order
  add_file(L"odd", flipped(b, block3 + 10));
  TestEngine small(config(2097152));
  Sets expected{std::vector<std::wstring>(names.rbegin() + 1, names.rend())};
  EXPECT_EQ(run_group(small.engine, names, b.size()).sets, expected);
  bool second_piece_read = false;
  for (const Request& r : g_sys.files[L"odd"].reads) second_piece_read |= r.offset == block3 + piece;
  EXPECT_TRUE(second_piece_read);
}

// Random groups against the plain comparison: every buffer size and method,
// with and without -S and -M, sizes and differences around block boundaries.
TEST_F(Engines, RandomGroupsMatchPlainComparison) {
  std::mt19937 rng(20240601);
  const uint64_t interesting[] = {1, 2, 32767, 32768, 32769, 98304, 163839, 163840, 163841, 300000};
  int groups = 0;
  for (uint32_t buffer : {32768u, 65536u, 262144u, 33554432u}) {
    for (int flags = 0; flags < 4; ++flags) {
      TestEngine t(config(buffer, flags & 1, flags & 2));
      for (int round = 0; round < 12; ++round, ++groups) {
        g_sys.files.clear();
        g_sys.handles.clear();
        g_sys.free_memory = rng() % 2 ? 1ull << 40 : 1ull << 20;
        uint64_t size = interesting[rng() % std::size(interesting)];
        int n = 2 + static_cast<int>(rng() % 9);
        std::vector<std::string> protos;
        for (int p = 0; p < 1 + static_cast<int>(rng() % 3); ++p) protos.push_back(pattern(size, rng()));
        std::vector<std::wstring> names;
        for (int i = 0; i < n; ++i) {
          std::wstring name = L"g" + std::to_wstring(groups) + L"-" + std::to_wstring(i);
          std::string data = protos[rng() % protos.size()];
          switch (rng() % 6) {
            case 0: data = flipped(data, rng() % size); break;
            case 1: data = flipped(data, size - 1); break;
            case 2: data.resize(rng() % size); break;  // shrank
            default: break;
          }
          const std::wstring& target = names.empty() ? name : names[rng() % names.size()];
          if (rng() % 10 == 0) {
            // Never created: cannot be opened.
          } else if (i > 0 && rng() % 8 == 0 && g_sys.files.count(target)) {
            add_link(name, target);
          } else {
            add_file(name, data);
          }
          names.push_back(name);
        }
        RunResult r = run_group(t.engine, names, size);
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(r.sets, reference_sets(names, size)) << "buffer " << buffer << " flags " << flags << " size " << size;
      }
    }
  }
}

}  // namespace
}  // namespace mox
