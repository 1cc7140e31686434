// Random input: whatever the list holds, every candidate the grouper hands
// on is the path of one whole input line, and any count file gives a total.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/testkit.h"
#include "dupcheck/grouping.h"
#include "dupcheck/settings.h"

namespace mox {
namespace {

struct Candidates {
  std::vector<std::wstring> paths;
};

bool take_run(void* ctx, EntryList& list, uint64_t, long) {
  for (int i = 0; i < list.count; ++i) static_cast<Candidates*>(ctx)->paths.emplace_back(list.items[i].path);
  return true;
}

TEST(DupcheckRandom, CandidatesAreWholeInputPaths) {
  static wchar_t line[kLineCap];
  for (unsigned long long seed : test::random_seeds(5000, 120)) {
    test::Random r(seed);
    const std::string valid = r.below(5) == 0 ? "" : test::random_size_path_list(r);
    const std::string input = valid.empty() ? test::random_bytes(r, 3000) : test::mutate_list(r, valid, 2);
    Candidates found;
    test::Captured c = test::run_reader(input, [&](FILE* in, FILE*) {
      static LineReader reader;
      line_reader_init(reader, in);
      static Grouper g;
      g = Grouper{};
      RunHandler handler{take_run, &found};
      bool too_long = false;
      while (read_list_line(reader, line, &too_long)) grouper_line(g, line, too_long, handler);
      grouper_finish(g, handler);
    });
    std::set<std::wstring> paths;
    for (const std::wstring& l : test::cleaned_lines(input, 2))
      if (l.size() > 21) paths.insert(l.substr(21));
    for (const std::wstring& path : found.paths)
      EXPECT_TRUE(paths.count(path)) << "seed " << seed << ": " << test::to_utf8(path.substr(0, 100));
    test::expect_only_refusals(seed, c.err, 2);
    // Two lines the changes left alone, next to each other with one size,
    // are candidates both.
    const std::vector<test::InputLine> untouched = test::untouched_lines(valid, input, 2);
    std::map<int, std::wstring> sizes;
    for (const test::InputLine& line : untouched) sizes[line.number] = line.text.substr(0, 20);
    const std::set<std::wstring> candidates(found.paths.begin(), found.paths.end());
    test::expect_through_or_refused(
        seed, untouched,
        [&](const test::InputLine& line) {
          auto before = sizes.find(line.number - 1), after = sizes.find(line.number + 1);
          const bool paired = (before != sizes.end() && before->second == sizes[line.number]) ||
                              (after != sizes.end() && after->second == sizes[line.number]);
          return !paired || candidates.count(line.text.substr(21));
        },
        c.err, 2);
  }
}

TEST(DupcheckRandom, AnyCountFileGivesATotal) {
  test::TempDir dir(L"dupcheck-random");
  const std::wstring name = dir / L"LIST5.TXT";
  for (unsigned long long seed : test::random_seeds(5200, 200)) {
    test::Random r(seed);
    const long long total = static_cast<long long>(r.below(1000000));
    std::string valid = test::utf16le(L"12\r\n" + std::to_wstring(total) + L"\r\n");
    // A third of the files as written, whose total must come back.
    const size_t kind = r.below(3);
    std::string bytes = kind == 0 ? test::random_bytes(r, 2000) : kind == 1 ? valid : test::mutate_list(r, valid, 2);
    ASSERT_TRUE(test::write_file(name, bytes));
    int64_t read = read_count_total(name.c_str());  // no crash, no overrun, whatever the bytes
    if (kind == 1) {
      EXPECT_EQ(read, total) << "seed " << seed;
    }
  }
}

}  // namespace
}  // namespace mox
