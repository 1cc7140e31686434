#include "moxwin/shell/modal.h"

#include <shobjidl.h>

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

// The common item dialog in folder mode; its paths have no length limit.
HRESULT system_pick_folders(HWND owner, const wchar_t* title, std::vector<std::wstring>* folders) {
  IFileOpenDialog* dialog = nullptr;
  HRESULT result = CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog));
  if (FAILED(result)) return result;
  FILEOPENDIALOGOPTIONS options = 0;
  result = dialog->GetOptions(&options);
  if (SUCCEEDED(result))
    result = dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_ALLOWMULTISELECT | FOS_FORCEFILESYSTEM |
                                FOS_PATHMUSTEXIST);
  if (SUCCEEDED(result)) dialog->SetTitle(title);
  if (SUCCEEDED(result)) result = dialog->Show(owner);
  IShellItemArray* items = nullptr;
  if (SUCCEEDED(result)) result = dialog->GetResults(&items);
  if (SUCCEEDED(result)) {
    DWORD count = 0;
    items->GetCount(&count);
    for (DWORD i = 0; i < count; ++i) {
      IShellItem* item = nullptr;
      if (FAILED(items->GetItemAt(i, &item))) continue;
      wchar_t* path = nullptr;
      if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        folders->push_back(path);
        CoTaskMemFree(path);
      }
      item->Release();
    }
    items->Release();
  }
  dialog->Release();
  return result;
}

}  // namespace

const Modal kSystemModal = {system_message_box, system_popup_menu, SHBrowseForFolderW,
                            system_dialog_box,  GetSaveFileNameW,  SHFileOperationW,
                            system_pick_folders};
Modal g_modal = kSystemModal;

}  // namespace mox::shell
