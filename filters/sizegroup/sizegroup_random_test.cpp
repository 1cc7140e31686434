// Random input: whatever the list holds, every dated line carries one whole
// input line and every message is one of the grouper's own.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/testkit.h"
#include "sizegroup.h"

namespace mox {
namespace {

TEST(SizegroupRandom, DatedLinesCarryWholeInputLines) {
  for (unsigned long long seed : test::random_seeds(4200, 120)) {
    test::Random r(seed);
    std::string input = r.below(5) == 0 ? test::random_bytes(r, 3000)
                                        : test::mutate_list(r, test::random_size_path_list(r), 2);
    GroupCounts counts;
    test::Captured c = test::run_reader(input, [&](FILE* in, FILE* out) { counts = sizegroup_run(in, out); });
    std::vector<std::wstring> read = test::cleaned_lines(input, 2);
    const std::set<std::wstring> whole(read.begin(), read.end());
    int files = 0;
    for (const std::wstring& line : test::cleaned_lines(c.out, 2)) {
      if (line.empty()) continue;
      ++files;
      ASSERT_GT(line.size(), 20u) << "seed " << seed;
      EXPECT_EQ(line[19], L' ') << "seed " << seed;
      EXPECT_TRUE(whole.count(line.substr(20))) << "seed " << seed << ": " << test::to_utf8(line.substr(0, 100));
    }
    EXPECT_EQ(files, counts.files) << "seed " << seed;
    for (const std::wstring& m : test::cleaned_lines(c.err, 2))
      EXPECT_TRUE(m.rfind(L": line ", 0) == 0 && m.find(L" skipped") != std::wstring::npos)
          << "seed " << seed << ": " << test::to_utf8(m);
  }
}

}  // namespace
}  // namespace mox
