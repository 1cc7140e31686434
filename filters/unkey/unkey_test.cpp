#include "unkey.h"

#include <gtest/gtest.h>

#include <string>

#include "common/testkit.h"
#include "filters/keygroup/name_line_testing.h"
#include "filters/sizegroup/filetime_testing.h"

namespace mox {
namespace {

using test::from_utf16le;
using test::utf16le;

std::wstring program_name() { return test::program_dir() + L"\\unkey.exe"; }

using test::name_line;

TEST(Unkey, Fields) {
  struct Case {
    std::wstring line;
    UnkeyLine kind;
    int path_start;
  };
  const wchar_t* size = L"00000000000000000001";
  const Case cases[] = {
      {L"", UnkeyLine::empty, -1},
      {L"no field at all, however long it is ...........................................................",
       UnkeyLine::no_field, -1},
      {name_line(L"a", size, L""), UnkeyLine::too_short, 92},  // 92 characters: no path
      {name_line(L"a", size, L"C"), UnkeyLine::dated, 92},
      {name_line(std::wstring(75, L'n'), size, L"C:\\x"), UnkeyLine::dated, 97},  // the path behind the '|'
      {name_line(std::wstring(80, L'n'), size, L""), UnkeyLine::too_short, 102},
      {L"a|" + std::wstring(size) + L" " + std::wstring(70, L'p'), UnkeyLine::dated, 23},
      {L"a|" + std::wstring(size) + L" " + std::wstring(69, L'p'), UnkeyLine::too_short, 23},  // 92 in all
      {L"a|b|" + std::wstring(100, L'c'), UnkeyLine::dated, 23},  // the first '|' is the field's end
  };
  for (const Case& c : cases) {
    UnkeyFields f = unkey_fields(c.line.c_str(), static_cast<int>(c.line.size()));
    EXPECT_EQ(f.kind, c.kind) << test::to_utf8(c.line);
    if (c.kind == UnkeyLine::dated || c.kind == UnkeyLine::too_short) {
      EXPECT_EQ(f.path_start, c.path_start) << test::to_utf8(c.line);
    }
  }
}

struct UnkeyFixture : ::testing::Test {
  test::TempDir dir{L"unkey"};
  std::wstring a = dir / L"a.txt", b = dir / L"b.txt", long_name = dir / std::wstring(75, L'L');
  void SetUp() override {
    ASSERT_TRUE(test::write_file(a, "x"));
    ASSERT_TRUE(test::set_write_time(a, 2041, 2, 3, 4, 5, 6));
    ASSERT_TRUE(test::write_file(b, "x"));
    ASSERT_TRUE(test::set_write_time(b, 1969, 7, 20, 20, 17, 40));
    ASSERT_TRUE(test::write_file(long_name, "x"));
    ASSERT_TRUE(test::set_write_time(long_name, 2001, 1, 1, 0, 0, 0));
  }
};

TEST_F(UnkeyFixture, DatesTheLinesOfEachGroup) {
  const wchar_t* one = L"00000000000000000001";
  std::wstring gone = dir / L"gone.txt";
  std::wstring in = L"\uFEFF" + name_line(L"a.txt", one, a) + L"\r\n" + name_line(L"b.txt", one, b) + L"\r\n\r\n" +
                    name_line(std::wstring(75, L'L'), one, long_name) + L"\r\n" +
                    name_line(L"gone.txt", one, gone) + L"\r\n\r\n";
  std::wstring expected = L"\uFEFF"
                          L"2041-02-03 13:05:06 " + std::wstring(one) + L" " + a + L"\r\n" +
                          L"1969-07-21 05:17:40 " + one + L" " + b + L"\r\n\r\n" +
                          L"2001-01-01 09:00:00 " + one + L" " + long_name + L"\r\n" +
                          L"1970-01-01 09:00:00 " + one + L" " + gone + L"\r\n\r\n";
  auto r = test::run(L"unkey", L"", utf16le(in));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(from_utf16le(r.out), expected);
  EXPECT_EQ(r.err, "");

  // From a file operand, without a final line end, LF alone as line end.
  std::wstring list = dir / L"list";
  ASSERT_TRUE(test::write_file(list, utf16le(name_line(L"a.txt", one, a) + L"\n" + name_line(L"b.txt", one, b))));
  r = test::run(L"unkey", L"\"" + list + L"\"");
  EXPECT_EQ(from_utf16le(r.out), L"\uFEFF2041-02-03 13:05:06 " + std::wstring(one) + L" " + a + L"\r\n" +
                                     L"1969-07-21 05:17:40 " + one + L" " + b + L"\r\n");
}

TEST_F(UnkeyFixture, BadAndOddInput) {
  const wchar_t* one = L"00000000000000000001";
  std::wstring good = name_line(L"a.txt", one, a) + L"\r\n";
  std::wstring dated = L"2041-02-03 13:05:06 " + std::wstring(one) + L" " + a + L"\r\n";
  std::wstring name = program_name();
  // Lines of a given length without their line end, naming no file.
  auto line_of = [&](size_t chars) { return name_line(L"x", one, L"C:\\" + std::wstring(chars - 95, L'p')); };
  auto dated_gone = [&](const std::wstring& line) { return L"1970-01-01 09:00:00 " + line.substr(71) + L"\r\n"; };
  const std::wstring fills = line_of(2047), nearly = line_of(2046), over = line_of(2048), huge = line_of(5000);
  struct Case {
    const char* what;
    std::wstring in;
    std::wstring out;
    std::wstring err;
  };
  const Case cases[] = {
      {"empty input", L"", L"\uFEFF", L""},
      // 2047 units to a read: a line end left over is no empty line, so no group is split.
      {"line end past a full buffer", fills + L"\r\n" + nearly + L"\r\n" + good,
       L"\uFEFF" + dated_gone(fills) + dated_gone(nearly) + dated, L""},
      // A longer line is never dated with a cut path.
      {"overlong lines", over + L"\r\n" + good + huge + L"\r\n" + good + over,
       L"\uFEFF" + dated + dated,
       name + L": line 1 too long, skipped\r\n" + name + L": line 3 too long, skipped\r\n" + name +
           L": line 5 too long, skipped\r\n"},
      {"only a mark", L"\uFEFF", L"\uFEFF", L""},
      {"mark in the middle", good + L"\uFEFF" + good + L"\uFEFF\r\n", L"\uFEFF" + dated + dated + L"\r\n", L""},
      {"no field", good + L"C:\\x\r\n" + good, L"\uFEFF" + dated + dated,
       name + L": line 2 has no '|', skipped\r\n"},
      {"too short", name_line(L"a.txt", one, L"") + L"\r\nx|1\r\n" + good, L"\uFEFF" + dated,
       name + L": line 1 too short, skipped\r\n" + name + L": line 2 too short, skipped\r\n"},
  };
  for (const Case& c : cases) {
    auto r = test::run(L"unkey", L"", utf16le(c.in));
    EXPECT_EQ(r.exit_code, 0) << c.what;
    EXPECT_EQ(from_utf16le(r.out), c.out) << c.what;
    EXPECT_EQ(from_utf16le(r.err), c.err) << c.what;
  }
}

TEST(Unkey, UsageAndErrors) {
  test::TempDir dir(L"unkey-err");
  std::wstring name = program_name();
  std::wstring log = dir / L"log";
  auto r = test::run(L"unkey", L"-L \"" + log + L"\" \"" + (dir / L"missing") + L"\"");
  EXPECT_EQ(r.exit_code, 1);
  std::wstring reopen = name + L": can't reopen " + (dir / L"missing") + L"\r\n";
  EXPECT_EQ(from_utf16le(r.err), reopen);
  EXPECT_EQ(from_utf16le(test::read_file(log)), reopen);
  EXPECT_EQ(r.out, "");  // no mark before the input is open
  r = test::run(L"unkey", L"-o");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), name + L": bad option O\r\nfor more infomation: " + name + L" /?\r\n");
  r = test::run(L"unkey", L"/H");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), L"usage: " + name + L" [-L logfile] dir..\r\n");
}

}  // namespace
}  // namespace mox
