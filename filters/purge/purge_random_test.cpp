// Random input: whatever the list holds, purge deletes only paths that a
// line names whole from the column on, and lists only such paths.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/frame.h"
#include "common/testkit.h"
#include "purge.h"

namespace mox {
namespace {

std::vector<std::wstring> g_removed;

// Every path is a plain file that goes when asked; odd ones refuse.
const PurgeFs kEverythingExists = {
    [](const wchar_t*) -> unsigned long { return FILE_ATTRIBUTE_ARCHIVE; },
    [](const wchar_t*) -> unsigned long { return 0; },
    [](const wchar_t* path) {
      g_removed.emplace_back(path);
      return g_removed.size() % 2 == 0;
    },
};

std::string valid_paths(test::Random& r, const std::string& before_column) {
  std::string text;
  for (size_t lines = 1 + r.below(30); lines > 0; --lines)
    text += before_column + "C:\\d\\f" + std::to_string(r.below(100)) + ".txt\n";
  return text;
}

// The paths the lines name from the column on.
std::set<std::wstring> named(const std::string& input, long column) {
  std::set<std::wstring> paths;
  for (const std::wstring& line : test::cleaned_lines(input, 1))
    if (line.size() >= static_cast<size_t>(column - 1)) paths.insert(line.substr(static_cast<size_t>(column - 1)));
  return paths;
}

TEST(PurgeRandom, DeletesAndListsOnlyWholeNamedPaths) {
  frame_start(L"", Family::byte);
  for (unsigned long long seed : test::random_seeds(4900, 100)) {
    test::Random r(seed);
    PurgeOptions options;
    options.column = 1 + static_cast<long>(r.below(4));
    options.force = r.below(2) == 0;
    const std::string valid = r.below(5) == 0 ? "" : valid_paths(r, std::string(options.column - 1, '-'));
    const std::string input = valid.empty() ? test::random_bytes(r, 3000) : test::mutate_list(r, valid, 1);
    g_removed.clear();
    test::Captured c =
        test::run_reader(input, [&](FILE* in, FILE* out) { purge_run(in, out, options, kEverythingExists); });
    const std::set<std::wstring> paths = named(input, options.column);
    for (const std::wstring& path : g_removed)
      EXPECT_TRUE(paths.count(path)) << "seed " << seed << ": deleted " << test::to_utf8(path.substr(0, 100));
    for (const std::wstring& line : test::cleaned_lines(c.out, 1))
      EXPECT_TRUE(paths.count(line)) << "seed " << seed << ": listed " << test::to_utf8(line.substr(0, 100));
    test::expect_only_refusals(seed, c.err, 1);
    // Every path a line the changes left alone names was asked to go.
    const std::set<std::wstring> removed(g_removed.begin(), g_removed.end());
    test::expect_through_or_refused(
        seed, test::untouched_lines(valid, input, 1),
        [&](const test::InputLine& line) { return removed.count(line.text.substr(options.column - 1)) > 0; }, c.err, 1);
  }
}

// The program itself on real files: names that are prefixes of one another,
// so that a cut line would name a file that is there.
TEST(PurgeRandom, TheProgramDeletesNoFileItsListDoesNotNameWhole) {
  for (unsigned long long seed : test::random_seeds(4950, 3)) {
    test::Random r(seed);
    test::TempDir dir(L"purge-random");
    std::vector<std::wstring> files;
    std::string valid;
    for (int i = 0; i < 40; ++i) {
      std::wstring name = dir / (L"f" + std::wstring(static_cast<size_t>(i), L'a'));
      ASSERT_TRUE(test::write_file(name, "x"));
      files.push_back(name);
      for (wchar_t c : name) valid += static_cast<char>(c);
      valid += "\n";
    }
    // A Ctrl+Z is no end of the input: the line before it is no line of its own.
    const std::wstring stopped = dir / L"g";
    ASSERT_TRUE(test::write_file(stopped, "x"));
    std::string input = test::to_utf8(stopped) + "\x1Ah\r\n" + test::mutate_list(r, valid, 1);
    test::RunResult run = test::run(L"purge", L"a b c", input);
    EXPECT_EQ(run.exit_code, 0) << "seed " << seed;
    EXPECT_NE(GetFileAttributesW(stopped.c_str()), INVALID_FILE_ATTRIBUTES) << "seed " << seed;
    const std::set<std::wstring> paths = named(input, 1);
    for (const std::wstring& file : files) {
      if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        EXPECT_TRUE(paths.count(file)) << "seed " << seed << ": deleted " << test::to_utf8(file);
      }
    }
    // And every file a line the changes left alone names is gone.
    test::expect_through_or_refused(
        seed, test::untouched_lines(valid, input, 1),
        [](const test::InputLine& line) { return GetFileAttributesW(line.text.c_str()) == INVALID_FILE_ATTRIBUTES; },
        run.err, 1);
  }
}

}  // namespace
}  // namespace mox
