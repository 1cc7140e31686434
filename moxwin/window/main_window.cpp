#include "moxwin/window/main_window.h"

#include <commctrl.h>
#include <objbase.h>
#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <shellapi.h>

#include "moxwin/resource.h"
#include "moxwin/results/check_commands.h"
#include "moxwin/results/columns.h"
#include "moxwin/results/checking.h"
#include "moxwin/results/erase.h"
#include "moxwin/results/export.h"
#include "moxwin/results/open_commands.h"
#include "moxwin/results/result_list.h"
#include "moxwin/results/sort_commands.h"
#include "moxwin/results/state.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/dpi.h"
#include "moxwin/shell/filter_boxes.h"
#include "moxwin/shell/folder_list.h"
#include "moxwin/shell/header_images.h"
#include "moxwin/shell/menus.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/modal.h"
#include "moxwin/shell/numbers.h"
#include "moxwin/shell/process.h"
#include "moxwin/shell/program_menus.h"
#include "moxwin/shell/scale_change.h"
#include "moxwin/window/run_end.h"

namespace mox::window {

using namespace shell;
using results::g_results;
using results::read_columns;
using results::read_list_colours;
using results::write_columns;

namespace {

const wchar_t* g_command_line = L"";

INT_PTR CALLBACK about_procedure(HWND dialog, UINT message, WPARAM w, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      set_window_icons(dialog);
      SetDlgItemTextW(dialog, IDC_ABOUT_TEXT, text(IDS_VERSION));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
        EndDialog(dialog, LOWORD(w) == IDOK ? 1 : 0);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

void show_about(HWND window) {
  if (g_modal.dialog_box(g_app.instance, IDD_ABOUTBOX, window, about_procedure, 0) == -1)
    report_system_error(L"DialogBox(,IDD_ABOUTBOX,) error=%d ", static_cast<int>(GetLastError()));
}

void record_on_close(HWND window) {
  g_app.placement.length = sizeof g_app.placement;
  if (GetWindowPlacement(window, &g_app.placement)) g_app.placement_recorded = true;
  results::list::record_columns(window, &g_results.columns);
}

// Every way out (Close, Esc, the close box, Alt+F4) keeps the folder list's
// changes: the user cannot tell one from another.
void close_window(HWND window) {
  folder_list::save(window);
  record_on_close(window);
  DestroyWindow(window);
  PostQuitMessage(g_app.quit_code);
}

void start(HWND window) {
  start_run(window);
  results::commands::reset_sort_state(window);
}

bool command(HWND window, int id);

// Enter acts as the focused button's own command, and in the result list as
// Open; on the combo boxes, the folder list and the rest it does nothing.
void enter(HWND window) {
  HWND focus = GetFocus();
  int id = focus && GetParent(focus) == window ? GetDlgCtrlID(focus) : 0;
  const int kButtons[] = {IDC_SORT,       IDC_CONFIRM,       IDC_ERASE, IDC_EDIT_MENU, IDC_MARK, IDC_HELP_MENU,
                          IDC_ADD_FOLDER, IDC_REMOVE_FOLDER, IDC_START, IDC_CLOSE};
  if (id == IDC_RESULT_LIST)
    command(window, IDM_OPEN);
  else if (std::find(std::begin(kButtons), std::end(kButtons), id) != std::end(kButtons))
    command(window, id);
}

// False for a command id the window does not handle.
bool command(HWND window, int id) {
  using namespace results::commands;
  if (id >= IDM_PROGRAM_FIRST && id <= IDM_PROGRAM_LAST) {
    open_with_program(window, id);
    return true;
  }
  switch (id) {
    case IDOK: enter(window); break;
    case IDCANCEL:
      if (g_app.esc_setting == 0) close_window(window);
      break;
    case IDM_COPY_PATHS: copy_paths(window); break;
    case IDM_OPEN: open_selected(window); break;
    case IDM_SAVE_AS: save_as(window); break;
    case IDM_OPEN_FOLDER: open_folder(window); break;
    case IDM_PROPERTIES: show_properties(window, false); break;
    case IDM_FOLDER_PROPERTIES: show_properties(window, true); break;
    case IDM_ABOUT: show_about(window); break;
    case IDM_SELECT_ALL: select_all(window); break;
    case IDM_INVERT_SELECTION: invert_selection(window); break;
    case IDM_DESELECT_ALL: deselect_all(window); break;
    case IDM_SELECT_CHECKED: select_checked(window); break;
    case IDM_CHECK: set_check_state(window, results::kOperationCheck); break;
    case IDM_AUTO_CHECK: set_check_state(window, results::kOperationAutoCheck); break;
    case IDM_KEEP_NEWEST: set_check_state(window, results::kOperationKeepNewest); break;
    case IDM_KEEP_OLDEST: set_check_state(window, results::kOperationKeepOldest); break;
    case IDM_KEEP_FIRST_SHOWN: set_check_state(window, results::kOperationKeepFirstShown); break;
    case IDM_UNCHECK: set_check_state(window, results::kOperationUncheck); break;
    case IDM_TOGGLE_CHECK: set_check_state(window, results::kOperationToggle); break;
    case IDM_FOCUS_RESULTS: focus_list(window); break;
    case IDM_EDIT_FOLDER: folder_list::edit_focused(window); break;
    case IDM_HELP_DOCUMENT: g_programs.open_document(L"HELP\\index.html"); break;
    case IDM_SELECT_SAME_FOLDERS: select_same_folders(window); break;
    case IDM_TOGGLE_GROUP_SELECTION: toggle_selected_groups(window); break;
    case IDM_UNCHECK_ALL: uncheck_all(window); break;
    case IDM_CHECK_THIS_FOLDER: check_this_folder(window); break;
    case IDM_CHECK_OUTSIDE_FOLDER: check_outside_folder(window); break;
    case IDC_ADD_FOLDER: folder_list::add_by_browsing(window); break;
    case IDC_REMOVE_FOLDER: folder_list::remove_selected(window); break;
    case IDC_SORT: sort_dialog(window); break;
    case IDC_CONFIRM: confirm_groups(window); break;
    case IDC_ERASE: erase(window); break;
    case IDC_MARK: mark(window); break;
    case IDC_EDIT_MENU: show_edit_menu(window); break;
    case IDC_START: start(window); break;
    case IDC_HELP_MENU: show_help_menu(window); break;
    case IDC_CLOSE: close_window(window); break;
    default: return false;
  }
  return true;
}

void load_menus() {
  const int ids[kPopupCount] = {IDM_EDIT, IDM_HELP, IDM_FOLDERS, IDM_RESULTS};
  for (int i = 0; i < kPopupCount; ++i) {
    g_app.menus[i] = LoadMenuW(g_app.instance, MAKEINTRESOURCEW(ids[i]));
    g_app.popups[i] = GetSubMenu(g_app.menus[i], 0);
  }
}

void initialise(HWND window) {
  g_app.window = window;
  // Icons, header images, column widths and menus are made for the DPI the
  // window starts at.
  g_app.dpi = window_dpi(window);
  load_window_icons(g_app.dpi);
  set_window_icons(window);
  g_app.header_images = create_header_images(g_app.dpi, &g_app.header_base);
  if (!take_folder_lock()) {
    g_app.folder_in_use = true;
    wchar_t folder[kFolderPathCap] = L"";
    GetCurrentDirectoryW(kFolderPathCap, folder);
    message_box(window, MB_OK | MB_ICONERROR, text(IDS_FOLDER_IN_USE), folder);
    PostQuitMessage(0);
    return;
  }
  prepare_filter_boxes(window);
  folder_list::load(window, g_command_line);
  results::list::create_columns(window, read_columns());
  capture_layout(window, &g_app.layout);
  g_app.layout_captured = true;
  g_app.accelerators = LoadAcceleratorsW(g_app.instance, MAKEINTRESOURCEW(IDA_ACCELERATORS));
  load_menus();
  build_program_menus(&g_app.program_menus, g_app.dpi);
  fill_program_submenu(window, &g_app.program_menus, g_app.popups[kPopupEdit], 0);
  fill_program_submenu(window, &g_app.program_menus, g_app.popups[kPopupResults], 1);
}

INT_PTR CALLBACK main_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(window);
      return TRUE;
    case WM_COMMAND:
      return command(window, LOWORD(w));
    case WM_NOTIFY: {
      NMHDR* header = reinterpret_cast<NMHDR*>(l);
      LRESULT result = 0;
      if (header->idFrom == IDC_RESULT_LIST)
        result = results::list::notify(window, header);
      else if (header->idFrom == IDC_FOLDER_LIST)
        result = folder_list::notify(window, header);
      else
        return FALSE;
      SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_SIZE:
      if (g_app.layout_captured) apply_resize(window, g_app.layout, LOWORD(l), HIWORD(l));
      return TRUE;
    case WM_DPICHANGED:
      follow_dpi(window, HIWORD(w));
      return FALSE;  // the dialog manager scales the window and its controls
    case kRelayoutMessage:
      relayout(window);
      return TRUE;
    case WM_MEASUREITEM:
      return measure_program_item(window, reinterpret_cast<MEASUREITEMSTRUCT*>(l));
    case WM_DRAWITEM:
      return draw_program_item(reinterpret_cast<const DRAWITEMSTRUCT*>(l));
    case WM_DROPFILES:
      folder_list::add_dropped(window, reinterpret_cast<HDROP>(w));
      return TRUE;
    case WM_CLOSE:
      close_window(window);
      return TRUE;
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(w) != GetDlgItem(window, IDC_FOLDER_LIST)) return FALSE;
      folder_list::show_menu(window, GET_X_LPARAM(l), GET_Y_LPARAM(l));
      return TRUE;
    case WM_DESTROY:
      record_on_close(window);
      PostQuitMessage(g_app.quit_code);
      return TRUE;
  }
  return FALSE;
}

}  // namespace


