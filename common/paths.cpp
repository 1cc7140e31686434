#include "paths.h"

#include <windows.h>

namespace mox {

namespace {

bool is_sep(wchar_t c) { return c == L'\\' || c == L'/'; }

bool is_letter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool is_drive(const std::wstring& p) {
  return (p.size() == 2 || (p.size() == 3 && is_sep(p[2]))) && is_letter(p[0]) && p[1] == L':';
}

// "\\" alone, or followed by a server and at most one share name, with or
// without a trailing backslash.
bool is_network_root(const std::wstring& p) {
  if (p.size() < 2 || p[0] != L'\\' || p[1] != L'\\') return false;
  if (p.size() > 2 && p[2] == L'?') return false;
  std::wstring rest = p.substr(2);
  if (!rest.empty() && rest.back() == L'\\') rest.pop_back();
  if (rest.empty()) return true;
  int names = 0;
  for (size_t start = 0;;) {
    size_t end = rest.find(L'\\', start);
    if (end == start) return false;
    ++names;
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return names <= 2;
}

// Kept as the system gave it: "\", "/", drives and network roots.
bool is_kept(const std::wstring& p) { return p == L"\\" || p == L"/" || is_drive(p) || is_network_root(p); }

bool system_full_path(const std::wstring& path, std::wstring* full) {
  std::wstring buf(path.size() + 261, L'\0');
  DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buf.size()), buf.data(), nullptr);
  if (n == 0 || n >= buf.size()) return false;
  buf.resize(n);
  *full = buf;
  return true;
}

bool system_stored_name(const std::wstring& path, std::wstring* name) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(path.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    std::wstring n = data.cFileName;
    if (n != L"." && n != L"..") {
      *name = n;
      found = true;
      break;
    }
  } while (FindNextFileW(h, &data));
  FindClose(h);
  return found;
}

}  // namespace

const PathLookup kSystemPathLookup = {system_full_path, system_stored_name};

int root_length(const std::wstring& p) {
  if (p.size() >= 2 && is_sep(p[0]) && is_sep(p[1])) return 2;
  if (p.size() >= 2 && is_letter(p[0]) && p[1] == L':') return p.size() >= 3 && is_sep(p[2]) ? 3 : 2;
  if (!p.empty() && is_sep(p[0])) return 1;
  return 0;
}

std::wstring parent_path(const std::wstring& p) {
  size_t root = static_cast<size_t>(root_length(p));
  for (size_t i = p.size(); i > root; --i)
    if (is_sep(p[i - 1])) return p.substr(0, i - 1);
  return p.substr(0, root);
}

size_t file_name_offset(const std::wstring& p) {
  size_t root = static_cast<size_t>(root_length(p));
  size_t last = p.rfind(L'\\');
  return last == std::wstring::npos || last < root ? root : last + 1;
}

std::wstring join_path(const std::wstring& folder, const std::wstring& name) {
  // A network root kept with its trailing backslash must not double it.
  if (folder == L"/" || is_drive(folder) || (!folder.empty() && folder.back() == L'\\')) return folder + name;
  return folder + L"\\" + name;
}

bool is_network_path(const std::wstring& p) {
  return p.size() >= 3 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'?' && p[2] != L'.';
}

std::wstring canonical_path(const std::wstring& path, const PathLookup& lookup) {
  if (path.empty()) return path;
  std::wstring full;
  if (!lookup.full_path(path, &full)) full = path;
  if (is_kept(full)) return full;
  // A trailing separator would make the lookup fail and double the separator
  // in every joined child path.
  size_t root = static_cast<size_t>(root_length(full));
  while (full.size() > root && is_sep(full.back()) && !is_kept(full)) full.pop_back();
  if (is_kept(full)) return full;
  std::wstring name;
  // A wildcard would make the lookup return some other entry's name.
  std::wstring last = full.substr(parent_path(full).size());
  if (last.find_first_of(L"*?") != std::wstring::npos || !lookup.stored_name(full, &name)) return full;
  return join_path(canonical_path(parent_path(full), lookup), name);
}

}  // namespace mox
