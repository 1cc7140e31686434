#include "moxwin/window/window_harness.h"
#include "moxwin/window/run_end.h"
#include "moxwin/results/state.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>

#include "moxwin/results/model.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/window/main_window.h"
#include "moxwin/shell/modal.h"
#include "moxwin/shell/numbers.h"
#include "moxwin/shell/process.h"
#include "moxwin/shell/run.h"

namespace mox::test {

Asked g_asked;
Answers g_answers;

namespace {

std::wstring window_text(HWND window) {
  wchar_t text[4096];
  GetWindowTextW(window, text, 4096);
  return text;
}

int fake_message_box(HWND, const wchar_t* text, const wchar_t* title, UINT type) {
  g_asked.boxes.push_back({text, title, type});
  if (g_answers.boxes.empty()) return IDOK;
  int answer = g_answers.boxes.front();
  g_answers.boxes.pop_front();
  return answer;
}

UINT fake_popup_menu(HMENU menu, UINT flags, int x, int y, HWND) {
  ShownMenu shown{x, y, flags, {}};
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    wchar_t item[256] = L"";
    GetMenuStringW(menu, static_cast<UINT>(i), item, 256, MF_BYPOSITION);
    UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    if (state & MF_SEPARATOR) continue;
    shown.items.emplace_back(item, !(state & (MF_GRAYED | MF_DISABLED)));
  }
  g_asked.menus.push_back(shown);
  if (g_answers.menu_choices.empty()) return 0;
  UINT choice = g_answers.menu_choices.front();
  g_answers.menu_choices.pop_front();
  return choice;
}

// Stands for the browser's window: keeps what the callback tells it.
LRESULT CALLBACK browser_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == BFFM_SETSTATUSTEXTW) g_asked.browse_selections.push_back({reinterpret_cast<const wchar_t*>(l), false});
  if (message == BFFM_ENABLEOK && !g_asked.browse_selections.empty()) g_asked.browse_selections.back().second = l != 0;
  return DefWindowProcW(window, message, w, l);
}

void select_in_browser(BROWSEINFOW* info, HWND browser, PIDLIST_ABSOLUTE item) {
  if (info->lpfn) info->lpfn(browser, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(item), info->lParam);
}

