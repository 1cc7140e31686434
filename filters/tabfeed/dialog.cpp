#include "dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <cwchar>

namespace mox {

bool choose_dat_file(wchar_t* name) {
  wchar_t folder[1032];
  DWORD kept = GetCurrentDirectoryW(1032, folder);
  std::wcscpy(name, L"dlist");
  OPENFILENAMEW ofn{};
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  ofn.lpstrFilter = L"Vexil DAT (タブ区切り) (*.dat)\0*.dat\0すべてのファイル (*.*)\0*.*\0";
  ofn.lpstrFile = name;
  ofn.nMaxFile = kDatNameCap;
  ofn.lpstrDefExt = L"dat";
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_LONGNAMES;
  bool chosen = GetOpenFileNameW(&ofn) != 0;
  // The output files belong in the folder that was current at start.
  if (kept > 0 && kept < 1032) SetCurrentDirectoryW(folder);
  return chosen;
}

}  // namespace mox
