// Random input: whatever the list holds, a line the report echoes, or the
// text listed behind a d mark, comes from one whole input line.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/frame.h"
#include "common/testkit.h"
#include "markcheck.h"

namespace mox {
namespace {

// Dated list lines with a mark at column 42, groups between empty lines.
std::string valid_marked(test::Random& r) {
  std::string text;
  for (size_t lines = 1 + r.below(30); lines > 0; --lines) {
    if (r.below(4) == 0) text += "\n";
    text += "2024-01-01 08:00:01 00000000000000000005 ";
    text += "/-x"[r.below(3)];
    text += "C:\\d\\f" + std::to_string(r.below(100)) + ".txt\n";
  }
  return text;
}

TEST(MarkcheckRandom, EchoesAndListsOnlyWholeLines) {
  g_frame.family = Family::byte;
  for (unsigned long long seed : test::random_seeds(4800, 100)) {
    test::Random r(seed);
    std::string input = r.below(5) == 0 ? test::random_bytes(r, 3000) : test::mutate_list(r, valid_marked(r), 1);
    MarkOptions options;
    options.list_mode = r.below(2) == 0;
    if (r.below(3) == 0) options.column = 1 + static_cast<long>(r.below(60));
    test::Captured c =
        test::run_reader(input, [&](FILE* in, FILE* out) { markcheck_run(in, out, options); });
    std::set<std::wstring> whole, behind_mark;
    for (const std::wstring& line : test::cleaned_lines(input, 1)) {
      whole.insert(line);
      if (line.size() >= static_cast<size_t>(options.column)) behind_mark.insert(line.substr(options.column));
    }
    for (const std::wstring& line : test::cleaned_lines(c.out, 1)) {
      if (options.list_mode) {
        EXPECT_TRUE(behind_mark.count(line)) << "seed " << seed << ": " << test::to_utf8(line.substr(0, 100));
        continue;
      }
      size_t colon = line.find(L": ");
      bool echo = colon != std::wstring::npos && line.size() >= colon + 4 && line[colon + 3] == L' ' &&
                  std::wstring(L"ESN").find(line[colon + 2]) != std::wstring::npos;
      if (echo) {
        EXPECT_TRUE(whole.count(line.substr(colon + 4))) << "seed " << seed << ": " << test::to_utf8(line.substr(0, 100));
      }
    }
    test::expect_only_refusals(seed, c.err, 1);
  }
}

}  // namespace
}  // namespace mox
