#include "settings.h"

#include <windows.h>

#include <cwchar>

namespace mox {

int config_read(const wchar_t* section, const wchar_t* key, wchar_t* out, int cap) {
  wchar_t dir[1033];
  wchar_t path[1033 + 16];
  out[0] = 0;
  DWORD n = GetCurrentDirectoryW(1033, dir);
  if (n == 0 || n >= 1033) return 0;
  std::swprintf(path, sizeof path / sizeof path[0], L"%ls\\config.ini", dir);
  return static_cast<int>(GetPrivateProfileStringW(section, key, L"", out, static_cast<DWORD>(cap), path));
}

}  // namespace mox
