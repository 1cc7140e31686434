// Picture-script support, not shipped: posts a command to a running
// program's dialog, found by its caption, as its button or menu item would.
//   wmcommand <caption> <command id>
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fputws(L"usage: wmcommand <caption> <command id>\n", stderr);
    return 2;
  }
  HWND dialog = FindWindowW(L"#32770", argv[1]);
  if (!dialog) {
    std::fwprintf(stderr, L"wmcommand: no dialog \"%ls\"\n", argv[1]);
    return 1;
  }
  PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(std::wcstol(argv[2], nullptr, 10)), 0);
  return 0;
}
