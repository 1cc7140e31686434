// Random input: whatever the .dat list holds, every dated line carries from
// character 42 on the path field of one whole input line, and the counts
// count exactly the lines written.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/testkit.h"
#include "tabfeed.h"

namespace mox {
namespace {

std::string valid_dat(test::Random& r) {
  std::string text;
  for (size_t lines = 1 + r.below(30); lines > 0; --lines) {
    if (r.below(4) == 0) text += "\r\n";
    text += "C:\\d\\sub" + std::to_string(r.below(5)) + "\\f" + std::to_string(r.below(100)) + ".txt\t2024/0" +
            std::to_string(1 + r.below(9)) + "/01 08:00:01\t" + std::to_string(r.below(100000)) + "\r\n";
  }
  return text;
}

// The path field as the OEM code page reads it, or nothing when it is no text there.
bool oem_path(const std::wstring& line, std::wstring* path) {
  std::string bytes;
  for (wchar_t c : line.substr(0, line.find(L'\t'))) bytes += static_cast<char>(c);
  if (bytes.empty()) return false;
  wchar_t wide[kTabLineCap];
  int n = MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), wide,
                              kTabLineCap);
  if (n <= 0) return false;
  path->assign(wide, static_cast<size_t>(n));
  return true;
}

TEST(TabfeedRandom, DatedLinesCarryWholePathFields) {
  for (unsigned long long seed : test::random_seeds(4700, 100)) {
    test::Random r(seed);
    std::string input = r.below(5) == 0 ? test::random_bytes(r, 3000) : test::mutate_list(r, valid_dat(r), 1);
    TabCounts counts;
    bool written = false;
    test::Captured c = test::run_reader(input, [&](FILE* in, FILE* out) { written = tabfeed_run(in, out, counts); });
    EXPECT_TRUE(written) << "seed " << seed;
    std::set<std::wstring> paths;
    for (const std::wstring& line : test::cleaned_lines(input, 1)) {
      std::wstring path;
      if (oem_path(line, &path)) paths.insert(path);
    }
    EXPECT_EQ(test::count_carried_lines(seed, c.out, paths, 41), counts.files) << "seed " << seed;
    test::expect_only_refusals(seed, c.err, 2);
  }
}

}  // namespace
}  // namespace mox
