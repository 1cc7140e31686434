// The plain pieces of the shell: message formats, the system's texts,
// numbers, the launch rule, the run's files and the resize rule.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "common/testkit.h"
#include "moxwin/resource.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/layout.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/numbers.h"
#include "moxwin/shell/run.h"

namespace mox::shell {
namespace {

TEST(ShellParts, MessageFormats) {
  EXPECT_EQ(c99_format(L"%s: %s (%d) %I64d %5s %% %ls"), L"%ls: %ls (%d) %lld %5ls %% %ls");
  EXPECT_EQ(format_text(64, L"%s 個 %d / %I64d", L"フ", -3, 9223372036854775807LL), L"フ 個 -3 / 9223372036854775807");
  // A text longer than the cap is cut, never overrun.
  EXPECT_EQ(format_text(5, L"%s", L"abcdefgh"), L"abcd");
}

TEST(ShellParts, SystemMessageTextLosesItsLineEnds) {
  std::wstring text = system_message_text(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos);
  EXPECT_NE(text.back(), L' ');
}

TEST(ShellParts, GroupedNumbers) {
  prepare_number_format();
  // Both test locales group by three with a comma.
  EXPECT_EQ(grouped(1234567), L"1,234,567");
  EXPECT_EQ(grouped(0), L"0");
  EXPECT_EQ(grouped(999), L"999");
  EXPECT_EQ(grouped(-1234), L"-1,234");
  EXPECT_EQ(grouped(9223372036854775807LL), L"9,223,372,036,854,775,807");
}

TEST(ShellParts, LocalTimeOfAFileTime) {
  SYSTEMTIME local;
  EXPECT_FALSE(local_time(-1, &local));
  // The tests' zone is UTC+9 without daylight saving.
  struct Case {
    SYSTEMTIME utc;
    WORD year, month, day, hour, minute, second;
  };
  const Case cases[] = {
      {{2024, 2, 0, 29, 15, 30, 5, 0}, 2024, 3, 1, 0, 30, 5},  // past midnight: the next day
      {{2023, 12, 0, 31, 20, 0, 0, 0}, 2024, 1, 1, 5, 0, 0},   // and the next year
      {{2024, 7, 0, 1, 3, 4, 5, 0}, 2024, 7, 1, 12, 4, 5},
  };
  for (const Case& c : cases) {
    FILETIME file;
    ASSERT_TRUE(SystemTimeToFileTime(&c.utc, &file));
    int64_t time = static_cast<int64_t>((static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime);
    ASSERT_TRUE(local_time(time, &local));
    EXPECT_EQ(std::vector<WORD>({local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond}),
              std::vector<WORD>({c.year, c.month, c.day, c.hour, c.minute, c.second}));
  }
}

TEST(ShellParts, LaunchRule) {
  struct Case {
    const wchar_t* line;
    bool interpreter;
  };
  const Case cases[] = {
      {L"mox.bat /v", true},      {L"LAST.BAT", true},         {L"X.BAT a b", true},  {L"C:\\s\\a.BaT", true},
      {L"x.bat.cmd", false},      {L"view dlist.txt", false},  {L"tabfeed", false},   {L"run x.bat", false},
      {L"a.batch", false},        {L".BAT", true},             {L"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(uses_interpreter(c.line), c.interpreter) << test::to_utf8(c.line);
  std::wstring command;
  ASSERT_TRUE(build_command(L"mox.bat /v", L"C:\\windows\\system32\\cmd.exe", &command));
  EXPECT_EQ(command, L"\"C:\\windows\\system32\\cmd.exe\" /c mox.bat /v");
  ASSERT_TRUE(build_command(L"view dlist.txt", L"cmd", &command));
  EXPECT_EQ(command, L"view dlist.txt");
  EXPECT_FALSE(build_command((L"a.bat " + std::wstring(kCommandCap, L'x')).c_str(), L"cmd", &command));
}

TEST(ShellParts, RunFiles) {
  EXPECT_EQ(exclusion_file_bytes(L""), test::utf16le(L"\uFEFF\r\n"));
  EXPECT_EQ(exclusion_file_bytes(L".log>|フ|"), test::utf16le(L"\uFEFF.log>\r\nフ\r\n\r\n"));
  struct Size {
    const wchar_t* text;
    int64_t minimum, maximum;
  };
  const Size sizes[] = {
      {L"", 0, INT64_MAX},
      {L"2,147,483,647", 2147483647, 2147483647},
      {L"1k", 1024, 1024},
      {L"abc", 0, INT64_MAX},
      {L"9223372036854775807", INT64_MAX, INT64_MAX},
      {L"8388608T", 0, INT64_MAX},
  };
  for (const Size& s : sizes) {
    EXPECT_EQ(minimum_size(s.text), s.minimum) << test::to_utf8(s.text);
    EXPECT_EQ(maximum_size(s.text), s.maximum) << test::to_utf8(s.text);
  }
  test::TempDir dir(L"counts");
  struct Counts {
    std::wstring text;
    long files, groups;
  };
  const Counts counts[] = {{L"12\r\n3\r\n", 12, 3}, {L"\uFEFF 7x\r\n", 7, 0}, {L"", 0, 0}, {L"-2\r\n+5", -2, 5}};
  for (const Counts& c : counts) {
    test::write_file(dir / L"LIST5.TXT", test::utf16le(c.text));
    FILE* file = _wfopen((dir / L"LIST5.TXT").c_str(), L"rb");
    long files = -1, groups = -1;
    read_counts(file, &files, &groups);
    std::fclose(file);
    EXPECT_EQ(files, c.files);
    EXPECT_EQ(groups, c.groups);
  }
}

TEST(ShellParts, ResizeRule) {
  Layout layout;
  layout.folders.right_margin = 0;
  layout.status.right_margin = 4;
  layout.results.right_margin = 2;
  layout.results_allowance = 300;
  Resize r = resize_for(layout, 800, 700);
  EXPECT_TRUE(r.move_top);
  EXPECT_EQ(r.folder_width, 800);
  EXPECT_EQ(r.status_width, 796);
  EXPECT_TRUE(r.move_results);
  EXPECT_EQ(r.results_width, 798);
  EXPECT_EQ(r.results_height, 400);
  EXPECT_FALSE(resize_for(layout, 800, 300).move_results);
  EXPECT_FALSE(resize_for(layout, 0, 700).move_top);
  EXPECT_FALSE(resize_for(layout, 0, 700).move_results);
}

TEST(ShellParts, TextsLoadOnce) {
  load_texts(GetModuleHandleW(nullptr));
  EXPECT_STREQ(text(IDS_TITLE), L"moxwin");
  EXPECT_STREQ(text(IDS_EXCLUDE_PRESET), L".log>|.bak>|.tmp>");
  EXPECT_STREQ(text(1000), L"");
  const wchar_t* types = save_types();
  EXPECT_STREQ(types, L"CSV (カンマ区切り) (*.csv)");
  types += wcslen(types) + 1;
  EXPECT_STREQ(types, L"*.csv");
  for (int i = 0; i < 4; ++i) types += wcslen(types) + 1;
  EXPECT_STREQ(types, L"*.*");
  EXPECT_EQ(types[wcslen(types) + 1], 0);
}

}  // namespace
}  // namespace mox::shell
