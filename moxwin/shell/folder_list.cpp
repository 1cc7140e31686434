#include "moxwin/shell/folder_list.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cwchar>
#include <map>
#include <memory>

#include "common/lines.h"
#include "common/paths.h"
#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/dpi.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/modal.h"
#include "moxwin/results/sorting.h"

namespace mox::shell {

namespace {

constexpr int kPieceCap = 1036;  // read in pieces; a line is joined whole

// One whole line, its line end included; false at the end of the file.
bool read_whole_line(LineReader& reader, std::wstring& line) {
  line.clear();
  wchar_t piece[kPieceCap];
  int length;
  while ((length = read_wide_line(reader, piece, kPieceCap)) >= 0) {
    line.append(piece, static_cast<size_t>(length));
    if (length > 0 && piece[length - 1] == L'\n') return true;
    if (length < kPieceCap - 1) break;  // the end of the file
  }
  return !line.empty();
}

}  // namespace

FolderFile read_folder_file(FILE* file) {
  FolderFile result;
  auto reader = std::make_unique<LineReader>();
  line_reader_init(*reader, file);
  std::wstring line;
  for (int number = 1; read_whole_line(*reader, line); ++number) {
    size_t start = !line.empty() && line[0] == 0xFEFF ? 1 : 0;
    size_t end = line.find_first_of(L"\r\n", start);
    std::wstring text = line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    FolderRow row;
    if (!text.empty() && text[0] == L':') {
      row.checked = false;
      text.erase(0, 1);
    }
    // A NUL would cut the path short: another folder than the line names.
    if (text.size() > kFolderTextCap - 1 || text.find(L'\0') != std::wstring::npos) {
      result.refused_lines.push_back(number);
      continue;
    }
    row.text = text;
    result.rows.push_back(row);
  }
  return result;
}

std::string folder_file_bytes(const std::vector<FolderRow>& rows) {
  std::string bytes;
  append_utf16le(bytes, L"\uFEFF");
  for (const FolderRow& row : rows) append_utf16le(bytes, (row.checked ? L"" : L":") + row.text + L"\r\n");
  return bytes;
}

std::vector<std::wstring> command_line_folders(const wchar_t* p) {
  std::vector<std::wstring> folders;
  while (*p == L' ') ++p;
  if (*p == L'"') {
    const wchar_t* close = std::wcschr(p + 1, L'"');
    p = close ? close + 1 : p + std::wcslen(p);
  } else {
    while (*p && *p != L' ') ++p;
  }
  while (*p == L' ') ++p;
  while (*p) {
    const wchar_t* start = p;
    const wchar_t* end;
    if (*p == L'"') {
      start = p + 1;
      end = std::wcschr(start, L'"');
      if (!end) end = start + std::wcslen(start);
      p = *end ? end + 1 : end;
    } else {
      end = p;
      while (*end && *end != L' ') ++end;
      p = end;
    }
    folders.emplace_back(start, end);
    while (*p == L' ') ++p;
  }
  return folders;
}

std::string argument_file_bytes(const std::vector<std::wstring>& folders) {
  std::string bytes;
  for (const std::wstring& folder : folders) append_utf16le(bytes, folder + L"\r\n");
  return bytes;
}

namespace folder_list {

namespace {

ListView list(HWND window) { return ListView(window, IDC_FOLDER_LIST); }

void append_row(HWND window, const std::wstring& text, bool checked) {
  ListView folders = list(window);
  int item = folders.insert(folders.count(), text.c_str(), ++g_app.folder_row_counter);
  if (item >= 0) folders.set_checked(item, checked);
}

// A path the list cannot keep whole is refused, never cut into another one.
void append_new_folder(HWND window, const std::wstring& path) {
  if (path.size() > kFolderTextCap - 1) {
    message_box(window, MB_OK | MB_ICONWARNING, text(IDS_FOLDER_TOO_LONG), path.c_str());
    return;
  }
  append_row(window, path, true);
}

void report_refused(HWND window, const std::vector<int>& lines) {
  if (lines.empty()) return;
  std::wstring numbers;
  for (size_t i = 0; i < lines.size() && i < 10; ++i) numbers += (i ? L", " : L"") + std::to_wstring(lines[i]);
  if (lines.size() > 10) numbers += L", ...";
  message_box(window, MB_OK | MB_ICONWARNING, text(IDS_FOLDER_LINE_REFUSED), numbers.c_str());
}

int CALLBACK browse_callback(HWND dialog, UINT message, LPARAM parameter, LPARAM) {
  if (message != BFFM_SELCHANGED) return 0;
  wchar_t path[MAX_PATH] = L"";
  bool has_path = SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter), path) && path[0];
  SendMessageW(dialog, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(has_path ? path : L""));
  SendMessageW(dialog, BFFM_ENABLEOK, 0, has_path);
  return 0;
}

struct FolderSortEntry {
  const std::map<LPARAM, std::wstring>* texts;
  bool descending;
};

int CALLBACK compare_folder_rows(LPARAM a, LPARAM b, LPARAM parameter) {
  const FolderSortEntry* sort = reinterpret_cast<const FolderSortEntry*>(parameter);
  if (sort->descending) std::swap(a, b);
  return results::locale_compare(sort->texts->at(a).c_str(), sort->texts->at(b).c_str());
}

void sort_by_header(HWND window) {
  g_app.folder_sort_direction = g_app.folder_sort_direction == 1 ? 2 : 1;
  ListView folders = list(window);
  std::map<LPARAM, std::wstring> texts;
  for (int i = 0; i < folders.count(); ++i) texts[folders.data(i)] = folders.item_text(i, 0, kFolderTextCap);
  FolderSortEntry sort = {&texts, g_app.folder_sort_direction == 2};
  folders.sort(compare_folder_rows, reinterpret_cast<LPARAM>(&sort));
}

void show_menu(HWND window) {
  ListView folders = list(window);
  HMENU menu = g_app.popups[kPopupFolders];
  EnableMenuItem(menu, IDM_EDIT_FOLDER, MF_BYCOMMAND | (folders.focused() >= 0 ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(menu, IDC_REMOVE_FOLDER,
                 MF_BYCOMMAND | (folders.selected_count() > 0 ? MF_ENABLED : MF_GRAYED));
  POINT at;
  GetCursorPos(&at);
  UINT command = g_modal.popup_menu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, window);
  if (command) SendMessageW(window, WM_COMMAND, command, 0);
}

}  // namespace

namespace {

// LIST.TXT replaced by the command line's folders. When it cannot be
// written, the folders still reach the list (the next save writes them).
bool take_command_line(HWND window, const wchar_t* command_line, FolderFile* kept) {
  std::vector<std::wstring> folders = command_line_folders(command_line);
  if (folders.empty()) return false;
  int error_number = 0;
  if (write_file_bytes(text(IDS_LIST_FILE), argument_file_bytes(folders), &error_number)) return false;
  report_file_error(window, text(IDS_LIST_FILE), error_number);
  for (size_t i = 0; i < folders.size(); ++i) {
    if (folders[i].size() > kFolderTextCap - 1)
      kept->refused_lines.push_back(static_cast<int>(i) + 1);
    else
      kept->rows.push_back({folders[i], true});
  }
  return true;
}

FolderFile read_list_file() {
  FILE* file = _wfopen(text(IDS_LIST_FILE), L"rb");
  if (!file) return {};
  FolderFile content = read_folder_file(file);
  std::fclose(file);
  return content;
}

// The folder column's width for the list's client width: all of it but room
// for a scroll bar (figures at 100 %, scaled for the DPI).
int column_width_for(int client, int dpi) {
  return client >= scaled(55, dpi) ? client - scaled(18, dpi) : scaled(35, dpi);
}

}  // namespace

void load(HWND window, const wchar_t* command_line) {
  FolderFile content;
  if (!take_command_line(window, command_line, &content)) content = read_list_file();
  ListView folders = list(window);
  int client = folders.client_width();
  folders.insert_column(0, text(IDS_FOLDER_COLUMN), LVCFMT_LEFT, column_width_for(client, g_app.dpi));
  folders.add_extended_style(LVS_EX_CHECKBOXES | LVS_EX_INFOTIP | LVS_EX_LABELTIP);
  for (const FolderRow& row : content.rows) append_row(window, row.text, row.checked);
  report_refused(window, content.refused_lines);
}

int save(HWND window) {
  ListView folders = list(window);
  std::vector<FolderRow> rows;
  for (int i = 0; i < folders.count(); ++i) rows.push_back({folders.item_text(i, 0, kFolderTextCap), folders.checked(i)});
  int error_number = 0;
  if (!write_file_bytes(text(IDS_LIST_FILE), folder_file_bytes(rows), &error_number)) {
    report_file_error(window, text(IDS_LIST_FILE), error_number);
    return -1;
  }
  return 0;
}

void add_by_browsing(HWND window) {
  wchar_t folder[MAX_PATH * 4];
  DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, folder);
  BROWSEINFOW info{};
  info.hwndOwner = window;
  info.lpszTitle = text(IDS_BROWSE_TITLE);
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  info.lpfn = browse_callback;
  UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  PIDLIST_ABSOLUTE chosen = g_modal.browse_for_folder(&info);
  SetErrorMode(previous_mode);
  if (length && length < MAX_PATH * 4) SetCurrentDirectoryW(folder);
  if (chosen) {
    wchar_t path[MAX_PATH] = L"";
    if (SHGetPathFromIDListW(chosen, path) && path[0]) append_new_folder(window, path);
    CoTaskMemFree(chosen);
  }
  save(window);
}

