#include "sizegroup.h"

#include <gtest/gtest.h>

#include "common/testkit.h"
#include "filetime_testing.h"
#include "modtime.h"

namespace mox {
namespace {

using test::utf16le;

// The program name as the programs see it: the path testkit starts them by.
std::wstring program_name() { return test::program_dir() + L"\\sizegroup.exe"; }

std::wstring size_line(const wchar_t* size20, const std::wstring& path) { return std::wstring(size20) + L" " + path; }

// The tests run in a zone 9 hours east of UTC without daylight saving.
TEST(Modtime, WholeRangeOfFileTimes) {
  struct Case {
    WORD y, mo, d, h, mi, s;
    const wchar_t* local;
  };
  const Case cases[] = {
      {1970, 1, 1, 0, 0, 0, L"1970-01-01 09:00:00"},
      {2038, 1, 19, 3, 14, 8, L"2038-01-19 12:14:08"},   // the last 32-bit second
      {2038, 1, 19, 3, 14, 9, L"2038-01-19 12:14:09"},   // and the one after
      {2106, 2, 7, 6, 28, 16, L"2106-02-07 15:28:16"},   // beyond unsigned 32 bits too
      {1969, 12, 31, 23, 59, 59, L"1970-01-01 08:59:59"},
      {1901, 12, 13, 20, 45, 51, L"1901-12-14 05:45:51"},
      {1601, 1, 1, 0, 0, 0, L"1601-01-01 09:00:00"},
      {9999, 12, 31, 14, 59, 59, L"9999-12-31 23:59:59"},
  };
  for (const Case& c : cases) {
    SYSTEMTIME st{c.y, c.mo, 0, c.d, c.h, c.mi, c.s, 0};
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    Stamp stamp;
    ASSERT_TRUE(format_local_stamp(ft, stamp));
    EXPECT_STREQ(stamp, c.local);
  }
  // A year that needs five places has no form in the list.
  SYSTEMTIME year_10000{10000, 1, 0, 1, 0, 0, 0, 0};
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&year_10000, &ft));
  Stamp stamp;
  EXPECT_FALSE(format_local_stamp(ft, stamp));
}

TEST(Modtime, FilesOutsideTheThirtyTwoBitRange) {
  test::TempDir dir(L"modtime");
  struct Case {
    const wchar_t* name;
    WORD y, mo, d, h, mi, s;
    const wchar_t* local;
  };
  const Case cases[] = {
      {L"late", 2040, 6, 15, 12, 34, 56, L"2040-06-15 21:34:56"},
      {L"early", 1960, 3, 1, 0, 0, 0, L"1960-03-01 09:00:00"},
      {L"now", 2024, 2, 29, 23, 0, 1, L"2024-03-01 08:00:01"},
  };
  for (const Case& c : cases) {
    std::wstring path = dir / c.name;
    ASSERT_TRUE(test::write_file(path, "x"));
    ASSERT_TRUE(test::set_write_time(path, c.y, c.mo, c.d, c.h, c.mi, c.s));
    Stamp stamp;
    file_stamp(path.c_str(), stamp);
    EXPECT_STREQ(stamp, c.local) << test::to_utf8(c.name);
  }
  Stamp stamp;
  file_stamp((dir / L"gone").c_str(), stamp);
  EXPECT_STREQ(stamp, L"1970-01-01 09:00:00");
  file_stamp(L"", stamp);
  EXPECT_STREQ(stamp, L"1970-01-01 09:00:00");
}

struct SizegroupFixture : ::testing::Test {
  test::TempDir dir{L"sizegroup"};
  std::wstring a = dir / L"a", b = dir / L"b", c = dir / L"c", d = dir / L"d", e = dir / L"e", f = dir / L"f";
  void SetUp() override {
    const std::wstring* files[] = {&a, &b, &c, &d, &e, &f};
    WORD day = 1;
    for (const std::wstring* p : files) {
      ASSERT_TRUE(test::write_file(*p, "x"));
      ASSERT_TRUE(test::set_write_time(*p, 2030, 5, day++, 1, 2, 3));
    }
  }
};

TEST_F(SizegroupFixture, GroupsRunsBehindTheirTimes) {
  // Sizes 5, 5, 7, 9, 9, 9; the last 9 names a file that is gone.
  std::wstring gone = dir / L"gone";
  std::wstring in = size_line(L"00000000000000000005", a) + L"\r\n" + size_line(L"00000000000000000005", b) +
                    L"\r\n" + size_line(L"00000000000000000007", c) + L"\r\n" +
                    size_line(L"00000000000000000009", d) + L"\r\n" + size_line(L"00000000000000000009", e) +
                    L"\r\n" + size_line(L"00000000000000000009", gone) + L"\r\n";
  std::wstring expected = L"2030-05-01 10:02:03 " + size_line(L"00000000000000000005", a) + L"\r\n" +
                          L"2030-05-02 10:02:03 " + size_line(L"00000000000000000005", b) + L"\r\n\r\n" +
                          L"2030-05-04 10:02:03 " + size_line(L"00000000000000000009", d) + L"\r\n" +
                          L"2030-05-05 10:02:03 " + size_line(L"00000000000000000009", e) + L"\r\n" +
                          L"1970-01-01 09:00:00 " + size_line(L"00000000000000000009", gone) + L"\r\n\r\n";
  std::wstring counts = dir / L"LIST5.TXT";
  auto r = test::run(L"sizegroup", L"-o -t -F \"" + counts + L"\"", utf16le(in));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::from_utf16le(r.out), expected);
  EXPECT_EQ(r.err, utf16le(L"5\r\n5, 2\r\n"));
  EXPECT_EQ(test::read_file(counts), utf16le(L"5\r\n2\r\n"));

  // The same list from a file operand, and with the lines' own ends as LF alone.
  std::wstring list = dir / L"list";
  std::wstring lf = in;
  for (size_t p; (p = lf.find(L"\r\n")) != std::wstring::npos;) lf.erase(p, 1);
  ASSERT_TRUE(test::write_file(list, utf16le(lf)));
  r = test::run(L"sizegroup", L"\"" + list + L"\"");
  EXPECT_EQ(test::from_utf16le(r.out), expected);
}

