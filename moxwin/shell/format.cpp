#include "moxwin/shell/format.h"

#include <windows.h>

#include <cerrno>
#include <cwchar>
#include <vector>

namespace mox::shell {

std::wstring c99_format(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p; ++p) {
    out += *p;
    if (*p != L'%') continue;
    ++p;
    if (*p == L'%') {
      out += *p;
      continue;
    }
    // Flags, width and precision pass unchanged.
    while (*p && std::wcschr(L"-+ #0123456789.*", *p)) out += *p++;
    if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
      out += L"ll";
      p += 3;
    } else if (*p == L's') {
      out += L'l';
    }
    if (!*p) break;
    out += *p;
  }
  return out;
}

std::wstring format_text_v(int cap, const wchar_t* format, va_list args) {
  std::wstring c99 = c99_format(format);
  std::vector<wchar_t> buffer(static_cast<size_t>(cap));
  int n = std::vswprintf(buffer.data(), buffer.size(), c99.c_str(), args);
  // vswprintf fails on a text that does not fit; keep what it wrote then.
  buffer.back() = 0;
  if (n < 0 || n >= cap) n = static_cast<int>(std::wcslen(buffer.data()));
  return std::wstring(buffer.data(), static_cast<size_t>(n));
}

void append_utf16le(std::string& bytes, const std::wstring& text) {
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
}

bool write_utf16le(FILE* file, const std::wstring& text) {
  std::string bytes;
  append_utf16le(bytes, text);
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool write_file_bytes(const wchar_t* name, const std::string& bytes, int* error_number) {
  FILE* file = _wfopen(name, L"wb");
  if (!file) {
    *error_number = errno;
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  *error_number = errno;
  return std::fclose(file) == 0 && written;
}

bool read_file_bytes(const wchar_t* name, std::string* bytes, unsigned long* system_error) {
  bytes->clear();
  HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *system_error = GetLastError();
    return false;
  }
  char buffer[65536];
  DWORD got = 0;
  BOOL read;
  while ((read = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0) bytes->append(buffer, got);
  *system_error = read ? 0 : GetLastError();
  CloseHandle(file);
  return read;
}

std::wstring format_text(int cap, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = format_text_v(cap, format, args);
  va_end(args);
  return text;
}

int locale_compare(const wchar_t* a, const wchar_t* b) {
  int result = CompareStringW(LOCALE_USER_DEFAULT, 0, a, -1, b, -1);
  return result == 0 ? -1 : result - CSTR_EQUAL;
}

}  // namespace mox::shell
