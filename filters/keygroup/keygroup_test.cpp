#include "keygroup.h"

#include <gtest/gtest.h>

#include <string>

#include "common/testkit.h"
#include "name_line_testing.h"

namespace mox {
namespace {

using test::from_utf16le;
using test::utf16le;

std::wstring program_name() { return test::program_dir() + L"\\keygroup.exe"; }

using test::name_line;

TEST(Keygroup, GroupsEqualNames) {
  const std::wstring upper = name_line(L"README.TXT", L"00000000000000000010", L"C:\\a\\README.TXT") + L"\r\n";
  const std::wstring lower = name_line(L"readme.txt", L"00000000000000000010", L"C:\\b\\readme.txt") + L"\r\n";
  const std::wstring other_size = name_line(L"readme.txt", L"00000000000000000999", L"C:\\c\\readme.txt") + L"\r\n";
  const std::wstring x = name_line(L"x.dat", L"00000000000000000001", L"C:\\x.dat") + L"\r\n";
  const std::wstring y1 = name_line(L"\u00C9t\u00E9.txt", L"00000000000000000001", L"C:\\1\\\u00C9t\u00E9.txt") + L"\r\n";
  const std::wstring y2 = name_line(L"\u00E9T\u00C9.TXT", L"00000000000000000002", L"C:\\2\\\u00E9T\u00C9.TXT") + L"\r\n";
  const std::wstring long1 = name_line(std::wstring(75, L'n'), L"00000000000000000001", L"C:\\1") + L"\r\n";
  const std::wstring long2 = name_line(std::wstring(75, L'N'), L"00000000000000000002", L"C:\\2") + L"\r\n";
  const std::wstring name = program_name();
  struct Case {
    const char* what;
    std::wstring in;
    std::wstring out;
    std::wstring err;  // with -T
  };
  const Case cases[] = {
      {"case ignored", upper + lower, upper + lower + L"\r\n", L"2, 1\r\n"},
      {"only the name field counts", x + upper + lower + other_size + x, upper + lower + other_size + L"\r\n",
       L"3, 1\r\n"},
      {"accented names", y1 + y2, y1 + y2 + L"\r\n", L"2, 1\r\n"},
      {"names past 70 columns", long1 + long2 + x, long1 + long2 + L"\r\n", L"2, 1\r\n"},
      {"two groups", upper + lower + x + x, upper + lower + L"\r\n" + x + x + L"\r\n", L"4, 2\r\n"},
      {"no group", upper + x, L"", L"0, 0\r\n"},
      {"empty input", L"", L"", L"0, 0\r\n"},
      {"trailing blanks make another name", L"a.txt |1\r\na.txt  |1\r\n", L"", L"0, 0\r\n"},
      {"last line end kept as read", upper + lower.substr(0, lower.size() - 2),
       upper + lower.substr(0, lower.size() - 2) + L"\r\n", L"2, 1\r\n"},
      {"marks at line starts", L"\uFEFF" + upper + L"\uFEFF" + lower, upper + lower + L"\r\n", L"2, 1\r\n"},
      {"lines without '|' skipped", upper + L"no field\r\n\r\n" + lower, upper + lower + L"\r\n",
       name + L": line 2 has no '|', skipped\r\n" + name + L": line 3 has no '|', skipped\r\n2, 1\r\n"},
  };
  for (const Case& c : cases) {
    auto r = test::run(L"keygroup", L"-t", utf16le(c.in));
    EXPECT_EQ(r.exit_code, 0) << c.what;
    EXPECT_EQ(from_utf16le(r.out), c.out) << c.what;
    EXPECT_EQ(from_utf16le(r.err), c.err) << c.what;
  }
}

TEST(Keygroup, ReportsAndErrors) {
  test::TempDir dir(L"keygroup");
  const std::wstring a = name_line(L"a", L"00000000000000000001", L"C:\\1\\a") + L"\r\n";
  const std::wstring b = name_line(L"A", L"00000000000000000002", L"C:\\2\\A") + L"\r\n";
  std::wstring list = dir / L"list", counts = dir / L"counts";
  ASSERT_TRUE(test::write_file(list, utf16le(a + b + a)));
  auto r = test::run(L"keygroup", L"-OT -F \"" + counts + L"\" \"" + list + L"\"");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(from_utf16le(r.out), a + b + a + L"\r\n");
  EXPECT_EQ(r.err, utf16le(L"3\r\n3, 1\r\n"));
  EXPECT_EQ(test::read_file(counts), utf16le(L"3\r\n1\r\n"));

  const std::wstring name = program_name();
  r = test::run(L"keygroup", L"\"" + (dir / L"missing") + L"\"");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), name + L": can't reopen " + (dir / L"missing") + L"\r\n");
  r = test::run(L"keygroup", L"-?");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), L"usage: " + name + L" [-L logfile] dir..\r\n");
  r = test::run(L"keygroup", L"-F");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), name + L": option F needs a value\r\nfor more infomation: " + name + L" /?\r\n");
}

}  // namespace
}  // namespace mox
