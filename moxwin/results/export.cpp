#include "moxwin/results/export.h"
#include "moxwin/results/state.h"

#include <commdlg.h>

#include <string>

#include "moxwin/results/checking.h"
#include "moxwin/results/export_format.h"
#include "moxwin/results/result_list.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/modal.h"
#include "moxwin/shell/run.h"

namespace mox::results::commands {

using shell::g_app;

namespace {

constexpr int kSaveNameCap = 1034;
constexpr DWORD kCsvType = 1;  // file types of the dialog, from 1
constexpr DWORD kDatType = 2;

}  // namespace

int save_as(HWND window) {
  wchar_t folder[shell::kFolderPathCap];
  DWORD folder_length = GetCurrentDirectoryW(shell::kFolderPathCap, folder);
  if (list::control(window).count() == 0) return -1;
  wchar_t name[kSaveNameCap] = L"dlist";
  OPENFILENAMEW request{};
  request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;  // without the fields of later systems
  request.hwndOwner = window;
  request.lpstrFilter = shell::save_types();
  request.nFilterIndex = kCsvType;
  request.lpstrFile = name;
  request.nMaxFile = kSaveNameCap;
  request.lpstrDefExt = L"csv";
  request.Flags = OFN_OVERWRITEPROMPT | OFN_LONGNAMES;
  BOOL chosen = shell::g_modal.save_file_name(&request);
  // The dialog moves the current folder, and the working folder is the
  // current folder: every later run and list file depends on it.
  if (folder_length > 0 && folder_length < static_cast<DWORD>(shell::kFolderPathCap)) SetCurrentDirectoryW(folder);
  if (!chosen) return 0;
  Model& model = g_results.model;
  std::string bytes;
  // The chosen type decides the format, whatever the name's extension.
  if (request.nFilterIndex == kDatType) {
    bytes = dat_bytes(model);
  } else {
    ListItems items = list::items(window);
    take_check_snapshot(model, items);
    bytes = csv_bytes(model, items);
  }
  int error_number = 0;
  if (!shell::write_file_bytes(name, bytes, &error_number)) {
    shell::report_file_error(window, name, error_number);
    return -1;
  }
  return 0;
}

}  // namespace mox::results::commands
