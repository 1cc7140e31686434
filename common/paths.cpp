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

bool starts_with_unc(std::wstring_view rest) {
  return rest.size() >= 4 && CompareStringOrdinal(rest.data(), 3, L"UNC", 3, TRUE) == CSTR_EQUAL && rest[3] == L'\\';
}

// The plain path an extended one stands for: "\\?\C:\x" for "C:\x",
// "\\?\UNC\srv\s" for "\\srv\s"; any other path as it is.
std::wstring plain_form(const std::wstring& p) {
  if (!is_extended_path(p)) return p;
  std::wstring_view rest = std::wstring_view(p).substr(4);
  if (starts_with_unc(rest)) return L"\\" + std::wstring(rest.substr(4));
  return std::wstring(rest);
}

// Kept as the system gave it: "\", "/", drives and network roots, also
// behind a \\?\ prefix.
bool is_kept(const std::wstring& p) {
  if (is_extended_path(p)) {
    std::wstring plain = plain_form(p);
    return plain.size() >= 2 && (is_drive(plain) || (plain[0] == L'\\' && is_network_root(plain)));
  }
  return p == L"\\" || p == L"/" || is_drive(p) || is_network_root(p);
}

wchar_t ascii_upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool same_ascii(std::wstring_view a, const wchar_t* upper) {
  size_t i = 0;
  for (; i < a.size() && upper[i]; ++i)
    if (ascii_upper(a[i]) != upper[i]) return false;
  return i == a.size() && !upper[i];
}

bool is_port_digit(wchar_t c) { return (c >= L'0' && c <= L'9') || c == 0xB9 || c == 0xB2 || c == 0xB3; }

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
  if (is_extended_path(p)) {
    std::wstring_view rest = std::wstring_view(p).substr(4);
    if (starts_with_unc(rest)) return 8;
    bool drive = rest.size() >= 2 && is_letter(rest[0]) && rest[1] == L':';
    return drive ? (rest.size() >= 3 && rest[2] == L'\\' ? 7 : 6) : 4;
  }
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

bool is_device_name(std::wstring_view name) {
  // The system compares the part before the first dot, trailing blanks cut.
  size_t end = name.find(L'.');
  if (end == std::wstring_view::npos) end = name.size();
  while (end > 0 && name[end - 1] == L' ') --end;
  std::wstring_view base = name.substr(0, end);
  static const wchar_t* const kFixed[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* fixed : kFixed)
    if (same_ascii(base, fixed)) return true;
  return base.size() == 4 && is_port_digit(base[3]) &&
         (same_ascii(base.substr(0, 3), L"COM") || same_ascii(base.substr(0, 3), L"LPT"));
}

bool plain_path_alters(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  return name.back() == L'.' || name.back() == L' ' || is_device_name(name);
}

bool is_extended_path(std::wstring_view p) {
  return p.size() >= 4 && p[0] == L'\\' && p[1] == L'\\' && p[2] == L'?' && p[3] == L'\\';
}

bool plain_path_reaches(std::wstring_view p) {
  if (is_extended_path(p)) return true;
  size_t start = static_cast<size_t>(root_length(std::wstring(p)));
  while (start < p.size()) {
    size_t end = p.find_first_of(L"\\/", start);
    if (end == std::wstring_view::npos) end = p.size();
    if (plain_path_alters(p.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

std::wstring extended_path(std::wstring_view p) {
  std::wstring out;
  bool drive = p.size() >= 3 && is_letter(p[0]) && p[1] == L':' && is_sep(p[2]);
  if (drive)
    out = std::wstring(L"\\\\?\\") + std::wstring(p);
  else if (is_network_path(std::wstring(p)))
    out = std::wstring(L"\\\\?\\UNC\\") + std::wstring(p.substr(2));
  else
    return std::wstring(p);
  for (wchar_t& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

std::wstring canonical_path(const std::wstring& path, const PathLookup& lookup) {
  if (path.empty()) return path;
  // The system takes a \\?\ path as it stands: it is full already.
  std::wstring full;
  if (is_extended_path(path) || !lookup.full_path(path, &full)) full = path;
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
