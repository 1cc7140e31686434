// Random input: whatever the list holds, every dated line carries the text
// behind the first '|' of one whole input line.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/testkit.h"
#include "unkey.h"

namespace mox {
namespace {

TEST(UnkeyRandom, DatedLinesCarryWholeInputLines) {
  for (unsigned long long seed : test::random_seeds(4500, 100)) {
    test::Random r(seed);
    const std::string valid = r.below(5) == 0 ? "" : test::random_name_list(r, true);
    const std::string input = valid.empty() ? test::random_bytes(r, 3000) : test::mutate_list(r, valid, 2);
    test::Captured c = test::run_reader(input, [](FILE* in, FILE* out) { unkey_run(in, out); });
    std::set<std::wstring> fields;
    for (const std::wstring& line : test::cleaned_lines(input, 2)) {
      size_t bar = line.find(L'|');
      if (bar != std::wstring::npos) fields.insert(line.substr(bar + 1));
    }
    EXPECT_EQ(c.out.substr(0, 2), "\xFF\xFE") << "seed " << seed;
    test::count_carried_lines(seed, c.out, fields, 20);
    test::expect_only_refusals(seed, c.err, 2);
    // And every line the changes left alone comes through.
    std::set<std::wstring> carried;
    for (const std::wstring& line : test::cleaned_lines(c.out, 2))
      if (line.size() > 20) carried.insert(line.substr(20));
    test::expect_through_or_refused(
        seed, test::untouched_lines(valid, input, 2),
        [&](const test::InputLine& line) {
          return line.text.empty() || carried.count(line.text.substr(line.text.find(L'|') + 1));
        },
        c.err, 2);
  }
}

}  // namespace
}  // namespace mox
