// The calls that block until the user answers: message boxes, pop-up menus,
// the folder picker and browser, modal dialogs, the save dialog and the shell's delete.
// Everything the program asks the user goes through this table, so tests can
// answer in its place and see what was asked.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace mox::shell {

struct Modal {
  int (*message_box)(HWND owner, const wchar_t* text, const wchar_t* title, UINT type);
  // The chosen command id, or 0 (TrackPopupMenu with TPM_RETURNCMD).
  UINT (*popup_menu)(HMENU menu, UINT flags, int x, int y, HWND owner);
  PIDLIST_ABSOLUTE (*browse_for_folder)(BROWSEINFOW* info);
  INT_PTR (*dialog_box)(HINSTANCE instance, int template_id, HWND owner, DLGPROC procedure, LPARAM parameter);
  BOOL (*save_file_name)(OPENFILENAMEW* request);
  int (*shell_delete)(SHFILEOPSTRUCTW* operation);
  // The system's folder picker, several folders at once and long paths: S_OK
  // with the chosen folders, HRESULT_FROM_WIN32(ERROR_CANCELLED) when the
  // user cancelled, another failure when it cannot be shown.
  HRESULT (*pick_folders)(HWND owner, const wchar_t* title, std::vector<std::wstring>* folders);
};

extern const Modal kSystemModal;
extern Modal g_modal;

}  // namespace mox::shell
