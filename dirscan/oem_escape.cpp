#include "oem_escape.h"

#include <windows.h>

#include <cstdint>

namespace mox {

namespace {

// Per-unit conversion result, filled on first use: a unit costs two system
// calls once per run instead of on every line. 0 = not yet known; otherwise
// kKnown | byte count (0 = escape) | bytes << 8.
constexpr uint32_t kKnown = 0x80000000u;
uint32_t g_unit_table[65536];

uint32_t convert_unit(wchar_t unit) {
  if (unit == L'?') return kKnown;
  char bytes[8] = {};
  int n = WideCharToMultiByte(CP_OEMCP, 0, &unit, 1, bytes, sizeof bytes, nullptr, nullptr);
  if (n < 1 || n > 2) return kKnown;
  // The round trip reads two bytes only when the first leads a double-byte character.
  int back_len = IsDBCSLeadByte(static_cast<BYTE>(bytes[0])) ? 2 : 1;
  if (back_len > n) return kKnown;
  wchar_t back[2] = {};
  if (MultiByteToWideChar(CP_OEMCP, 0, bytes, back_len, back, 2) != 1 || back[0] != unit) return kKnown;
  uint32_t packed = static_cast<uint8_t>(bytes[0]);
  if (back_len == 2) packed |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[1])) << 8;
  return kKnown | static_cast<uint32_t>(back_len) | (packed << 8);
}

const char kHex[] = "0123456789ABCDEF";

}  // namespace

size_t oem_escape(const wchar_t* text, size_t length, char* out) {
  char* at = out;
  for (size_t i = 0; i < length; ++i) {
    wchar_t unit = text[i];
    uint32_t entry = g_unit_table[static_cast<uint16_t>(unit)];
    if (entry == 0) entry = g_unit_table[static_cast<uint16_t>(unit)] = convert_unit(unit);
    uint32_t count = entry & 3;
    if (count == 0) {
      *at++ = '?';
      *at++ = kHex[(unit >> 12) & 15];
      *at++ = kHex[(unit >> 8) & 15];
      *at++ = kHex[(unit >> 4) & 15];
      *at++ = kHex[unit & 15];
    } else {
      *at++ = static_cast<char>((entry >> 8) & 0xFF);
      if (count == 2) *at++ = static_cast<char>((entry >> 16) & 0xFF);
    }
  }
  return static_cast<size_t>(at - out);
}

std::string oem_escape(const std::wstring& text) {
  std::string out(text.size() * kOemEscapeMax, '\0');
  out.resize(oem_escape(text.data(), text.size(), out.data()));
  return out;
}

}  // namespace mox
