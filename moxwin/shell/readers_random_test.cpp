// Random input for the shell's readers: moxwin.ini values, LIST.TXT,
// LIST5.TXT and the program list. Whatever they hold, nothing is written past a buffer, every
// folder row is one whole line, and a saved column order is a true order.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "common/testkit.h"
#include "moxwin/shell/folder_list.h"
#include "moxwin/shell/list_encoding.h"
#include "moxwin/shell/programs.h"
#include "moxwin/shell/run.h"
#include "moxwin/results/columns.h"
#include "moxwin/shell/settings.h"

namespace mox::shell {
namespace {

using results::parse_column_order;


std::wstring random_units(test::Random& r, size_t max_length) {
  static const wchar_t kSpecial[] = L"%0123456789ABCDEFabcdefxX -+\t";
  std::wstring text;
  for (size_t n = r.below(max_length + 1); n > 0; --n) {
    size_t pick = r.below(4);
    text += pick == 0   ? static_cast<wchar_t>(1 + r.below(0xFFFE))
            : pick == 1 ? static_cast<wchar_t>(0xD800 + r.below(0x800))
                        : kSpecial[r.below(std::size(kSpecial) - 1)];
  }
  return text;
}

TEST(ShellRandom, SettingsValues) {
  static wchar_t decoded[kValueCap + 8], encoded[kStoredValueCap];
  for (unsigned long long seed : test::random_seeds(5800, 400)) {
    test::Random r(seed);
    const std::wstring stored = random_units(r, r.below(4) == 0 ? kStoredValueCap - 1 : 40);
    // A guard behind the buffer shows a write past its end.
    std::fill(std::begin(decoded), std::end(decoded), L'#');
    int n = decode_value(stored.c_str(), decoded, kValueCap);
    ASSERT_GE(n, 0) << "seed " << seed;
    ASSERT_LT(n, kValueCap) << "seed " << seed;
    EXPECT_EQ(decoded[n], 0) << "seed " << seed;
    EXPECT_EQ(decoded[kValueCap], L'#') << "seed " << seed;
    // What fits comes back as it was written.
    const std::wstring value = random_units(r, 300);
    if (encode_value(value.c_str(), encoded, kStoredValueCap)) {
      n = decode_value(encoded, decoded, kValueCap);
      EXPECT_EQ(std::wstring(decoded, static_cast<size_t>(n)), value) << "seed " << seed;
    }
    parse_integer(stored.c_str());
    int order[results::kColumnCount];
    if (parse_column_order(stored.c_str(), order)) {
      int sorted[results::kColumnCount];
      std::copy(std::begin(order), std::end(order), sorted);
      std::sort(std::begin(sorted), std::end(sorted));
      for (int i = 0; i < results::kColumnCount; ++i)
        EXPECT_EQ(sorted[i], i) << "seed " << seed << ": " << test::to_utf8(stored.substr(0, 20));
    }
  }
}

TEST(ShellRandom, FolderListRowsAreWholeLines) {
  for (unsigned long long seed : test::random_seeds(6000, 150)) {
    test::Random r(seed);
    std::wstring valid = L"\uFEFF";
    for (size_t n = r.below(20); n > 0; --n)
      valid += std::wstring(r.below(3) == 0 ? L":" : L"") + L"C:\\data\\" + std::to_wstring(r.below(100)) + L"\r\n";
    if (r.below(5) == 0) valid.clear();
    const std::string input = valid.empty() ? test::random_bytes(r, 3000) : test::mutate_list(r, test::utf16le(valid), 2);
    FolderFile file = folder_rows(decode_list_text(input, ListEncoding::kUtf16le));
    std::set<std::wstring> rows;
    for (const std::wstring& line : test::cleaned_lines(input, 2)) rows.insert(line);
    for (const FolderRow& row : file.rows) {
      EXPECT_LT(row.text.size(), static_cast<size_t>(kFolderTextCap)) << "seed " << seed;
      EXPECT_TRUE(rows.count((row.checked ? L"" : L":") + row.text))
          << "seed " << seed << ": " << test::to_utf8(row.text.substr(0, 100));
    }
    // Every line the changes left alone is a row, or a refused line.
    std::set<std::wstring> read;
    for (const FolderRow& row : file.rows) read.insert((row.checked ? L"" : L":") + row.text);
    const std::set<int> refused(file.refused_lines.begin(), file.refused_lines.end());
    test::expect_through_or_refused(
        seed, test::untouched_lines(test::utf16le(valid), input, 2),
        [&](const test::InputLine& line) { return read.count(line.text) || refused.count(line.number); }, "", 2);
  }
}

TEST(ShellRandom, AnyCountFileGivesCounts) {
  for (unsigned long long seed : test::random_seeds(6200, 200)) {
    test::Random r(seed);
    const long files = static_cast<long>(r.below(100000)), groups = static_cast<long>(r.below(1000));
    std::string valid = test::utf16le(std::to_wstring(files) + L"\r\n" + std::to_wstring(groups) + L"\r\n");
    // A third of the files as written, whose counts must come back.
    const size_t kind = r.below(3);
    std::string input = kind == 0 ? test::random_bytes(r, 2000) : kind == 1 ? valid : test::mutate_list(r, valid, 2);
    long got_files = -1, got_groups = -1;
    test::run_reader(input, [&](FILE* in, FILE*) { read_counts(in, &got_files, &got_groups); });
    if (kind == 1) {
      EXPECT_EQ(got_files, files) << "seed " << seed;
      EXPECT_EQ(got_groups, groups) << "seed " << seed;
    }
  }
}

// Program entries of any shape: every part of an entry is text of its value,
// the list is numbered from 231 without gaps, and a command line built from
// an entry never passes the limit.
TEST(ShellRandom, ProgramEntries) {
  static const wchar_t kSyntax[] = L"|<>\" %1 -0123456789\\.*";
  for (unsigned long long seed : test::random_seeds(6400, 300)) {
    test::Random r(seed);
    std::vector<std::wstring> values;
    for (size_t n = 1 + r.below(6); n > 0; --n) {
      std::wstring value = random_units(r, 12);
      for (size_t k = r.below(12); k > 0; --k)
        value.insert(r.below(value.size() + 1), 1, kSyntax[r.below(std::size(kSyntax) - 1)]);
      values.push_back(value);
    }
    std::vector<ProgramEntry> list =
        parse_program_list([&](int number) { return number < static_cast<int>(values.size()) ? values[number] : L""; });
    ASSERT_LE(list.size(), values.size()) << "seed " << seed;
    for (size_t i = 0; i < list.size(); ++i) {
      const ProgramEntry& entry = list[i];
      const std::wstring& value = values[i];
      EXPECT_EQ(entry.command_id, static_cast<int>(231 + i)) << "seed " << seed;
      EXPECT_FALSE(entry.command.empty()) << "seed " << seed;
      EXPECT_EQ(value.compare(0, entry.command.size(), entry.command), 0) << "seed " << seed;
      EXPECT_NE(value.find(entry.display), std::wstring::npos) << "seed " << seed;
      EXPECT_NE(value.find(entry.icon_source), std::wstring::npos) << "seed " << seed;
      std::vector<std::wstring> paths;
      for (size_t n = r.below(4); n > 0; --n) paths.push_back(std::wstring(r.below(3) == 0 ? 20000 : 30, L'p'));
      std::wstring line;
      if (program_command_line(entry.command, paths, &line)) {
        EXPECT_LE(line.size(), static_cast<size_t>(kProgramCommandCap)) << "seed " << seed;
        for (const std::wstring& path : paths)
          EXPECT_NE(line.find(L"\"" + path + L"\""), std::wstring::npos) << "seed " << seed;
      }
    }
  }
}

}  // namespace
}  // namespace mox::shell
