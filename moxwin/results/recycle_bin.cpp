#include "moxwin/results/recycle_bin.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace mox::results {
namespace {

using DosFileName = wchar_t*(CDECL*)(const char*);

std::string unix_variable(const wchar_t* name) {
  wchar_t value[4096];
  DWORD length = GetEnvironmentVariableW(name, value, 4096);
  if (length == 0 || length >= 4096) return {};
  char bytes[4096 * 3];
  int n = WideCharToMultiByte(CP_UTF8, 0, value, static_cast<int>(length), bytes, sizeof bytes, nullptr, nullptr);
  return std::string(bytes, n > 0 ? static_cast<size_t>(n) : 0);
}

bool unix_folder_exists(DosFileName dos_name, const std::string& path) {
  if (path.empty()) return false;
  wchar_t* name = dos_name(path.c_str());
  if (!name) return false;
  DWORD attributes = GetFileAttributesW(name);
  HeapFree(GetProcessHeap(), 0, name);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The root a recycle bin belongs to: "C:\" of "C:\a\b" or "\\?\C:\a\b",
// "\\server\share\" of a network path.
std::wstring root_of(const wchar_t* path) {
  std::wstring text(path);
  if (text.compare(0, 8, L"\\\\?\\UNC\\") == 0) text = L"\\\\" + text.substr(8);
  else if (text.compare(0, 4, L"\\\\?\\") == 0) text = text.substr(4);
  if (text.size() >= 3 && text[1] == L':') return text.substr(0, 3);
  if (text.compare(0, 2, L"\\\\") != 0) return {};
  size_t share_end = text.find(L'\\', text.find(L'\\', 2) + 1);
  return share_end == std::wstring::npos ? text + L"\\" : text.substr(0, share_end + 1);
}

}  // namespace

RecycleBin::RecycleBin() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto dos_name = reinterpret_cast<DosFileName>(
      reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "wine_get_dos_file_name") : nullptr));
  if (!dos_name) return;
  wine_ = true;
  std::string data_home = unix_variable(L"XDG_DATA_HOME");
  if (data_home.empty()) {
    std::string home = unix_variable(L"HOME");
    if (!home.empty()) data_home = home + "/.local/share";
  }
  wine_trash_ = unix_folder_exists(dos_name, data_home);
}

bool RecycleBin::takes(const wchar_t* path) const {
  if (wine_) return wine_trash_;
  std::wstring root = root_of(path);
  SHQUERYRBINFO info{};
  info.cbSize = sizeof info;
  return !root.empty() && SHQueryRecycleBinW(root.c_str(), &info) == S_OK;
}

}  // namespace mox::results
