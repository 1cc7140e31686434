// The calls that block until the user answers: message boxes, pop-up menus,
// the folder browser, modal dialogs, the save dialog and the shell's delete.
// Everything the program asks the user goes through this table, so tests can
// answer in its place and see what was asked.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

namespace mox::shell {

struct Modal {
  int (*message_box)(HWND owner, const wchar_t* text, const wchar_t* title, UINT type);
  // The chosen command id, or 0 (TrackPopupMenu with TPM_RETURNCMD).
  UINT (*popup_menu)(HMENU menu, UINT flags, int x, int y, HWND owner);
  PIDLIST_ABSOLUTE (*browse_for_folder)(BROWSEINFOW* info);
  INT_PTR (*dialog_box)(HINSTANCE instance, int template_id, HWND owner, DLGPROC procedure, LPARAM parameter);
  BOOL (*save_file_name)(OPENFILENAMEW* request);
  int (*shell_delete)(SHFILEOPSTRUCTW* operation);
};

extern const Modal kSystemModal;
extern Modal g_modal;

}  // namespace mox::shell
