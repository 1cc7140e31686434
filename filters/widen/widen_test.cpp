#include "widen.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/testkit.h"

namespace mox {
namespace {

using test::from_utf16le;
using test::utf16le;

std::wstring program_name() { return test::program_dir() + L"\\widen.exe"; }

bool japanese() { return test::japanese_locale(); }

std::string repeat(const std::string& s, int times) {
  std::string r;
  for (int i = 0; i < times; ++i) r += s;
  return r;
}

struct DecodeCase {
  std::string bytes;
  Decode status;
  std::wstring text;  // when ok
};

void check_decoding(const DecodeCase* cases, size_t count) {
  static wchar_t out[kWideLineCap];
  for (size_t i = 0; i < count; ++i) {
    const DecodeCase& c = cases[i];
    int len = -1;
    Decode status = decode_escaped_line(c.bytes.data(), static_cast<int>(c.bytes.size()), out, &len);
    EXPECT_EQ(status, c.status) << "case " << i;
    if (c.status == Decode::ok) {
      EXPECT_EQ(std::wstring(out, static_cast<size_t>(len)), c.text) << "case " << i;
      EXPECT_EQ(out[len], 0) << "case " << i;
    }
  }
}

TEST(Decode, EscapesInEveryCodePage) {
  const DecodeCase cases[] = {
      {"a\r\n", Decode::ok, L"a\r\n"},
      {"?00E9\r\n", Decode::ok, L"\u00E9\r\n"},
      {"?003F?003F", Decode::ok, L"??"},
      {"x?D83D?DE00y", Decode::ok, L"x\U0001F600y"},  // a surrogate pair, unit by unit
      {"?FEFF\n", Decode::ok, L"\uFEFF\n"},           // a mark inside a name stays
      {"?00e9\r\n", Decode::bad, L""},                // lower case is no digit
      {"a?00E\r\n", Decode::bad, L""},
      {"a?12", Decode::bad, L""},                      // cut short by the end
      {"a?", Decode::bad, L""},
      {"?G000", Decode::bad, L""},
      {"?0000", Decode::bad, L""},                     // would end the text early
      {"a?000Ab\r\n", Decode::bad, L""},               // would split the line: b a line of its own
      {"a?000Db\r\n", Decode::bad, L""},               // would cut the path at a
      {"?001F", Decode::bad, L""},                     // no name holds a control character
      {"?0020", Decode::ok, L" "},
      {std::string("a\0b\n", 4), Decode::bad, L""},
      {std::string(2049, 'a'), Decode::ok, std::wstring(2049, L'a')},
      {std::string(2047, 'a') + "\r\n", Decode::ok, std::wstring(2047, L'a') + L"\r\n"},
      {std::string(2048, 'a') + "\r\n", Decode::too_long, L""},
      {repeat("?0041", 2049), Decode::ok, std::wstring(2049, L'A')},
      {repeat("?0041", 2050), Decode::too_long, L""},
  };
  check_decoding(cases, std::size(cases));
}

TEST(Decode, CodePageBytes) {
  if (japanese()) {
    const DecodeCase cases[] = {
        {"\x82\xA0\r\n", Decode::ok, L"\u3042\r\n"},      // a two-byte character
        {"\x93\xFA\x96\x7B", Decode::ok, L"\u65E5\u672C"},
        {"\xB1", Decode::ok, L"\uFF71"},                  // one-byte katakana
        {"\x82\r\n", Decode::bad, L""},                    // a lead byte before the line end
        {"a\x82", Decode::bad, L""},
        {std::string("\x82\0", 2), Decode::bad, L""},
        {repeat("\x82\xA0", 2049), Decode::ok, std::wstring(2049, L'\u3042')},
        {repeat("\x82\xA0", 2050), Decode::too_long, L""},
    };
    check_decoding(cases, std::size(cases));
  } else {
    const DecodeCase cases[] = {
        {"caf\x82\r\n", Decode::ok, L"caf\u00E9\r\n"},
        {"\x82\xA0", Decode::ok, L"\u00E9\u00E1"},
        {"\xEF\xBB\xBF" "a", Decode::ok, L"\u2229\u2557\u2510a"},  // a UTF-8 mark is just three bytes
        {"\xFF\xFE", Decode::ok, L"\u00A0\u25A0"},
        {"\x82\r\n", Decode::ok, L"\u00E9\r\n"},
    };
    check_decoding(cases, std::size(cases));
  }
}

TEST(Widen, DecodesAndDropsRepeats) {
  struct Case {
    const char* what;
    std::string in;
    std::wstring out;
    std::wstring err;  // with -O
  };
  const Case cases[] = {
      {"repeats", "a\r\na\r\nb\r\n", L"a\r\nb\r\n", L"2\r\n"},
      {"only neighbours", "a\r\nb\r\na\r\n", L"a\r\nb\r\na\r\n", L"3\r\n"},
      {"exact units only", "a\r\n?0061\r\nA\r\n", L"a\r\nA\r\n", L"2\r\n"},  // ?0061 is a again
      {"line ends differ", "a\r\na\n", L"a\r\na\n", L"2\r\n"},
      {"no final line end", "a\r\nb", L"a\r\nb", L"2\r\n"},
      {"empty input", "", L"", L"0\r\n"},
      {"empty lines", "\r\n\r\n\n", L"\r\n\n", L"2\r\n"},
      {"escapes", "00000000000000000005 C:\\caf?00E9\r\n", L"00000000000000000005 C:\\caf\u00E9\r\n", L"1\r\n"},
  };
  for (const Case& c : cases) {
    auto r = test::run(L"widen", L"-o", c.in);
    EXPECT_EQ(r.exit_code, 0) << c.what;
    EXPECT_EQ(r.out, utf16le(c.out)) << c.what;
    EXPECT_EQ(from_utf16le(r.err), c.err) << c.what;
  }
}

TEST(Widen, BadLinesAreReportedAndSkipped) {
  const std::wstring name = program_name();
  std::string over = std::string(20499, 'x') + "\r\n";    // 20,501 bytes with its line end
  std::string at_limit = std::string(20498, 'x') + "\r\n";  // 20,500 bytes, but 20,500 characters
  std::string huge = std::string(70000, 'y') + "\n";         // many buffers long
  std::string in = "a\r\n" + over + "a\r\n" + at_limit + huge + "?00e9\r\n" + std::string("b\0c\r\n", 5) +
                   "?\r\nb\r\n" + std::string(30000, 'z');  // a long last line without line end
  auto r = test::run(L"widen", L"-O", in);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(from_utf16le(r.out), L"a\r\nb\r\n");
  EXPECT_EQ(from_utf16le(r.err), name + L": line 2 too long, skipped\r\n" + name +
                                     L": line 4 too long, skipped\r\n" + name + L": line 5 too long, skipped\r\n" +
                                     name + L": line 6 can't be decoded, skipped\r\n" + name +
                                     L": line 7 can't be decoded, skipped\r\n" + name +
                                     L": line 8 can't be decoded, skipped\r\n" + name +
                                     L": line 10 too long, skipped\r\n2\r\n");
}

TEST(Widen, UsageAndErrors) {
  test::TempDir dir(L"widen");
  const std::wstring name = program_name();
  std::wstring list = dir / L"list";
  ASSERT_TRUE(test::write_file(list, "x\r\nx\r\n"));
  auto r = test::run(L"widen", L"-- \"" + list + L"\"");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, utf16le(L"x\r\n"));
  std::wstring log = dir / L"log";
  r = test::run(L"widen", L"-L \"" + log + L"\" \"" + (dir / L"missing") + L"\"");
  EXPECT_EQ(r.exit_code, 1);
  std::wstring reopen = name + L": can't reopen " + (dir / L"missing") + L"\r\n";
  EXPECT_EQ(from_utf16le(r.err), reopen);
  EXPECT_EQ(from_utf16le(test::read_file(log)), reopen);
  r = test::run(L"widen", L"-t");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), name + L": bad option T\r\nfor more infomation: " + name + L" /?\r\n");
  r = test::run(L"widen", L"/?");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(from_utf16le(r.err), L"usage: " + name + L" [-L logfile] dir..\r\n");
}

}  // namespace
}  // namespace mox
