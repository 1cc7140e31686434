#include "moxwin/shell/folder_list.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <map>

#include "common/paths.h"
#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/dpi.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/list_encoding.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/modal.h"

namespace mox::shell {

FolderFile folder_rows(const std::wstring& text) {
  FolderFile result;
  int number = 1;
  for (size_t begin = 0; begin < text.size(); ++number) {
    size_t lf = text.find(L'\n', begin);
    size_t next = lf == std::wstring::npos ? text.size() : lf + 1;
    size_t start = text[begin] == 0xFEFF ? begin + 1 : begin;
    size_t end = std::min(text.find_first_of(L"\r\n", start), next);
    std::wstring line = text.substr(start, end - start);
    begin = next;
    FolderRow row;
    if (!line.empty() && line[0] == L':') {
      row.checked = false;
      line.erase(0, 1);
    }
    // A NUL would cut the path short: another folder than the line names.
    if (line.size() > kFolderTextCap - 1 || line.find(L'\0') != std::wstring::npos) {
      result.refused_lines.push_back(number);
      continue;
    }
    row.text = line;
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
  return locale_compare(sort->texts->at(a).c_str(), sort->texts->at(b).c_str());
}

void sort_by_header(HWND window) {
  g_app.folder_sort_direction = g_app.folder_sort_direction == 1 ? 2 : 1;
  ListView folders = list(window);
  std::map<LPARAM, std::wstring> texts;
  for (int i = 0; i < folders.count(); ++i) texts[folders.data(i)] = folders.item_text(i, 0, kFolderTextCap);
  FolderSortEntry sort = {&texts, g_app.folder_sort_direction == 2};
  folders.sort(compare_folder_rows, reinterpret_cast<LPARAM>(&sort));
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

bool file_exists(const wchar_t* name) { return GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES; }

// LIST.TXT as the user left it: UTF-16LE as the list writes it, or UTF-8 as
// an editor saves it. A file that is neither, or cannot be read, gives no
// rows and guards itself against the next save.
FolderFile read_list_file(HWND window) {
  const wchar_t* name = text(IDS_LIST_FILE);
  std::string bytes;
  unsigned long error = 0;
  if (!read_file_bytes(name, &bytes, &error)) {
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
      g_app.list_guard = ListFileGuard::kUnreadable;
      std::wstring reason = system_message_text(error);
      message_box(window, MB_OK | MB_ICONWARNING, text(IDS_LIST_UNREADABLE), name, reason.c_str(),
                  static_cast<int>(error));
    }
    return {};
  }
  ListEncoding encoding = detect_list_encoding(bytes);
  if (encoding == ListEncoding::kNeither) {
    g_app.list_guard = ListFileGuard::kGarbled;
    message_box(window, MB_OK | MB_ICONWARNING, text(IDS_LIST_GARBLED), name, name);
    return {};
  }
  if (encoding == ListEncoding::kUtf8) {
    std::wstring status = Control(window, IDC_STATUS).text(kMessageTextCap);
    show_status(window, status + L"  " + format_text(kMessageTextCap, text(IDS_LIST_UTF8), name));
  }
  return folder_rows(decode_list_text(bytes, encoding));
}

enum class SaveDecision { kWrite, kKeep, kRefused };

// What the guard lets a save do; a refusal has been reported. A guarded file
// stays as it is while the list is empty, that is until the user puts rows
// into it.
SaveDecision guard_decision(HWND window, bool list_empty) {
  const wchar_t* name = text(IDS_LIST_FILE);
  ListFileGuard guard = g_app.list_guard;
  if (guard == ListFileGuard::kFree) return SaveDecision::kWrite;
  if (guard == ListFileGuard::kNotLoaded || list_empty) return SaveDecision::kKeep;
  if (guard == ListFileGuard::kUnreadable && file_exists(name)) {
    message_box(window, MB_OK | MB_ICONWARNING, text(IDS_LIST_NOT_OVERWRITTEN), name);
    return SaveDecision::kRefused;
  }
  if (guard == ListFileGuard::kGarbled) {
    std::wstring backup = std::wstring(name) + L".bak";
    DWORD error = CopyFileW(name, backup.c_str(), FALSE) ? 0 : GetLastError();
    if (error && file_exists(name)) {
      std::wstring reason = system_message_text(error);
      message_box(window, MB_OK | MB_ICONWARNING, text(IDS_LIST_BACKUP_FAILED), backup.c_str(), reason.c_str(),
                  static_cast<int>(error));
      return SaveDecision::kRefused;
    }
  }
  g_app.list_guard = ListFileGuard::kFree;
  return SaveDecision::kWrite;
}

// The old tree browser, for a system whose folder picker cannot be shown:
// one folder of at most MAX_PATH characters.
std::vector<std::wstring> browse_with_tree(HWND window) {
  BROWSEINFOW info{};
  info.hwndOwner = window;
  info.lpszTitle = text(IDS_BROWSE_TITLE);
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  info.lpfn = browse_callback;
  PIDLIST_ABSOLUTE chosen = g_modal.browse_for_folder(&info);
  std::vector<std::wstring> folders;
  if (chosen) {
    wchar_t path[MAX_PATH] = L"";
    if (SHGetPathFromIDListW(chosen, path) && path[0]) folders.push_back(path);
    CoTaskMemFree(chosen);
  }
  return folders;
}

// The folder column's width for the list's client width: all of it but room
// for a scroll bar (figures at 100 %, scaled for the DPI).
int column_width_for(int client, int dpi) {
  return client >= scaled(55, dpi) ? client - scaled(18, dpi) : scaled(35, dpi);
}

}  // namespace

void load(HWND window, const wchar_t* command_line) {
  g_app.list_guard = ListFileGuard::kFree;
  FolderFile content;
  if (!take_command_line(window, command_line, &content)) content = read_list_file(window);
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
  SaveDecision decision = guard_decision(window, rows.empty());
  if (decision != SaveDecision::kWrite) return decision == SaveDecision::kKeep ? 0 : -1;
  int error_number = 0;
  if (!write_file_bytes(text(IDS_LIST_FILE), folder_file_bytes(rows), &error_number)) {
    report_file_error(window, text(IDS_LIST_FILE), error_number);
    return -1;
  }
  return 0;
}

bool any_checked(HWND window) {
  ListView folders = list(window);
  for (int i = 0; i < folders.count(); ++i)
    if (folders.checked(i)) return true;
  return false;
}

void add_by_browsing(HWND window) {
  wchar_t folder[MAX_PATH * 4];
  DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, folder);
  UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  std::vector<std::wstring> chosen;
  HRESULT picked = g_modal.pick_folders(window, text(IDS_BROWSE_TITLE), &chosen);
  if (FAILED(picked) && picked != HRESULT_FROM_WIN32(ERROR_CANCELLED)) chosen = browse_with_tree(window);
  SetErrorMode(previous_mode);
  if (length && length < MAX_PATH * 4) SetCurrentDirectoryW(folder);
  for (const std::wstring& path : chosen)
    if (!path.empty()) append_new_folder(window, path);
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

void show_menu(HWND window, int x, int y) {
  ListView folders = list(window);
  int focused = folders.focused();
  if (x == -1 && y == -1) {
    // From the keyboard: below the focused row's text, else the list's corner.
    RECT row = {LVIR_LABEL, 0, 0, 0};
    POINT at = {0, 0};
    if (focused >= 0 && SendMessageW(folders.handle(), LVM_GETITEMRECT, static_cast<WPARAM>(focused),
                                     reinterpret_cast<LPARAM>(&row)))
      at = {row.left, row.bottom};
    ClientToScreen(folders.handle(), &at);
    x = at.x;
    y = at.y;
  }
  HMENU menu = g_app.popups[kPopupFolders];
  EnableMenuItem(menu, IDM_EDIT_FOLDER, MF_BYCOMMAND | (focused >= 0 ? MF_ENABLED : MF_GRAYED));
  EnableMenuItem(menu, IDC_REMOVE_FOLDER,
                 MF_BYCOMMAND | (folders.selected_count() > 0 ? MF_ENABLED : MF_GRAYED));
  UINT command = g_modal.popup_menu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, window);
  if (command) SendMessageW(window, WM_COMMAND, command, 0);
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
    case LVN_KEYDOWN:
      switch (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey) {
        case VK_DELETE: remove_selected(window); break;
        case VK_F2: edit_focused(window); break;
      }
      return 0;
    case NM_RCLICK: {
      POINT at;
      GetCursorPos(&at);
      show_menu(window, at.x, at.y);
      return TRUE;  // shown: no WM_CONTEXTMENU follows
    }
  }
  return 0;
}

}  // namespace folder_list

}  // namespace mox::shell