PIDLIST_ABSOLUTE fake_browse(BROWSEINFOW* info) {
  g_asked.browse_titles.push_back(info->lpszTitle ? info->lpszTitle : L"");
  WNDCLASSW type{};
  type.lpfnWndProc = browser_procedure;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"mox-test-browser";
  RegisterClassW(&type);
  HWND browser = CreateWindowW(L"mox-test-browser", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
  if (g_answers.browse_virtual_first) {
    PIDLIST_ABSOLUTE computer = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
    select_in_browser(info, browser, computer);
    CoTaskMemFree(computer);
  }
  PIDLIST_ABSOLUTE chosen = g_answers.browse_choice.empty() ? nullptr : ILCreateFromPathW(g_answers.browse_choice.c_str());
  if (chosen) select_in_browser(info, browser, chosen);
  DestroyWindow(browser);
  return chosen;
}

HRESULT fake_pick_folders(HWND, const wchar_t* title, std::vector<std::wstring>* folders) {
  g_asked.pick_titles.push_back(title);
  if (SUCCEEDED(g_answers.pick_result)) *folders = g_answers.picked;
  return g_answers.pick_result;
}

BOOL CALLBACK find_dialog(HWND window, LPARAM found) {
  wchar_t name[16];
  GetClassNameW(window, name, 16);
  if (window != shell::g_app.window && IsWindowVisible(window) && wcscmp(name, L"#32770") == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK act_on_dialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  KillTimer(nullptr, timer);
  if (g_answers.dialog)
    g_answers.dialog(dialog);
  else
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// The real modal dialog, answered from inside its own modal loop.
INT_PTR fake_dialog_box(HINSTANCE instance, int id, HWND owner, DLGPROC procedure, LPARAM parameter) {
  UINT_PTR timer = SetTimer(nullptr, 0, 10, act_on_dialog);
  INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(id), owner, procedure, parameter);
  KillTimer(nullptr, timer);
  return result;
}

BOOL fake_save_file_name(OPENFILENAMEW*) { return FALSE; }

// Records the request, then deletes for real without any window of its own.
int fake_shell_delete(SHFILEOPSTRUCTW* operation) {
  ShellDelete asked;
  asked.flags = operation->fFlags;
  asked.owner = operation->hwnd;
  asked.owner_enabled = operation->hwnd && IsWindowEnabled(operation->hwnd);
  for (const wchar_t* p = operation->pFrom; *p; p += wcslen(p) + 1) asked.paths.push_back(p);
  g_asked.deletes.push_back(asked);
  if (g_answers.before_delete) g_answers.before_delete();
  SHFILEOPSTRUCTW quiet = *operation;
  quiet.fFlags |= FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  return SHFileOperationW(&quiet);
}

DWORD fake_start(const wchar_t* program, wchar_t* command_line) {
  g_asked.starts.push_back({program ? program : L"", command_line});
  return g_answers.start_error;
}

void fake_open_document(const wchar_t* file) { g_asked.documents.push_back(file); }

HINSTANCE fake_shell_verb(const wchar_t* file, const wchar_t* verb, ULONG mask) {
  g_asked.verbs.push_back({verb, file, mask});
  return reinterpret_cast<HINSTANCE>(42);
}

const shell::Modal kFakeModal = {fake_message_box, fake_popup_menu,     fake_browse,
                                 fake_dialog_box,  fake_save_file_name, fake_shell_delete,
                                 fake_pick_folders};
const shell::Programs kFakePrograms = {fake_start, fake_open_document, fake_shell_verb};

}  // namespace

Front::Front(const FrontOptions& options) : ini_path(dir / L"moxwin.ini") {
  g_asked = Asked();
  wchar_t previous[MAX_PATH * 4];
  GetCurrentDirectoryW(MAX_PATH * 4, previous);
  previous_folder_ = previous;
  SetCurrentDirectoryW(dir.path.c_str());
  if (options.ini) {
    write_file(ini_path, *options.ini);
    if (options.ini_read_only) SetFileAttributesW(ini_path.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  if (options.list_txt) write_file(dir / L"LIST.TXT", *options.list_txt);
  if (options.prepare) options.prepare(dir);
  shell::g_app = shell::App();
  results::g_results = results::ResultsState();
  shell::g_modal = kFakeModal;
  shell::g_programs = kFakePrograms;
  window::prepare_program(GetModuleHandleW(nullptr), ini_path.c_str());
  window = window::create_main_window(options.command_line.c_str());
  if (window) window::finish_start_up(window, SW_SHOWNORMAL);
  pump();
}

Front::~Front() {
  if (!closed_ && window && IsWindow(window)) DestroyWindow(window);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
  shell::release_folder_lock();
  if (results::g_results.log) std::fclose(results::g_results.log);
  ImageList_Destroy(shell::g_app.header_images);
  for (HMENU menu : shell::g_app.menus) DestroyMenu(menu);
  shell::g_app = shell::App();
  results::g_results = results::ResultsState();
  shell::g_modal = shell::kSystemModal;
  shell::g_programs = shell::kSystemPrograms;
  g_answers = Answers();
  SetCurrentDirectoryW(previous_folder_.c_str());
  SetFileAttributesW(ini_path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

void Front::pump() const {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for close() to find
      return;
    }
    if (!TranslateAcceleratorW(window, shell::g_app.accelerators, &message) && !IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (shell::g_app.run.pending && window::wait_for_run(window, &message) == 2) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
  }
}

void Front::finish_search(const std::wstring& dlist, long files, const char* kind) {
  write_file(dir / L"DLIST.TXT", utf16le(dlist));
  write_file(dir / L"LIST5.TXT", utf16le(std::to_wstring(files) + L"\r\n1\r\n"));
  DeleteFileW((dir / L"LASTMODE.TXT").c_str());
  if (kind) write_file(dir / L"LASTMODE.TXT", std::string(kind) + "\r\n");
  shell::g_app.run.program_line = L"MOX.BAT /v";
  shell::g_app.run.start_time = shell::current_time();
  window::finish_run(window, 0);
  pump();
}

namespace {
HWND results_of(HWND window) { return GetDlgItem(window, 1011); }
}  // namespace

std::vector<std::vector<std::wstring>> result_texts(HWND window) {
  HWND list = results_of(window);
  std::vector<std::vector<std::wstring>> rows;
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    std::vector<std::wstring> row;
    for (int column = 0; column < 10; ++column) {
      wchar_t text[2048] = L"";
      ListView_GetItemText(list, i, column, text, 2048);
      row.push_back(text);
    }
    rows.push_back(row);
  }
  return rows;
}

std::wstring result_column(HWND window, int column) {
  std::wstring joined;
  for (const auto& row : result_texts(window)) joined += (joined.empty() ? L"" : L"|") + row[static_cast<size_t>(column)];
  return joined;
}

std::string result_checks(HWND window) {
  HWND list = results_of(window);
  std::string checks;
  for (int i = 0; i < ListView_GetItemCount(list); ++i) checks += ListView_GetCheckState(list, i) ? 'x' : '.';
  return checks;
}

std::string result_selection(HWND window) {
  HWND list = results_of(window);
  std::string selection;
  for (int i = 0; i < ListView_GetItemCount(list); ++i)
    selection += ListView_GetItemState(list, i, LVIS_SELECTED) ? 's' : '.';
  return selection;
}

void set_result_checks(HWND window, const std::string& checks) {
  for (size_t i = 0; i < checks.size(); ++i) ListView_SetCheckState(results_of(window), static_cast<int>(i), checks[i] == 'x');
}

void set_result_selection(HWND window, const std::string& selection) {
  for (size_t i = 0; i < selection.size(); ++i)
    ListView_SetItemState(results_of(window), static_cast<int>(i), selection[i] == 's' ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

uint32_t result_background(HWND window, int position) {
  NMLVCUSTOMDRAW draw{};
  draw.nmcd.hdr.hwndFrom = results_of(window);
  draw.nmcd.hdr.idFrom = 1011;
  draw.nmcd.hdr.code = NM_CUSTOMDRAW;
  draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
  draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(position);
  SendMessageW(window, WM_NOTIFY, 1011, reinterpret_cast<LPARAM>(&draw));
  return draw.clrTextBk;
}

std::wstring other_drive_name(const std::wstring& path) {
  using UnixName = char* (*)(const wchar_t*);
  auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* name = unix_name ? unix_name(path.c_str()) : nullptr;
  if (!name) return {};
  std::wstring other = L"Z:";
  for (const char* c = name; *c; ++c) other += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  HeapFree(GetProcessHeap(), 0, name);
  return other;
}

std::wstring dated_line(const std::wstring& path) { return L"1999-01-02 03:04:05 00000000000000000001 " + path + L"\r\n"; }

std::wstring Front::status() const { return control_text(1005); }

std::wstring Front::control_text(int id) const { return window_text(GetDlgItem(window, id)); }

int Front::close(int command_id) {
  if (command_id)
    SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(command_id), 0);
  else
    SendMessageW(window, WM_CLOSE, 0, 0);
  int code = -1;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      code = static_cast<int>(message.wParam);
      continue;
    }
    DispatchMessageW(&message);
  }
  window::save_at_exit();
  closed_ = true;
  return code;
}

}  // namespace mox::test