void add_dropped(HWND window, HDROP drop) {
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring name(length + 1, L'\0');
    DragQueryFileW(drop, i, name.data(), length + 1);
    name.resize(length);
    append_new_folder(window, canonical_path(name));
  }
  DragFinish(drop);
  save(window);
}

void remove_selected(HWND window) {
  ListView folders = list(window);
  for (int i = folders.count() - 1; i >= 0; --i)
    if (folders.selected(i)) folders.delete_item(i);
  save(window);
}

void edit_focused(HWND window) {
  ListView folders = list(window);
  int focused = folders.focused();
  if (folders.count() == 0 || focused < 0) return;
  folders.focus();
  folders.edit_label(focused);
}

LRESULT notify(HWND window, NMHDR* header) {
  switch (header->code) {
    case LVN_BEGINLABELEDITW: {
      // The edit holds no more than a row can keep.
      HWND edit = reinterpret_cast<HWND>(SendMessageW(header->hwndFrom, LVM_GETEDITCONTROL, 0, 0));
      if (edit) SendMessageW(edit, EM_LIMITTEXT, kFolderTextCap - 1, 0);
      return FALSE;
    }
    case LVN_ENDLABELEDITW:
      return reinterpret_cast<NMLVDISPINFOW*>(header)->item.pszText != nullptr;
    case LVN_COLUMNCLICK:
      sort_by_header(window);
      return 0;
    case NM_RCLICK:
      show_menu(window);
      return 0;
  }
  return 0;
}

}  // namespace folder_list

}  // namespace mox::shell
