#include "sizesum.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "common/testkit.h"

namespace mox {
namespace {

using test::from_utf16le;
using test::utf16le;

std::wstring program_name() { return test::program_dir() + L"\\sizesum.exe"; }

// Stand-in for GetCompressedFileSizeW: C:\packed is compressed to 300 bytes,
// C:\big reports more than its nominal size, C:\huge has a low part of all
// ones, anything else cannot be read.
std::wstring g_asked;
DWORD WINAPI fake_compressed_size(LPCWSTR path, LPDWORD high) {
  g_asked = path;
  if (std::wcscmp(path, L"C:\\packed") == 0) return *high = 0, 300;
  if (std::wcscmp(path, L"C:\\big") == 0) return *high = 0, 5000;
  if (std::wcscmp(path, L"C:\\huge") == 0) {
    *high = 1;
    SetLastError(0);
    return INVALID_FILE_SIZE;
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_FILE_SIZE;
}

struct FakeService {
  FakeService() { g_compressed_size = fake_compressed_size; }
  ~FakeService() { g_compressed_size = nullptr; }
};

TEST(Sizesum, OnDiskSizeByMarker) {
  struct Case {
    bool service;
    unsigned long long nominal;
    wchar_t marker;
    const wchar_t* path;
    unsigned long long on_disk;
  };
  const Case cases[] = {
      {true, 1000, L' ', L"C:\\packed", 1000},
      {true, 1000, L'c', L"C:\\packed\r\n", 300},  // the line end is no part of the path
      {true, 1000, L'c', L"C:\\packed\n", 300},
      {true, 1000, L'c', L"C:\\big\r\n", 1000},     // never more than the nominal size
      {true, 1000, L'c', L"C:\\gone\r\n", 1000},    // unreadable: the nominal size
      {true, 0x200000000ULL, L'c', L"C:\\huge", 0x1FFFFFFFFULL},  // all-ones low part with no error
      {true, 1000, L'x', L"C:\\packed", 0},
      {true, 1000, L'C', L"C:\\packed", 0},         // the marker is case-sensitive
      {false, 1000, L'c', L"C:\\packed", 0},        // no service, nothing counted
      {false, 1000, L' ', L"C:\\packed", 1000},
  };
  for (const Case& c : cases) {
    g_compressed_size = c.service ? fake_compressed_size : nullptr;
    EXPECT_EQ(on_disk_size(c.nominal, c.marker, c.path), c.on_disk) << test::to_utf8(c.path) << " " << static_cast<char>(c.marker);
  }
  g_compressed_size = nullptr;
}

TEST(Sizesum, SizeField) {
  struct Case {
    const wchar_t* line;
    unsigned long long size;
  };
  const Case cases[] = {
      {L"00000000000000001000 C:\\a", 1000},
      {L"12345678901234567890 x", 12345678901234567890ULL},
      {L"   +0000000000000012 x", 12},
      {L"-0000000000000000005 x", 0 - 5ULL},
      {L"0000000000000000100a x", 100},
      {L"00000000000000000010123", 10},  // digits beyond the field are no part of it
      {L"x0000000000000001000 a", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(size_field(c.line), c.size) << test::to_utf8(c.line);
}

TEST(Sizesum, TotalsWithACompressedFile) {
  FakeService fake;
  test::TempDir dir(L"sizesum");
  std::wstring in = L"00000000000000000500 C:\\alone\r\n"
                    L"00000000000000001000 C:\\plain\r\n"
                    L"00000000000000001000cC:\\packed\r\n"
                    L"00000000000000002000 C:\\other\r\n";
  ASSERT_TRUE(test::write_file(dir / L"in", utf16le(in)));
  FILE* input = _wfopen((dir / L"in").c_str(), L"rb");
  FILE* output = _wfopen((dir / L"out").c_str(), L"wb");
  SizeTotals totals = sizesum_run(input, output);
  fclose(input);
  fclose(output);
  EXPECT_EQ(from_utf16le(test::read_file(dir / L"out")),
            L"00000000000000001000 C:\\plain\r\n00000000000000001000cC:\\packed\r\n");
  EXPECT_EQ(totals.lines, 2);
  EXPECT_EQ(totals.nominal, 2000u);
  EXPECT_EQ(totals.on_disk, 1300u);
  EXPECT_EQ(g_asked, L"C:\\packed");
}

TEST(Sizesum, ProgramPassesRunsAndWritesTotals) {
  test::TempDir dir(L"sizesum-run");
  std::wstring totals = dir / L"LIST5.TXT";
  // A 'c' line whose compressed size cannot be read counts with its nominal
  // size; a marker other than 'c' or blank counts in the nominal total only.
  std::wstring in = L"00000000000000000100 " + (dir / L"a") + L"\r\n" +
                    L"00000000000000000100c" + (dir / L"gone") + L"\r\n" +
                    L"00000000000000000200 " + (dir / L"b") + L"\r\n" +
                    L"00000000000000000300?" + (dir / L"c") + L"\r\n" +
                    L"00000000000000000300?" + (dir / L"d") + L"\r\n";
  std::wstring kept = in.substr(0, in.find(L"00000000000000000200")) + in.substr(in.find(L"00000000000000000300"));
  auto r = test::run(L"sizesum", L"-n -o -F \"" + totals + L"\"", utf16le(in));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(from_utf16le(r.out), kept);
  EXPECT_EQ(from_utf16le(r.err), L"4, 800\r\n");
  EXPECT_EQ(test::read_file(totals), utf16le(L"4\r\n200\r\n"));
}

TEST(Sizesum, EdgeAndBadInput) {
  struct Case {
    const char* what;
    std::wstring in;
    std::wstring out;
    std::wstring err;
  };
  std::wstring name = program_name();
  std::wstring a = L"00000000000000000007 A\r\n", b = L"00000000000000000007 B\r\n";
  std::wstring long_tail(2100, L'x');
  const Case cases[] = {
      {"empty input", L"", L"", L"0, 0\r\n"},
      {"no run", a + L"00000000000000000008 B\r\n", L"", L"0, 0\r\n"},
      {"keys compared exactly", L"0000000000000000000a A\r\n0000000000000000000A B\r\n", L"", L"0, 0\r\n"},
      {"no final line end", a + L"00000000000000000007 B", a + L"00000000000000000007 B", L"2, 14\r\n"},
      {"marks at line starts", L"\uFEFF" + a + L"\uFEFF" + b, a + b, L"2, 14\r\n"},
      {"short lines skipped", a + L"00000000000000000007\r\n\r\n" + b, a + b,
       name + L": line 2 too short, skipped\r\n" + name + L": line 3 too short, skipped\r\n2, 14\r\n"},
      {"marker and empty path", L"00000000000000000007c\r\n00000000000000000007 \r\n",
       L"00000000000000000007c\r\n00000000000000000007 \r\n", L"2, 14\r\n"},
      // Longer than 2047 units: refused whole, so its tail never joins a run.
      {"long line refused", L"00000000000000000007 " + long_tail + L"\r\n" + a, L"",
       name + L": line 1 too long, skipped\r\n0, 0\r\n"},
  };
  for (const Case& c : cases) {
    auto r = test::run(L"sizesum", L"-o", utf16le(c.in));
    EXPECT_EQ(r.exit_code, 0) << c.what;
    EXPECT_EQ(from_utf16le(r.out), c.out) << c.what;
    EXPECT_EQ(from_utf16le(r.err), c.err) << c.what;
  }
}

TEST(Sizesum, UsageAndErrors) {
  test::TempDir dir(L"sizesum-err");
  std::wstring name = program_name();
  auto r = test::run(L"sizesum", L"-h");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), L"usage: " + name + L" [-o] [-L logfile]\n");
  r = test::run(L"sizesum", L"-t");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), name + L": bad option T\r\nfor more infomation: " + name + L" /?\r\n");
  std::wstring log = dir / L"log";
  r = test::run(L"sizesum", L"-L \"" + log + L"\" \"" + (dir / L"missing") + L"\"");
  EXPECT_EQ(r.exit_code, 1);
  std::wstring reopen = name + L": can't reopen " + (dir / L"missing") + L"\r\n";
  EXPECT_EQ(from_utf16le(r.err), reopen);
  EXPECT_EQ(from_utf16le(test::read_file(log)), reopen);
  // A totals file that cannot be created: no message, status 0.
  r = test::run(L"sizesum", L"-F \"" + (dir / L"no\\such\\file") + L"\"", utf16le(L"00000000000000000007 A\r\n"));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace mox
