#include "moxwin/shell/settings.h"

#include <cwchar>
#include <cwctype>

namespace mox::shell {

namespace {

wchar_t g_path[kModulePathCap];
wchar_t g_value[kValueCap];

int hex_digit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return 0;
}

bool is_high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

bool file_writable(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

const wchar_t* const kPlacementKeys[10] = {L"flags", L"showCmd", L"MinX", L"MinY", L"MaxX",
                                           L"MaxY",  L"left",    L"top",  L"right", L"bottom"};

}  // namespace

bool encode_value(const wchar_t* value, wchar_t* out, int cap) {
  int n = 0;
  for (const wchar_t* p = value; *p; ++p) {
    unsigned unit = static_cast<unsigned short>(*p);
    bool escaped = unit >= 0x80 || unit == L'%';
    int need = escaped ? 5 : 1;
    if (n + need > cap - 1) {
      out[0] = 0;
      return false;
    }
    if (escaped) {
      std::swprintf(out + n, 6, L"%%%04X", unit);
    } else {
      out[n] = *p;
    }
    n += need;
  }
  out[n] = 0;
  return true;
}

int decode_value(const wchar_t* stored, wchar_t* out, int cap) {
  int n = 0;
  for (const wchar_t* p = stored; *p && n < cap - 1;) {
    wchar_t unit = *p;
    if (unit == L'%') {
      if (!p[1] || !p[2] || !p[3] || !p[4]) break;  // cut by the end of the value
      unit = static_cast<wchar_t>((hex_digit(p[1]) << 12) | (hex_digit(p[2]) << 8) | (hex_digit(p[3]) << 4) |
                                  hex_digit(p[4]));
      p += 5;
    } else {
      ++p;
    }
    out[n++] = unit;
  }
  // A full buffer must not end in half a surrogate pair.
  if (n == cap - 1 && n > 0 && is_high_surrogate(out[n - 1])) --n;
  out[n] = 0;
  return n;
}

long parse_integer(const wchar_t* text) { return std::wcstol(text, nullptr, 0); }

bool locate_settings(HMODULE module, wchar_t (&path)[kModulePathCap]) {
  DWORD length = GetModuleFileNameW(module, path, kModulePathCap);
  // A full buffer means the path was cut.
  if (length < 3 || length >= static_cast<DWORD>(kModulePathCap)) {
    path[0] = 0;
    return false;
  }
  std::wmemcpy(path + length - 3, L"ini", 3);
  return true;
}

void use_settings_file(const wchar_t* path) {
  std::wcsncpy(g_path, path, kModulePathCap - 1);
  g_path[kModulePathCap - 1] = 0;
}

const wchar_t* settings_read(const wchar_t* section, const wchar_t* key) {
  g_value[0] = 0;
  if (!g_path[0]) return g_value;
  wchar_t stored[kStoredValueCap];
  GetPrivateProfileStringW(section, key, L"", stored, kStoredValueCap, g_path);
  decode_value(stored, g_value, kValueCap);
  return g_value;
}

bool settings_write(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  if (!g_path[0] || !file_writable(g_path)) return false;
  wchar_t stored[kStoredValueCap];
  // A cut value would be another value next time: keep the stored one.
  if (!encode_value(value, stored, kStoredValueCap)) return false;
  return WritePrivateProfileStringW(section, key, stored, g_path) != 0;
}

bool settings_write_integer(const wchar_t* section, const wchar_t* key, long value) {
  wchar_t text[24];
  std::swprintf(text, 24, L"%ld", value);
  return settings_write(section, key, text);
}

bool read_placement(WINDOWPLACEMENT* placement) {
  long values[10];
  for (int i = 0; i < 10; ++i) {
    const wchar_t* text = settings_read(L"Window", kPlacementKeys[i]);
    if (!text[0]) return false;
    values[i] = parse_integer(text);
  }
  placement->length = sizeof(WINDOWPLACEMENT);
  placement->flags = static_cast<UINT>(values[0]);
  placement->showCmd = static_cast<UINT>(values[1]);
  placement->ptMinPosition = {values[2], values[3]};
  placement->ptMaxPosition = {values[4], values[5]};
  placement->rcNormalPosition = {values[6], values[7], values[8], values[9]};
  return true;
}

void write_placement(const WINDOWPLACEMENT& p) {
  const long values[10] = {static_cast<long>(p.flags), static_cast<long>(p.showCmd), p.ptMinPosition.x,
                           p.ptMinPosition.y, p.ptMaxPosition.x, p.ptMaxPosition.y, p.rcNormalPosition.left,
                           p.rcNormalPosition.top, p.rcNormalPosition.right, p.rcNormalPosition.bottom};
  for (int i = 0; i < 10; ++i) settings_write_integer(L"Window", kPlacementKeys[i], values[i]);
}

}  // namespace mox::shell
