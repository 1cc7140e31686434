#include "moxwin/results/open_commands.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "moxwin/resource.h"
#include "moxwin/results/result_list.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/modal.h"
#include "moxwin/shell/process.h"
#include "moxwin/shell/programs.h"

namespace mox::results::commands {

using shell::g_app;

namespace {

constexpr const wchar_t* kViewerList = L"list6.txt";

// Paths and folders come from the rows whole: a text cut to a buffer would
// name another file.
std::vector<std::wstring> selected_paths(HWND window) {
  std::vector<std::wstring> paths;
  for (const Row* row : list::selected_rows(window)) paths.emplace_back(row->path);
  return paths;
}

const Row* focused_row(HWND window) { return list::row_at(window, list::control(window).focused()); }

// The start failed: the command line, the system's text and the code; the
// answer is not used.
void report_start_failure(const std::wstring& command_line, DWORD code) {
  std::wstring message = shell::format_text(shell::kMessageTextCap, L"%s\r\n%s (%d)", command_line.c_str(),
                                            shell::system_message_text(code), static_cast<int>(code));
  shell::g_modal.message_box(nullptr, message.c_str(), shell::text(IDS_VERSION), MB_OKCANCEL);
}

void start_reporting_failure(const std::wstring& command_line) {
  if (DWORD code = shell::start_without_waiting(nullptr, command_line.c_str())) report_start_failure(command_line, code);
}

}  // namespace

void open_selected(HWND window) {
  std::vector<std::wstring> paths = selected_paths(window);
  if (paths.empty()) return;
  std::string bytes;
  for (const std::wstring& path : paths) shell::append_utf16le(bytes, path + L"\r\n");
  int error_number = 0;
  // Without the list the viewer would open an earlier one's files.
  if (!shell::write_file_bytes(kViewerList, bytes, &error_number)) {
    shell::report_file_error(window, kViewerList, error_number);
    return;
  }
  start_reporting_failure(shell::format_text(64, L"view.exe /r:%s", kViewerList));
}

void open_clicked(HWND window, int item) {
  const Row* row = list::row_at(window, item);
  if (!row) return;
  // The viewer beside the working folder's lists, not one found elsewhere.
  std::wstring argument = L"\"" + std::wstring(row->path) + L"\"";
  shell::start_without_waiting(L"view.exe", argument.c_str());
}

void open_folder(HWND window) {
  const Row* row = focused_row(window);
  if (!row) return;
  std::wstring command_line = L"explorer.exe \"" + std::wstring(row->folder) + L"\"";
  shell::start_without_waiting(nullptr, command_line.c_str());
}

void show_properties(HWND window, bool of_folder) {
  const Row* row = focused_row(window);
  if (!row) return;
  shell::g_programs.shell_verb(of_folder ? row->folder : row->path, L"properties", SEE_MASK_INVOKEIDLIST);
}

void open_with_program(HWND window, int command_id) {
  std::vector<std::wstring> paths = selected_paths(window);
  if (paths.empty()) return;
  const std::vector<shell::ProgramEntry>& entries = g_app.program_menus.entries;
  auto entry = std::find_if(entries.begin(), entries.end(),
                            [&](const shell::ProgramEntry& e) { return e.command_id == command_id; });
  if (entry == entries.end()) return;
  std::wstring command_line;
  if (!shell::program_command_line(entry->command, paths, &command_line)) return;
  start_reporting_failure(command_line);
}

void copy_paths(HWND window) {
  std::vector<std::wstring> paths = selected_paths(window);
  if (paths.empty()) return;
  size_t total = 0;
  for (const std::wstring& path : paths) total += path.size() + 2;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, total * sizeof(wchar_t) + sizeof(wchar_t));
  if (!block) return;
  wchar_t* text = static_cast<wchar_t*>(GlobalLock(block));
  if (!text) {
    GlobalFree(block);
    return;
  }
  for (const std::wstring& path : paths) {
    std::wmemcpy(text, path.data(), path.size());
    text += path.size();
    *text++ = L'\r';
    *text++ = L'\n';
  }
  *text = 0;
  GlobalUnlock(block);
  if (!OpenClipboard(window)) {
    GlobalFree(block);
    return;
  }
  EmptyClipboard();
  // The clipboard owns the block once it has taken it.
  if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
  CloseClipboard();
}

}  // namespace mox::results::commands
