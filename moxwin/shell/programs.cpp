#include "moxwin/shell/programs.h"

#include <cwchar>

#include "common/paths.h"
#include "moxwin/resource.h"

namespace mox::shell {

std::wstring program_token(const std::wstring& text) {
  if (!text.empty() && text[0] == L'"') {
    size_t close = text.find(L'"', 1);
    return text.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
  }
  return text.substr(0, text.find(L' '));
}

bool parse_program_entry(const std::wstring& value, ProgramEntry* entry) {
  size_t end = value.find_first_of(L"|<");
  entry->command = value.substr(0, end);
  if (entry->command.empty()) return false;
  entry->icon_source = entry->command;
  entry->icon_index = 0;
  size_t bar = end;
  if (end != std::wstring::npos && value[end] == L'<') {
    const wchar_t* number = value.c_str() + end + 1;
    wchar_t* after = nullptr;
    entry->icon_index = static_cast<int>(std::wcstol(number, &after, 10));
    if (*after != L'>') return false;
    size_t icon_file = static_cast<size_t>(after + 1 - value.c_str());
    bar = value.find(L'|', icon_file);
    std::wstring file = value.substr(icon_file, bar == std::wstring::npos ? std::wstring::npos : bar - icon_file);
    if (!file.empty()) entry->icon_source = file;
  }
  if (bar != std::wstring::npos) {
    entry->display = value.substr(bar + 1);
  } else {
    std::wstring token = program_token(entry->command);
    entry->display = token.substr(file_name_offset(token));
  }
  return true;
}

std::vector<ProgramEntry> parse_program_list(const std::function<std::wstring(int number)>& value_of) {
  std::vector<ProgramEntry> list;
  for (int number = 0; number < kProgramKeys; ++number) {
    ProgramEntry entry;
    if (!parse_program_entry(value_of(number), &entry)) break;
    entry.command_id = IDM_PROGRAM_FIRST + number;
    list.push_back(std::move(entry));
  }
  return list;
}

bool program_command_line(const std::wstring& command, const std::vector<std::wstring>& paths, std::wstring* line) {
  size_t marker = command.find(L"\"%1\"");
  size_t marker_length = 4;
  if (marker == std::wstring::npos) {
    marker = command.find(L"%1");
    marker_length = 2;
  }
  // The count follows the template's whole length, text after a marker too.
  long long count = marker == std::wstring::npos ? static_cast<long long>(command.size()) + 1
                                                 : static_cast<long long>(command.size() - marker_length);
  for (size_t i = 0; i < paths.size(); ++i) {
    count += static_cast<long long>(paths[i].size()) + 2 + (i > 0 ? 1 : 0);
    if (count > kProgramCommandCap) return false;
  }
  *line = marker == std::wstring::npos ? command + L' ' : command.substr(0, marker);
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) *line += L' ';
    *line += L'"' + paths[i] + L'"';
  }
  return true;
}

}  // namespace mox::shell
