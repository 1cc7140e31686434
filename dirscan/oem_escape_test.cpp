#include "dirscan/oem_escape.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace mox {
namespace {

bool japanese() {
  const char* locale = std::getenv("MOX_LOCALE");
  return locale && std::string(locale) == "japanese";
}

TEST(OemEscape, UnitsUnderTheSystemCodePage) {
  ASSERT_EQ(GetOEMCP(), japanese() ? 932u : 437u);
  struct Case {
    const wchar_t* text;
    const char* western;   // OEM 437
    const char* japanese;  // OEM 932
  };
  const Case cases[] = {
      {L"C:\\a b.txt\r\n", "C:\\a b.txt\r\n", "C:\\a b.txt\r\n"},
      {L"\u00E9", "\x82", "?00E9"},                    // é: in 437 only
      {L"\u65E5", "?65E5", "\x93\xFA"},                // 日: in 932 only, two bytes
      {L"\u8868", "?8868", "\x95\x5C"},                // 表: a trail byte that looks like '\'
      {L"\uFF71", "?FF71", "\xB1"},                    // half-width katakana: one byte, no lead
      {L"?", "?003F", "?003F"},                        // a literal '?' never stands for itself
      {L"\U0001F600", "?D83D?DE00", "?D83D?DE00"},     // each surrogate escaped on its own
      {L"\u0101", "?0101", "?0101"},                   // best fit to 'a' fails the round trip
      {L"x\u00E9\u65E5?", "x\x82?65E5?003F", "x?00E9\x93\xFA?003F"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "unit " << std::hex << static_cast<unsigned>(c.text[0]));
    std::string expected = japanese() ? c.japanese : c.western;
    EXPECT_EQ(oem_escape(std::wstring(c.text)), expected);
    EXPECT_EQ(oem_escape(std::wstring(c.text)), expected);  // again, from the table
  }
}

}  // namespace
}  // namespace mox
