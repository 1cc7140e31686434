#include "common/byte_lines.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/testkit.h"

namespace mox {
namespace {

// What the reader hands out, one entry per call: the text, or a code.
std::vector<std::string> whole_lines(const std::string& bytes, int cap) {
  test::TempDir dir(L"wholeline");
  test::write_file(dir / L"in", bytes);
  FILE* f = _wfopen((dir / L"in").c_str(), L"rb");
  auto reader = std::make_unique<LineReader>();
  line_reader_init(*reader, f);
  std::vector<std::string> got;
  std::vector<char> buf(static_cast<size_t>(cap));
  for (int n; (n = read_whole_byte_line(*reader, buf.data(), cap)) != -1;)
    got.push_back(n == kLineTooLong ? "<long>" : std::string(buf.data(), static_cast<size_t>(n)));
  fclose(f);
  return got;
}

TEST(WholeByteLine, NeverHandsOutPartOfALine) {
  const std::string far(600, 'y');  // longer than the reader's scratch piece
  struct Case {
    std::string in;
    std::vector<std::string> out;
  };
  const Case cases[] = {
      {"1234567\nabc\n", {"1234567", "abc"}},  // exactly cap - 1 before the LF
      {"1234567", {"1234567"}},                // exactly cap - 1 at the end
      {"12345678\nabc\n", {"<long>", "abc"}},  // one more: refused whole
      {"12345678", {"<long>"}},
      {far + "\nx", {"<long>", "x"}},
      {"\n\nab", {"", "", "ab"}},
      {"a\r\n", {"a"}},  // the CR of a CR LF belongs to the line end
      {"1234567\r\nabc\r\n", {"1234567", "abc"}},
      {"123456\r\n", {"123456"}},  // the CR fills the buffer, its LF comes next
      {"a\rb\r\r\n", {"a\rb\r"}},  // other CRs stay
      {"ab\x1A" "cd\n", {"ab\x1A" "cd"}},  // a Ctrl+Z ends nothing
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(whole_lines(c.in, 8), c.out) << c.in.substr(0, 20);
}

TEST(WholeByteLine, ByteFamilyLinesAreOneCharacterPerByte) {
  test::TempDir dir(L"bytefamily");
  std::string in = std::string("caf\xe9\xff\n") + std::string("a\0b\n", 4) + std::string(2999, 'm') + "\n" +
                   std::string(3000, 'n') + "\nend";
  test::write_file(dir / L"in", in);
  FILE* f = _wfopen((dir / L"in").c_str(), L"rb");
  auto reader = std::make_unique<LineReader>();
  line_reader_init(*reader, f);
  static wchar_t line[kByteLineCap];
  EXPECT_EQ(read_byte_family_line(*reader, line), 5);
  EXPECT_STREQ(line, L"caf\u00e9\u00ff");
  EXPECT_EQ(read_byte_family_line(*reader, line), kLineHasNul);
  EXPECT_EQ(read_byte_family_line(*reader, line), 2999);
  EXPECT_EQ(std::wstring(line), std::wstring(2999, L'm'));
  EXPECT_EQ(read_byte_family_line(*reader, line), kLineTooLong);
  EXPECT_EQ(read_byte_family_line(*reader, line), 3);
  EXPECT_STREQ(line, L"end");
  EXPECT_EQ(read_byte_family_line(*reader, line), -1);
  fclose(f);
}

}  // namespace
}  // namespace mox
