#include "size_syntax.h"

#include <cstdint>

namespace mox {

bool parse_size(const wchar_t* text, long long* size) {
  constexpr unsigned long long kMax = INT64_MAX;
  unsigned long long value = 0;
  bool digit = false;
  int shift = 0;
  for (const wchar_t* p = text; *p; ++p) {
    wchar_t c = *p;
    if (c >= L'0' && c <= L'9') {
      unsigned d = static_cast<unsigned>(c - L'0');
      if (value > (kMax - d) / 10) return false;
      value = value * 10 + d;
      digit = true;
    } else if (c == L',') {
      continue;
    } else {
      switch (c) {
        case L'K': case L'k': shift = 10; break;
        case L'M': case L'm': shift = 20; break;
        case L'G': case L'g': shift = 30; break;
        case L'T': case L't': shift = 40; break;
        default: return false;
      }
      break;  // the unit ends the number
    }
  }
  if (!digit) return false;
  if (value > (kMax >> shift)) return false;
  *size = static_cast<long long>(value << shift);
  return true;
}

}  // namespace mox
