// The user's program list (settings section "program", keys program0 to
// program99) and the command line of a program for the selected files.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace mox::shell {

constexpr int kProgramKeys = 100;
constexpr int kProgramCommandCap = 32768;  // characters of a program's command line

struct ProgramEntry {
  int command_id = 0;
  std::wstring command;      // the template, "%1" or "\"%1\"" marking where paths go
  std::wstring display;      // the submenu's text
  std::wstring icon_source;  // the text whose program token names the icon's file
  int icon_index = 0;
};

// The program token of a text: between a leading double quote and the next
// one (or the end), else up to the first blank.
std::wstring program_token(const std::wstring& text);

// One key's value: COMMAND, then "|" DISPLAY or "<" INDEX ">" [ICONFILE]
// ["|" DISPLAY]. False when the value ends the list here (an empty command,
// or no ">" after the index).
bool parse_program_entry(const std::wstring& value, ProgramEntry* entry);

// The entries of keys 0, 1, 2 ... up to the first missing, empty or ending
// value; `value_of(number)` reads key "program<number>".
std::vector<ProgramEntry> parse_program_list(const std::function<std::wstring(int number)>& value_of);

// The command line for the paths: the template up to its first "\"%1\""
// (else its first "%1", else the whole template and a blank), then the paths
// in double quotes, one blank between. False, and nothing, when the length
// count exceeds kProgramCommandCap.
bool program_command_line(const std::wstring& command, const std::vector<std::wstring>& paths, std::wstring* line);

}  // namespace mox::shell
