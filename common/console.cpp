#include "console.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace mox {

namespace {

constexpr int kConsolePiece = 1131;

HANDLE console_handle(FILE* stream) {
  DWORD which;
  if (stream == stdout)
    which = STD_OUTPUT_HANDLE;
  else if (stream == stderr)
    which = STD_ERROR_HANDLE;
  else
    return nullptr;
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
  return GetFileType(h) == FILE_TYPE_CHAR ? h : nullptr;
}

int write_console(HANDLE h, const wchar_t* text, int len) {
  for (int done = 0; done < len;) {
    DWORD piece = static_cast<DWORD>(len - done < kConsolePiece ? len - done : kConsolePiece);
    DWORD written = 0;
    if (!WriteConsoleW(h, text + done, piece, &written, nullptr)) return -1;
    done += static_cast<int>(piece);
  }
  return len;
}

// Formats into a growing heap buffer; returns the length, -1 on a format
// error. The caller frees *out with free().
int format_alloc(wchar_t** out, const wchar_t* fmt, va_list args) {
  size_t cap = 1132;
  for (;;) {
    wchar_t* buf = static_cast<wchar_t*>(malloc(cap * sizeof(wchar_t)));
    if (!buf) return -1;
    va_list copy;
    va_copy(copy, args);
    int n = vswprintf(buf, cap, fmt, copy);
    va_end(copy);
    if (n >= 0 && static_cast<size_t>(n) < cap) {
      *out = buf;
      return n;
    }
    free(buf);
    if (cap > (1u << 26)) return -1;  // a format error, not a long text
    cap *= 4;
  }
}

}  // namespace

int con_vprintf(FILE* stream, const wchar_t* fmt, va_list args) {
  if (fmt == nullptr || *fmt == 0) return 0;
  wchar_t* text = nullptr;
  int len = format_alloc(&text, fmt, args);
  if (len < 0) return -1;
  int result;
  if (HANDLE h = console_handle(stream)) {
    fflush(stream);
    result = write_console(h, text, len);
  } else {
    result = static_cast<int>(fwrite(text, sizeof(wchar_t), static_cast<size_t>(len), stream));
  }
  free(text);
  return result;
}

int con_printf(FILE* stream, const wchar_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = con_vprintf(stream, fmt, args);
  va_end(args);
  return n;
}

int byte_vprintf(FILE* stream, const wchar_t* fmt, va_list args) {
  if (fmt == nullptr || *fmt == 0) return 0;
  wchar_t* text = nullptr;
  int len = format_alloc(&text, fmt, args);
  if (len < 0) return -1;
  for (int i = 0; i < len; ++i) fputc(text[i] <= 255 ? static_cast<int>(text[i]) : '?', stream);
  free(text);
  return len;
}

int byte_printf(FILE* stream, const wchar_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = byte_vprintf(stream, fmt, args);
  va_end(args);
  return n;
}

}  // namespace mox
