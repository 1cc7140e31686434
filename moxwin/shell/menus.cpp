#include "moxwin/shell/menus.h"

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/modal.h"

namespace mox::shell {

namespace {

enum Needs { kSelection, kRows, kFolderSelection, kFocus };

struct ListState {
  bool rows, selection, focus, folder_selection;
  bool has(Needs needs) const {
    switch (needs) {
      case kSelection: return selection;
      case kRows: return rows;
      case kFolderSelection: return folder_selection;
      case kFocus: return focus;
    }
    return false;
  }
};

ListState list_state(HWND window) {
  ListView results(window, IDC_RESULT_LIST);
  return {results.count() > 0, results.selected_count() > 0, results.focused() >= 0,
          ListView(window, IDC_FOLDER_LIST).selected_count() > 0};
}

Needs needs_of(UINT id) {
  switch (id) {
    case IDM_SELECT_ALL: case IDM_INVERT_SELECTION: case IDM_DESELECT_ALL: case IDM_SELECT_CHECKED:
    case IDM_FOCUS_RESULTS: case IDM_SAVE_AS: case IDM_UNCHECK_ALL:
    case IDM_KEEP_NEWEST: case IDM_KEEP_OLDEST: case IDM_KEEP_FIRST_SHOWN:  // on the selection, or on every group
      return kRows;
    case IDM_EDIT_FOLDER:
      return kFolderSelection;
    case IDM_OPEN_FOLDER: case IDM_PROPERTIES: case IDM_FOLDER_PROPERTIES:
      return kFocus;
    default:  // the items for the selected rows, and the program submenu
      return kSelection;
  }
}

// Enables or grays every item but the separators by position.
void enable_items(HMENU menu, const ListState& state) {
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    if (info.fType & MFT_SEPARATOR) continue;
    Needs needs = info.hSubMenu ? kSelection : needs_of(info.wID);
    EnableMenuItem(menu, static_cast<UINT>(i), MF_BYPOSITION | (state.has(needs) ? MF_ENABLED : MF_GRAYED));
  }
}

void track(HWND window, HMENU menu, UINT flags, int x, int y) {
  UINT command = g_modal.popup_menu(menu, flags | TPM_RIGHTBUTTON, x, y, window);
  if (command) SendMessageW(window, WM_COMMAND, command, 0);
}

}  // namespace

void show_edit_menu(HWND window) {
  enable_items(g_app.popups[kPopupEdit], list_state(window));
  RECT button;
  GetWindowRect(GetDlgItem(window, IDC_EDIT_MENU), &button);
  track(window, g_app.popups[kPopupEdit], TPM_RIGHTALIGN | TPM_TOPALIGN, button.left, button.bottom);
}

void show_help_menu(HWND window) {
  RECT button;
  GetWindowRect(GetDlgItem(window, IDC_HELP_MENU), &button);
  track(window, g_app.popups[kPopupHelp], TPM_RIGHTALIGN | TPM_BOTTOMALIGN, button.left, button.bottom);
}

void show_results_menu(HWND window) {
  // Every item of this menu follows the same rule as in the edit menu.
  enable_items(g_app.popups[kPopupResults], list_state(window));
  POINT at;
  GetCursorPos(&at);
  track(window, g_app.popups[kPopupResults], TPM_LEFTALIGN, at.x, at.y);
}

}  // namespace mox::shell
