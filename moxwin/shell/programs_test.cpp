// The user's program list and the command lines built from its templates.
#include "moxwin/shell/programs.h"

#include <gtest/gtest.h>

#include <map>

#include "moxwin/resource.h"

namespace mox::shell {
namespace {

std::vector<ProgramEntry> list_of(const std::map<int, std::wstring>& keys) {
  return parse_program_list([&](int number) {
    auto it = keys.find(number);
    return it == keys.end() ? std::wstring() : it->second;
  });
}

TEST(ProgramList, Entries) {
  struct Case {
    const wchar_t* value;
    bool listed;
    const wchar_t* command;
    const wchar_t* display;
    const wchar_t* icon_source;
    int icon_index;
  };
  const Case cases[] = {
      {L"C:\\Tools\\edit.exe|Editor", true, L"C:\\Tools\\edit.exe", L"Editor", L"C:\\Tools\\edit.exe", 0},
      {L"\"C:\\Program Files\\Paint\\paint.exe\" /n<2>", true, L"\"C:\\Program Files\\Paint\\paint.exe\" /n",
       L"paint.exe", L"\"C:\\Program Files\\Paint\\paint.exe\" /n", 2},
      {L"notepad.exe %1< -1>*.txt|Text", true, L"notepad.exe %1", L"Text", L"*.txt", -1},
      {L"C:\\a\\b.exe \"%1\" /x", true, L"C:\\a\\b.exe \"%1\" /x", L"b.exe", L"C:\\a\\b.exe \"%1\" /x", 0},
      {L"C:\\a\\b.exe<3>C:\\icons.dll", true, L"C:\\a\\b.exe", L"b.exe", L"C:\\icons.dll", 3},
      {L"C:\\a\\b.exe<3", false, L"", L"", L"", 0},    // no ">" after the index
      {L"C:\\a\\b.exe<x>", false, L"", L"", L"", 0},   // no number: the character after it is not ">"
      {L"|Name only", false, L"", L"", L"", 0},        // an empty command
      {L"", false, L"", L"", L"", 0},
  };
  for (const Case& c : cases) {
    ProgramEntry entry;
    ASSERT_EQ(parse_program_entry(c.value, &entry), c.listed) << c.value;
    if (!c.listed) continue;
    EXPECT_EQ(entry.command, c.command) << c.value;
    EXPECT_EQ(entry.display, c.display) << c.value;
    EXPECT_EQ(entry.icon_source, c.icon_source) << c.value;
    EXPECT_EQ(entry.icon_index, c.icon_index) << c.value;
  }
  EXPECT_EQ(program_token(L"\"C:\\Program Files\\x.exe\" /a"), L"C:\\Program Files\\x.exe");
  EXPECT_EQ(program_token(L"\"unclosed quote"), L"unclosed quote");
  EXPECT_EQ(program_token(L"x.exe /a"), L"x.exe");
}

TEST(ProgramList, EndsAtFirstMissingOrEndingKey) {
  std::vector<ProgramEntry> list = list_of({{0, L"a.exe"}, {1, L"b.exe|B"}, {3, L"d.exe"}});
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].command_id, IDM_PROGRAM_FIRST);
  EXPECT_EQ(list[1].command_id, IDM_PROGRAM_FIRST + 1);
  EXPECT_EQ(list[1].display, L"B");
  EXPECT_TRUE(list_of({{0, L"a.exe<1"}, {1, L"b.exe"}}).empty());
  std::map<int, std::wstring> all;
  for (int i = 0; i < 120; ++i) all[i] = L"p.exe";
  std::vector<ProgramEntry> full = list_of(all);
  ASSERT_EQ(full.size(), 100u);  // program0 to program99
  EXPECT_EQ(full.back().command_id, IDM_PROGRAM_LAST);
}

TEST(ProgramList, CommandLines) {
  struct Case {
    const wchar_t* command;
    const wchar_t* line;
  };
  const std::vector<std::wstring> paths = {L"C:\\a b\\x.txt", L"C:\\y.txt"};
  const Case cases[] = {
      {L"edit.exe \"%1\" /after", L"edit.exe \"C:\\a b\\x.txt\" \"C:\\y.txt\""},  // text after the marker is dropped
      {L"edit.exe %1 /after", L"edit.exe \"C:\\a b\\x.txt\" \"C:\\y.txt\""},
      {L"edit.exe /n", L"edit.exe /n \"C:\\a b\\x.txt\" \"C:\\y.txt\""},
  };
  for (const Case& c : cases) {
    std::wstring line;
    ASSERT_TRUE(program_command_line(c.command, paths, &line)) << c.command;
    EXPECT_EQ(line, c.line) << c.command;
  }
}

TEST(ProgramList, LengthRule) {
  // "e %1": the count starts at 2; one path adds its length and 2.
  std::wstring line = L"unchanged";
  std::vector<std::wstring> paths = {std::wstring(kProgramCommandCap - 4, L'p')};
  ASSERT_TRUE(program_command_line(L"e %1", paths, &line));
  EXPECT_EQ(line.size(), static_cast<size_t>(kProgramCommandCap - 4 + 4));
  paths[0] += L'p';
  line = L"unchanged";
  EXPECT_FALSE(program_command_line(L"e %1", paths, &line));
  EXPECT_EQ(line, L"unchanged");
  // Without a marker: the template, a blank, and a blank between paths.
  EXPECT_TRUE(program_command_line(L"e", {std::wstring(kProgramCommandCap - 8, L'p'), L"q"}, &line));
  EXPECT_FALSE(program_command_line(L"e", {std::wstring(kProgramCommandCap - 7, L'p'), L"q"}, &line));
}

}  // namespace
}  // namespace mox::shell