TEST_F(SizegroupFixture, BadAndOddInput) {
  struct Case {
    const char* what;
    std::wstring in;
    std::wstring out;
    std::wstring err;
  };
  std::wstring a5 = size_line(L"00000000000000000005", a), b5 = size_line(L"00000000000000000005", b);
  std::wstring dated_a = L"2030-05-01 10:02:03 " + a5 + L"\r\n", dated_b = L"2030-05-02 10:02:03 " + b5 + L"\r\n";
  std::wstring long_path(1100, L'x');
  std::wstring name = program_name();
  const Case cases[] = {
      {"empty input", L"", L"", L"0, 0\r\n"},
      {"no size repeats", a5 + L"\r\n" + size_line(L"00000000000000000006", b) + L"\r\n", L"", L"0, 0\r\n"},
      {"no final line end", a5 + L"\r\n" + b5, dated_a + dated_b + L"\r\n", L"2, 1\r\n"},
      {"marks at line starts", L"\uFEFF" + a5 + L"\r\n\uFEFF" + b5 + L"\r\n", dated_a + dated_b + L"\r\n",
       L"2, 1\r\n"},
      {"short lines skipped", L"00000000000000000005\r\n" + a5 + L"\r\n\r\nshort\r\n" + b5 + L"\r\n",
       dated_a + dated_b + L"\r\n",
       name + L": line 1 too short, skipped\r\n" + name + L": line 3 too short, skipped\r\n" + name +
           L": line 4 too short, skipped\r\n2, 1\r\n"},
      {"empty path", L"00000000000000000005 \r\n00000000000000000005c\r\n",
       L"1970-01-01 09:00:00 00000000000000000005 \r\n1970-01-01 09:00:00 00000000000000000005c\r\n\r\n",
       L"2, 1\r\n"},
      // Longer than 1073 units: refused whole, so no piece passes for a path.
      {"long lines refused",
       size_line(L"00000000000000000005", long_path) + L"\r\n" + size_line(L"00000000000000000005", long_path),
       L"", name + L": line 1 too long, skipped\r\n" + name + L": line 2 too long, skipped\r\n0, 0\r\n"},
      // A NUL would cut the path short.
      {"NUL refused", a5 + std::wstring(1, L'\0') + L"x\r\n" + a5 + L"\r\n" + b5 + L"\r\n",
       dated_a + dated_b + L"\r\n", name + L": line 1 holds a NUL, skipped\r\n2, 1\r\n"},
  };
  for (const Case& c : cases) {
    auto r = test::run(L"sizegroup", L"-t", utf16le(c.in));
    EXPECT_EQ(r.exit_code, 0) << c.what;
    EXPECT_EQ(test::from_utf16le(r.out), c.out) << c.what;
    EXPECT_EQ(test::from_utf16le(r.err), c.err) << c.what;
  }
}

TEST(Sizegroup, UsageAndErrors) {
  test::TempDir dir(L"sizegroup-err");
  std::wstring log = dir / L"log";
  ASSERT_TRUE(test::write_file(log, utf16le(L"old\r\n")));
  auto r = test::run(L"sizegroup", L"-L \"" + log + L"\" \"" + (dir / L"missing") + L"\"");
  EXPECT_EQ(r.exit_code, 1);
  std::wstring name = program_name();
  std::wstring reopen = name + L": can't reopen " + (dir / L"missing") + L"\r\n";
  EXPECT_EQ(test::from_utf16le(r.err), reopen);
  EXPECT_EQ(test::from_utf16le(test::read_file(log)), L"old\r\n" + reopen);
  EXPECT_EQ(r.out, "");

  r = test::run(L"sizegroup", L"/?");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(test::from_utf16le(r.err), L"usage: " + name + L" [-L logfile] dir..\r\n");
  r = test::run(L"sizegroup", L"-z");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(test::from_utf16le(r.err), name + L": bad option Z\r\nfor more infomation: " + name + L" /?\r\n");

  // A count file that cannot be created.
  r = test::run(L"sizegroup", L"-F \"" + (dir / L"no\\such\\file") + L"\"", "");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::from_utf16le(r.err), L"ffp == NULL\r\n");
}

}  // namespace
}  // namespace mox
