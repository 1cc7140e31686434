#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/testkit.h"

namespace mox {
namespace {

using test::from_utf16le;

template <typename Text>
std::vector<Text> split_lines(const Text& text) {
  std::vector<Text> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == Text::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::wstring size_path_line(int size, const std::wstring& path) {
  wchar_t size20[24];
  swprintf(size20, 24, L"%020d", size);
  return std::wstring(size20) + L" " + path + L"\r\n";
}

TEST(RoundTrip, ScanSortWidenGivesTheExactPaths) {
  test::TempDir work(L"roundtrip");  // current folder of the scanner: no config.ini
  test::TempDir tree(L"roundtrip-tree");
  const std::wstring root = canonical_path(tree.path);
  ASSERT_TRUE(test::make_dir(tree / L"sub"));
  struct File {
    std::wstring name;
    int size;
  };
  const File files[] = {
      {L"caf\u00E9.txt", 3},           // not in OEM 932
      {L"\u65E5\u672C.txt", 5},        // not in OEM 437
      {L"sub\\\U0001F600.txt", 3},     // a surrogate pair: in neither
      {L"sub\\na\u00EFve \u65E5.txt", 7},
      {L"plain.txt", 5},
  };
  std::vector<std::wstring> expected;
  for (const File& f : files) {
    ASSERT_TRUE(test::write_file(tree / f.name, std::string(static_cast<size_t>(f.size), 'x')));
    expected.push_back(size_path_line(f.size, root + L"\\" + f.name));
  }

  // The tree twice over: after sorting every line stands next to its repeat.
  auto scan = test::run(L"dirscan", L"\"" + tree.path + L"\" \"" + tree.path + L"\"", "", work.path);
  ASSERT_EQ(scan.exit_code, 0);
  ASSERT_EQ(scan.err, "");
  std::vector<std::string> bytes = split_lines(scan.out);
  ASSERT_EQ(bytes.size(), 2 * std::size(files));
  EXPECT_NE(scan.out.find("?D83D?DE00"), std::string::npos);
  if (test::japanese_locale())
    EXPECT_NE(scan.out.find("caf?00E9.txt"), std::string::npos);
  else
    EXPECT_NE(scan.out.find("?65E5?672C.txt"), std::string::npos);
  std::sort(bytes.begin(), bytes.end());
  std::string sorted;
  for (const std::string& line : bytes) sorted += line;

  auto widened = test::run(L"widen", L"-o", sorted);
  EXPECT_EQ(widened.exit_code, 0);
  EXPECT_EQ(from_utf16le(widened.err), std::to_wstring(std::size(files)) + L"\r\n");
  std::vector<std::wstring> lines = split_lines(from_utf16le(widened.out));
  std::sort(lines.begin(), lines.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace mox
