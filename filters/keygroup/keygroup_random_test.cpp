// Random input: whatever the list holds, every grouped line is one whole
// input line and every message is one of the grouper's own.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/testkit.h"
#include "keygroup.h"

namespace mox {
namespace {

TEST(KeygroupRandom, GroupsHoldOnlyWholeInputLines) {
  for (unsigned long long seed : test::random_seeds(4400, 100)) {
    test::Random r(seed);
    std::string input = r.below(5) == 0 ? test::random_bytes(r, 3000)
                                        : test::mutate_list(r, test::random_name_list(r, false), 2);
    GroupCounts counts;
    test::Captured c = test::run_reader(input, [&](FILE* in, FILE* out) { counts = keygroup_run(in, out); });
    std::vector<std::wstring> read = test::cleaned_lines(input, 2);
    const std::set<std::wstring> whole(read.begin(), read.end());
    EXPECT_EQ(test::count_carried_lines(seed, c.out, whole), counts.files) << "seed " << seed;
    test::expect_only_refusals(seed, c.err, 2);
  }
}

}  // namespace
}  // namespace mox
