// Random input for the scanner's two lists: every root read is one whole
// line of the root list, and any exclusion file loads without harm.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/lines.h"
#include "common/testkit.h"
#include "dirscan/filters.h"

namespace mox {
namespace {

std::string valid_roots(test::Random& r) {
  std::wstring text;
  for (size_t lines = 1 + r.below(20); lines > 0; --lines)
    text += std::wstring(r.below(3) == 0 ? L":" : L"") + L"C:\\data\\" + std::to_wstring(r.below(100)) +
            (r.below(2) ? L"\\\u00E9\u65E5" : L"") + L"\r\n";
  return test::utf16le(text);
}

TEST(DirscanRandom, RootListLinesAreWhole) {
  for (unsigned long long seed : test::random_seeds(5300, 150)) {
    test::Random r(seed);
    std::string input = r.below(5) == 0 ? test::random_bytes(r, 3000) : test::mutate_list(r, valid_roots(r), 2);
    std::vector<std::wstring> roots;
    test::run_reader(input, [&](FILE* in, FILE*) {
      static LineReader reader;
      line_reader_init(reader, in);
      std::wstring line;
      while (read_list_line(reader, line)) roots.push_back(line);
    });
    std::vector<std::wstring> read = test::cleaned_lines(input, 2);
    for (std::wstring& line : read)
      if (line.find(L'\0') != std::wstring::npos) line.clear();  // names nothing: reported as missing
    EXPECT_EQ(roots, read) << "seed " << seed;
  }
}

TEST(DirscanRandom, AnyExclusionFileLoads) {
  for (unsigned long long seed : test::random_seeds(5500, 150)) {
    test::Random r(seed);
    std::wstring valid = L"\\temp\\\r\n.LOG>\r\n<C:\\WINDOWS\\\r\n*.BAK\r\n\\a?c\\\r\n";
    std::string input = r.below(5) == 0 ? test::random_bytes(r, 3000) : test::mutate_list(r, test::utf16le(valid), 2);
    PatternTable table;
    test::Captured c = test::run_reader(input, [&](FILE* in, FILE*) { load_patterns(in, table); });
    EXPECT_LE(table.items.size(), test::cleaned_lines(input, 2).size()) << "seed " << seed;
    for (const ExcludePattern& p : table.items) {
      EXPECT_GT(p.length, 0) << "seed " << seed;
      EXPECT_LE(p.length, kPatternRoom) << "seed " << seed;
    }
    for (const std::wstring& m : test::cleaned_lines(c.err, 2))
      EXPECT_EQ(m.rfind(L": too long pattern, ignored: ", 0), 0u) << "seed " << seed << ": " << test::to_utf8(m);
  }
}

}  // namespace
}  // namespace mox
