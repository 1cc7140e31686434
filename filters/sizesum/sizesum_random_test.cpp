// Random input: whatever the list holds, every line passed on is one whole
// input line and the totals count exactly the lines passed on.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/testkit.h"
#include "sizesum.h"

namespace mox {
namespace {

TEST(SizesumRandom, PassesOnlyWholeInputLines) {
  for (unsigned long long seed : test::random_seeds(4300, 120)) {
    test::Random r(seed);
    std::string input = r.below(5) == 0 ? test::random_bytes(r, 3000)
                                        : test::mutate_list(r, test::random_size_path_list(r), 2);
    SizeTotals totals;
    test::Captured c = test::run_reader(input, [&](FILE* in, FILE* out) { totals = sizesum_run(in, out); });
    std::vector<std::wstring> read = test::cleaned_lines(input, 2);
    const std::set<std::wstring> whole(read.begin(), read.end());
    int lines = 0;
    for (const std::wstring& line : test::cleaned_lines(c.out, 2)) {
      ++lines;
      EXPECT_TRUE(whole.count(line)) << "seed " << seed << ": " << test::to_utf8(line.substr(0, 100));
    }
    EXPECT_EQ(lines, totals.lines) << "seed " << seed;
    test::expect_only_refusals(seed, c.err, 2);
  }
}

}  // namespace
}  // namespace mox
