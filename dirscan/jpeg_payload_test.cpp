#include "dirscan/jpeg_payload.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testkit.h"

namespace mox {
namespace {

// A file in memory that records each block read.
struct MemoryFile {
  std::string bytes;
  long long fail_at = -1;  // block offset whose read fails
  std::vector<std::pair<long long, unsigned>> reads;
};

bool read_memory(void* context, long long offset, unsigned char* buffer, unsigned want, unsigned* got) {
  auto* f = static_cast<MemoryFile*>(context);
  f->reads.emplace_back(offset, want);
  if (offset == f->fail_at) return false;
  size_t size = f->bytes.size();
  size_t n = offset >= static_cast<long long>(size) ? 0 : std::min<size_t>(want, size - static_cast<size_t>(offset));
  f->bytes.copy(reinterpret_cast<char*>(buffer), n, static_cast<size_t>(offset));
  *got = static_cast<unsigned>(n);
  return true;
}

long long payload(MemoryFile& f, JpegOptions options = {}) {
  static unsigned char block[kJpegBlock];
  JpegReader reader{{&f, read_memory}, block};
  reader.size = static_cast<long long>(f.bytes.size());
  unsigned got = 0;
  if (!read_memory(&f, 0, block, kJpegBlock, &got)) return 0;
  reader.start = 0;
  reader.valid = got;
  return jpeg_payload_from(reader, options);
}

std::string segment(unsigned char marker, const std::string& body) {
  size_t length = body.size() + 2;
  return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)} +
         body;
}

const std::string kSoi = "\xFF\xD8";
const std::string kTables = segment(0xDB, std::string(65, 'q')) + segment(0xC4, std::string(30, 'h'));
const std::string kScan = segment(0xDA, std::string(10, 's')) + std::string(500, 'd') + "\xFF\xD9";

// Payload starts at the 0xFF of the first table segment.
long long from_tables() { return static_cast<long long>(kTables.size() + kScan.size()); }

TEST(JpegPayload, GeneratedStreams) {
  const std::string app0_jfif = segment(0xE0, std::string("JFIF\0\x01\x02", 7));
  const std::string app0_jfxx = segment(0xE0, std::string("JFXX\0\x01\x02", 7));
  const std::string app1 = segment(0xE1, std::string(4998, 'x'));  // length 5000 = 0x13 0x88
  ASSERT_EQ(app1.substr(2, 2), "\x13\x88");
  const std::string comment = segment(0xFE, "made by hand");
  const long long scan_only = static_cast<long long>(kScan.size());
  struct Case {
    const char* name;
    std::string bytes;
    JpegOptions options;
    long long expected;
  };
  const Case cases[] = {
      // 10,000 bytes: APP1 of 5,000 at offset 2, tables at 5,004.
      {"app1 then tables", kSoi + app1 + "\xFF\xDB" + std::string(10000 - 5006, 't'), {}, 4996},
      {"tables at once", kSoi + "\xFF\xDB" + std::string(4994, 't'), {}, 4996},
      {"metadata differs, same payload", kSoi + app0_jfif + app1 + comment + kTables + kScan, {}, from_tables()},
      {"no metadata", kSoi + kTables + kScan, {}, from_tables()},
      {"jfif on, JFIF app0", kSoi + app0_jfif + kTables + kScan, {false, true}, from_tables()},
      {"jfif on, JFXX app0", kSoi + app0_jfxx + kTables + kScan, {false, true}, 0},
      {"jfif off, JFXX app0", kSoi + app0_jfxx + kTables + kScan, {}, from_tables()},
      {"sos on", kSoi + app0_jfif + kTables + kScan, {true, false}, scan_only},
      {"sos and jfif on", kSoi + app0_jfif + app1 + kTables + kScan, {true, true}, scan_only},
      {"png", std::string("\x89PNG\r\n\x1A\n", 8) + std::string(600, 'p'), {}, 0},
      {"one byte", "\xFF", {}, 0},
      {"image end at once", kSoi + "\xFF\xD9", {}, 2},
      {"segment runs past the end", kSoi + segment(0xE1, "abc").substr(0, 4) + "\xFF", {}, 0},
      {"no marker after app1", kSoi + segment(0xE1, "abc") + "junk", {}, 4},
  };
  for (const Case& c : cases) {
    MemoryFile f{c.bytes, -1, {}};
    EXPECT_EQ(payload(f, c.options), c.expected) << c.name;
    for (auto [offset, want] : f.reads) {
      EXPECT_EQ(offset % kJpegBlock, 0) << c.name;
      EXPECT_EQ(want, kJpegBlock) << c.name;
    }
  }
}

TEST(JpegPayload, FailedBlockReadLeavesFileUnlisted) {
  MemoryFile f{kSoi + segment(0xE1, std::string(1500, 'x')) + kTables + kScan, 1024, {}};
  EXPECT_EQ(payload(f), 0);
  MemoryFile ok{f.bytes, -1, {}};
  EXPECT_EQ(payload(ok), from_tables());
  // The skipped segment is never read: block 0, then the block of the next marker.
  EXPECT_EQ(ok.reads, (std::vector<std::pair<long long, unsigned>>{{0, 512}, {1024, 512}}));
}

TEST(JpegPayload, RealFile) {
  test::TempDir dir(L"jpeg");
  std::string bytes = kSoi + segment(0xE1, std::string(4998, 'x')) + kTables + kScan;
  ASSERT_TRUE(test::write_file(dir / L"a.jpg", bytes));
  ASSERT_TRUE(test::write_file(dir / L"b.png", "\x89PNG\r\n"));
  EXPECT_EQ(jpeg_payload_size((dir / L"a.jpg").c_str(), {}), from_tables());
  EXPECT_EQ(jpeg_payload_size((dir / L"b.png").c_str(), {}), 0);
  EXPECT_EQ(jpeg_payload_size((dir / L"missing.jpg").c_str(), {}), 0);
}

}  // namespace
}  // namespace mox
