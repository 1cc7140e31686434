#include "widen.h"

#include <windows.h>

#include <cwchar>

#include "common/console.h"
#include "common/frame.h"
#include "common/lines.h"

namespace mox {

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower case is no digit here
}

// The unit of "?XXXX" at bytes[0], or -1.
long escaped_unit(const char* bytes, int available) {
  if (available < 5) return -1;
  long unit = 0;
  for (int k = 1; k <= 4; ++k) {
    int d = hex_digit(bytes[k]);
    if (d < 0) return -1;
    unit = unit * 16 + d;
  }
  return unit;
}

bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// Reads and drops the rest of a line whose first piece filled the buffer.
void skip_rest_of_line(LineReader& reader, char* buf, int cap, int n) {
  while (n == cap - 1 && buf[n - 1] != '\n') {
    n = read_byte_line(reader, buf, cap);
    if (n < 0) return;
  }
}

}  // namespace

Decode decode_escaped_line(const char* bytes, int n, wchar_t (&out)[kWideLineCap], int* len) {
  int i = 0, w = 0;
  out[0] = 0;
  *len = 0;
  while (i < n) {
    int room = kWideLineCap - 1 - w;
    if (bytes[i] == '?') {
      // No name holds a control character, and the scanner never escapes
      // one: an escaped NUL would end the text, a CR or LF would cut or split
      // the line into a false path.
      long unit = escaped_unit(bytes + i, n - i);
      if (unit < 0x20) return Decode::bad;
      if (room < 1) return Decode::too_long;
      out[w++] = static_cast<wchar_t>(unit);
      i += 5;
      continue;
    }
    if (bytes[i] == 0) return Decode::bad;
    int width = 1;
    if (IsDBCSLeadByte(static_cast<BYTE>(bytes[i]))) {
      if (i + 1 >= n || bytes[i + 1] == 0 || is_line_end(bytes[i + 1])) return Decode::bad;
      width = 2;
    }
    if (room < 1) return Decode::too_long;
    int got = MultiByteToWideChar(CP_OEMCP, MB_PRECOMPOSED, bytes + i, width, out + w, room);
    if (got == 0) return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? Decode::too_long : Decode::bad;
    w += got;
    i += width;
  }
  out[w] = 0;
  *len = w;
  return Decode::ok;
}

int widen_run(FILE* in, FILE* out) {
  constexpr int kByteCap = kByteLineMax + 2;  // one byte more shows a line too long
  static LineReader reader;
  static char bytes[kByteCap];
  static wchar_t line[kWideLineCap], previous[kWideLineCap];
  int previous_len = -1;
  int written = 0;
  long long line_number = 0;
  line_reader_init(reader, in);
  for (int n; (n = read_byte_line(reader, bytes, kByteCap)) >= 0;) {
    ++line_number;
    int len = 0;
    Decode status = Decode::too_long;
    if (n > kByteLineMax)
      skip_rest_of_line(reader, bytes, kByteCap, n);
    else
      status = decode_escaped_line(bytes, n, line, &len);
    if (status != Decode::ok) {
      msg(status == Decode::too_long ? L"%ls: line %lld too long, skipped\r\n"
                                     : L"%ls: line %lld can't be decoded, skipped\r\n",
          g_frame.program, line_number);
      continue;
    }
    if (len == previous_len && std::wmemcmp(line, previous, static_cast<size_t>(len)) == 0) continue;
    con_printf(out, L"%ls", line);
    ++written;
    std::wmemcpy(previous, line, static_cast<size_t>(len) + 1);
    previous_len = len;
  }
  return written;
}

}  // namespace mox