void prepare_program(HINSTANCE instance, const wchar_t* settings_path) {
  g_app.instance = instance;
  load_texts(instance);
  use_settings_file(settings_path);
  g_results.colours = read_list_colours();
  prepare_number_format();
  g_app.quit_code = 0;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

HWND create_main_window(const wchar_t* command_line) {
  g_command_line = command_line;
  HWND window = CreateDialogParamW(g_app.instance, MAKEINTRESOURCEW(IDD_DIALOG), nullptr, main_procedure, 0);
  if (!window) report_system_error(L"CreateDialog(,IDD_DIALOG,) error=%d ", static_cast<int>(GetLastError()));
  return window;
}

void finish_start_up(HWND window, int show) {
  // Another instance works in this folder: this one only says so and ends.
  if (g_app.folder_in_use) return;
  if (settings_read(L"Options", L"V")[0] == L'1') Button(window, IDC_EDITOR).set_checked(true);
  if (settings_read(L"Options", L"W")[0] == L'1') Button(window, IDC_NO_CONFIRM).set_checked(true);
  if (settings_read(L"Options", L"B")[0] == L'1') Button(window, IDC_RECYCLE).set_checked(true);
  const wchar_t* verify = settings_read(L"Options", L"verify");
  g_results.verify_contents = !verify[0] || parse_integer(verify) != 0;
  const wchar_t* esc = settings_read(L"Options", L"ESC");
  if (esc[0]) g_app.esc_setting = parse_integer(esc);
  results::parse_sort_keys(settings_read(L"history0", L"sort0"), g_results.sort);
  ensure_count_file();
  WINDOWPLACEMENT placement;
  if (read_placement(&placement)) {
    placement.length = sizeof placement;
    SetWindowPlacement(window, &placement);
    ShowWindow(window, static_cast<int>(placement.showCmd));
  } else {
    ShowWindow(window, show);
  }
  UpdateWindow(window);
  // The top bit of the version marks the Windows 9x family.
  g_app.win9x = (GetVersion() & 0x80000000u) != 0;
}

int message_loop(HWND window) {
  MSG message;
  for (;;) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) {
      report_system_error(L"GetMessage() ");
      return 1;
    }
    if (got == 0) break;
    if (!TranslateAcceleratorW(window, g_app.accelerators, &message) && !IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (g_app.run.pending && wait_for_run(window, &message) == 2) break;
  }
  return static_cast<int>(message.wParam);
}

void save_at_exit() {
  // A second instance never loaded the settings it would overwrite.
  if (!g_app.folder_in_use && g_app.placement_recorded) {
    write_placement(g_app.placement);
    write_columns(g_results.columns);
  }
  release_folder_lock();
  if (g_results.log) {
    std::fclose(g_results.log);
    g_results.log = nullptr;
  }
}

int run_program(HINSTANCE instance, int show, const wchar_t* command_line) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wchar_t settings_path[kModulePathCap];
  bool located = locate_settings(nullptr, settings_path);
  prepare_program(instance, settings_path);
  if (!located) {
    message_box(nullptr, MB_OK | MB_ICONWARNING, L"can't GetModuleFileName(NULL,,)");
    PostQuitMessage(1);
  }
  HWND window = create_main_window(command_line);
  if (!window) return 1;
  finish_start_up(window, show);
  int code = message_loop(window);
  save_at_exit();
  return code;
}

}  // namespace mox::window
