// Random input for the result list's readers: every row loaded from a
// duplicate list holds the path of one whole line, and any sort0 text gives
// key rows the sort can use.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/testkit.h"
#include "moxwin/results/model.h"
#include "moxwin/results/sorting.h"

namespace mox::results {
namespace {

// Every path is a file of 100 bytes with no identity.
struct AnyFile : FileFacts {
  int status(const wchar_t*, shell::FileStatus* status) override {
    *status = shell::FileStatus{};
    status->size = 100;
    status->write_time = 5;
    return 0;
  }
  bool identity(const wchar_t*, FileIdentity*) override { return false; }
};

// Dated list lines, groups ended by empty lines.
std::string valid_dlist(test::Random& r) {
  std::wstring text;
  std::string sizes = test::random_size_path_list(r);
  for (const std::wstring& line : test::cleaned_lines(sizes, 2)) {
    if (r.below(4) == 0) text += L"\r\n";
    text += L"2024-01-02 03:04:05 " + line.substr(0, 20) + L" " + line.substr(21) + L"\r\n";
  }
  return test::utf16le(text + L"\r\n");
}

// The number of the line at which the loader stops: the first without a CR
// before its LF, or one that starts with U+0000 (one past the last line when
// there is none).
int list_end(const std::string& input) {
  const std::wstring text = test::from_utf16le(input);
  int number = 1;
  for (size_t at = 0; at < text.size(); ++number) {
    size_t lf = text.find(L'\n', at);
    const std::wstring line = text.substr(at, lf == std::wstring::npos ? std::wstring::npos : lf - at);
    if (line.find(L'\r') == std::wstring::npos || line[0] == 0) return number;
    at = lf == std::wstring::npos ? text.size() : lf + 1;
  }
  return number;
}

TEST(ResultsRandom, RowsHoldWholeListedPaths) {
  for (unsigned long long seed : test::random_seeds(5600, 100)) {
    test::Random r(seed);
    const std::string valid = r.below(5) == 0 ? "" : valid_dlist(r);
    const std::string input = valid.empty() ? test::random_bytes(r, 3000) : test::mutate_list(r, valid, 2);
    std::set<std::wstring> paths;
    for (const std::wstring& line : test::cleaned_lines(input, 2))
      if (line.size() > static_cast<size_t>(kPathOffset)) paths.insert(line.substr(kPathOffset));
    Model model;
    AnyFile facts;
    const int capacity = 1 + static_cast<int>(r.below(60));
    test::run_reader(input, [&](FILE* in, FILE*) { load_rows(model, in, capacity, facts); });
    EXPECT_LE(model.count(), capacity) << "seed " << seed;
    std::set<std::wstring> loaded;
    for (const Row& row : model.rows) {
      EXPECT_TRUE(paths.count(row.path)) << "seed " << seed << ": " << test::to_utf8(std::wstring(row.path).substr(0, 100));
      loaded.insert(row.path);
    }
    // Until the rows are full or the list ends, every line the changes left
    // alone is a row.
    const int end = list_end(input);
    test::expect_through_or_refused(
        seed, test::untouched_lines(valid, input, 2),
        [&](const test::InputLine& line) {
          return line.text.empty() || line.number >= end || model.count() == capacity ||
                 loaded.count(line.text.substr(kPathOffset));
        },
        "", 2);
    release(model);
  }
}

TEST(ResultsRandom, AnySortTextGivesUsableKeys) {
  for (unsigned long long seed : test::random_seeds(5700, 300)) {
    test::Random r(seed);
    std::string bytes = test::random_bytes(r, 40);
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      text += static_cast<wchar_t>(r.below(3) == 0 ? L'A' + r.below(14) : static_cast<unsigned char>(bytes[i]));
    SortSettings settings;
    parse_sort_keys(text.c_str(), settings);
    SortKey keys[kKeyRows];
    int n = chosen_keys(settings, keys);
    EXPECT_GE(n, 0) << "seed " << seed;
    EXPECT_LE(n, kKeyRows) << "seed " << seed;
    for (int i = 0; i < kKeyRows; ++i) {
      EXPECT_GE(settings.key[i], 0) << "seed " << seed;
      EXPECT_LT(settings.key[i], kKeyCount) << "seed " << seed;
      EXPECT_TRUE(settings.direction[i] == kAscending || settings.direction[i] == kDescending) << "seed " << seed;
    }
    // And the sort takes them: every row stays, once.
    Model model;
    AnyFile facts;
    std::string list = valid_dlist(r);
    test::run_reader(list, [&](FILE* in, FILE*) { load_rows(model, in, 100, facts); });
    multi_key_sort(model, keys, n, model.order.data(), model.order.data() + model.count());
    std::set<int> rows(model.order.begin(), model.order.end());
    EXPECT_EQ(rows.size(), static_cast<size_t>(model.count())) << "seed " << seed;
    release(model);
  }
}

}  // namespace
}  // namespace mox::results
