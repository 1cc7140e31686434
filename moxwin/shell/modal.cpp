#include "moxwin/shell/modal.h"

namespace mox::shell {

namespace {

int system_message_box(HWND owner, const wchar_t* text, const wchar_t* title, UINT type) {
  return MessageBoxW(owner, text, title, type);
}

UINT system_popup_menu(HMENU menu, UINT flags, int x, int y, HWND owner) {
  return static_cast<UINT>(TrackPopupMenu(menu, flags | TPM_RETURNCMD, x, y, 0, owner, nullptr));
}

INT_PTR system_dialog_box(HINSTANCE instance, int template_id, HWND owner, DLGPROC procedure, LPARAM parameter) {
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(template_id), owner, procedure, parameter);
}

}  // namespace

const Modal kSystemModal = {system_message_box, system_popup_menu, SHBrowseForFolderW,
                            system_dialog_box,  GetSaveFileNameW,  SHFileOperationW};
Modal g_modal = kSystemModal;

}  // namespace mox::shell
