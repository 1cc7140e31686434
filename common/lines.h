// Line input: buffered reading of UTF-16LE or 8-bit lines from a stream, and
// the line cleaning every list reader applies.
#pragma once
#include <cstdio>

namespace mox {

struct LineReader {
  FILE* stream = nullptr;
  unsigned char buf[65536];
  size_t pos = 0;
  size_t len = 0;
};

inline void line_reader_init(LineReader& r, FILE* stream) {
  r.stream = stream;
  r.pos = r.len = 0;
}

// Reads up to and including LF, at most cap - 1 code units, and terminates
// the text. A longer line arrives in pieces. Returns the units read, -1 at
// the end of input. A lone byte at the very end is dropped.
int read_wide_line(LineReader& r, wchar_t* out, int cap);

// The same for 8-bit text: one byte a character.
int read_byte_line(LineReader& r, char* out, int cap);

// Removes a leading U+FEFF and cuts the line at its first CR or LF, in place.
// Returns the new length.
int clean_line(wchar_t* line);

// True when a piece from read_*_line ends a whole line (it ends in LF, or it
// was cut short by the end of input rather than by the limit).
inline bool piece_ends_line(int len, int cap, wchar_t last) { return len < cap - 1 || last == L'\n'; }

}  // namespace mox
