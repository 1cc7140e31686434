// moxwin.ini: escapes both ways, integers, colours, placement and columns,
// and a file that is missing or read-only.
#include "moxwin/results/columns.h"
#include "moxwin/shell/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/testkit.h"

namespace mox::shell {
namespace {

using results::compute_list_colours;
using results::parse_column_order;
using results::format_column_order;
using results::ColumnRecord;
using results::read_columns;
using results::write_columns;


std::wstring encoded(const std::wstring& value, int cap = kStoredValueCap) {
  std::wstring out(static_cast<size_t>(cap), L'?');
  if (!encode_value(value.c_str(), out.data(), cap)) return L"(refused)";
  return out.c_str();
}

std::wstring decoded(const std::wstring& stored, int cap = kValueCap) {
  std::wstring out(static_cast<size_t>(cap), L'?');
  decode_value(stored.c_str(), out.data(), cap);
  return out.c_str();
}

TEST(SettingsValues, Escapes) {
  struct Case {
    std::wstring value, stored;
  };
  const Case cases[] = {
      {L"plain text", L"plain text"},
      {L"100%", L"100%0025"},
      {L"フォルダ", L"%30D5%30A9%30EB%30C0"},
      {L"\u00e9\x7f\x80", L"%00E9\x7f%0080"},
      {L"\U0001F600", L"%D83D%DE00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(encoded(c.value), c.stored);
    EXPECT_EQ(decoded(c.stored), c.value);
  }
  // Hand-edited values: lower-case and non-hex digits, an escape cut short.
  EXPECT_EQ(decoded(L"%30d5%zz41"), L"\u30d5\x0041");
  EXPECT_EQ(decoded(L"ab%30D"), L"ab");
  EXPECT_EQ(decoded(L"%"), L"");
}

TEST(SettingsValues, LimitsNeverOverrun) {
  // An encoded form that would not fit is refused whole.
  EXPECT_EQ(encoded(std::wstring(1035, L'\u3042')), L"(refused)");
  EXPECT_EQ(encoded(std::wstring(1034, L'\u3042')).size(), 5170u);
  EXPECT_EQ(encoded(std::wstring(10, L'%'), 50), L"(refused)");
  EXPECT_EQ(encoded(std::wstring(9, L'%'), 50).size(), 45u);
  // A long stored value is read up to the limit, at a character boundary.
  EXPECT_EQ(decoded(std::wstring(10000, L'x')).size(), kValueCap - 1u);
  std::wstring pairs;
  for (int i = 0; i < 600; ++i) pairs += L"%D83D%DE00";
  std::wstring read = decoded(pairs);
  EXPECT_EQ(read.size(), kValueCap - 2u);
  EXPECT_EQ(read.back(), L'\xDE00');
}

TEST(SettingsValues, Integers) {
  struct Case {
    const wchar_t* text;
    long value;
  };
  const Case cases[] = {{L"300", 300}, {L"-5", -5},   {L"0x80", 128}, {L"  +12z", 12}, {L"010", 8},
                        {L"0X1f", 31}, {L"09", 0},    {L"", 0},       {L"abc", 0},     {L"0x", 0}};
  for (const Case& c : cases) EXPECT_EQ(parse_integer(c.text), c.value) << test::to_utf8(c.text);
}

TEST(SettingsValues, ListColours) {
  const wchar_t* none[12] = {};
  // A tooltip colour whose red and blue differ gives colours 1 and 2; green
  // and blue equal leaves colours 3 and 4 at their defaults.
  results::ListColours colours = compute_list_colours(RGB(255, 255, 225), none);
  EXPECT_EQ(colours.colour[0], RGB(255, 255, 225));
  EXPECT_EQ(colours.colour[1], RGB(225, 255, 255));
  EXPECT_EQ(colours.colour[2], RGB(255, 255, 225));
  EXPECT_EQ(colours.colour[3], RGB(255, 225, 255));
  colours = compute_list_colours(RGB(10, 20, 30), none);
  EXPECT_EQ(colours.colour[1], RGB(30, 20, 10));
  EXPECT_EQ(colours.colour[3], RGB(10, 30, 20));
  colours = compute_list_colours(RGB(1, 1, 1), none);  // no part differs: defaults
  EXPECT_EQ(colours.colour[0], RGB(255, 255, 225));
  const wchar_t* keys[12] = {L"300", L"-5", L"0x80", nullptr, L"", L"7"};
  colours = compute_list_colours(RGB(1, 1, 1), keys);
  EXPECT_EQ(colours.colour[0], RGB(255, 0, 128));
  EXPECT_EQ(colours.colour[1], RGB(225, 255, 7));
}

TEST(SettingsValues, ColumnOrder) {
  int order[10] = {};
  EXPECT_TRUE(parse_column_order(L"JIHGFEDCBAxyz", order));
  EXPECT_EQ(order[0], 9);
  EXPECT_EQ(order[9], 0);
  wchar_t text[11];
  format_column_order(order, text);
  EXPECT_STREQ(text, L"JIHGFEDCBA");
  for (const wchar_t* bad : {L"ABCDEFGHI", L"AACDEFGHIJ", L"ABCDEFGHIK", L"abcdefghij"})
    EXPECT_FALSE(parse_column_order(bad, order)) << test::to_utf8(bad);
}

TEST(SettingsFile, ReadsAndWritesOnlyAnExistingWritableFile) {
  test::TempDir dir(L"settings");
  std::wstring path = dir / L"moxwin.ini";
  use_settings_file(path.c_str());
  EXPECT_STREQ(settings_read(L"history0", L"exclude0"), L"");
  EXPECT_FALSE(settings_write(L"history0", L"exclude0", L"x"));
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

  test::write_file(path, "[history0]\r\nmin0=1k\r\n");
  EXPECT_TRUE(settings_write(L"history0", L"exclude0", L"50% フ|.tmp>"));
  EXPECT_STREQ(settings_read(L"history0", L"exclude0"), L"50% フ|.tmp>");
  EXPECT_NE(test::read_file(path).find("exclude0=50%0025 %30D5|.tmp>"), std::string::npos);
  // A hand-edited value of 10,000 characters is read up to the limit.
  WritePrivateProfileStringW(L"history0", L"max0", std::wstring(10000, L'9').c_str(), path.c_str());
  EXPECT_EQ(std::wstring(settings_read(L"history0", L"max0")), std::wstring(kValueCap - 1, L'9'));
  // A value too long to store whole keeps the stored one.
  EXPECT_FALSE(settings_write(L"history0", L"exclude0", std::wstring(2000, L'\u3042').c_str()));
  EXPECT_STREQ(settings_read(L"history0", L"exclude0"), L"50% フ|.tmp>");

  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string before = test::read_file(path);
  EXPECT_FALSE(settings_write(L"history0", L"min0", L"2k"));
  EXPECT_EQ(test::read_file(path), before);
  EXPECT_STREQ(settings_read(L"history0", L"min0"), L"1k");
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);

  // Placement: all ten values or nothing.
  WINDOWPLACEMENT placement{};
  EXPECT_FALSE(read_placement(&placement));
  placement = {sizeof placement, 2, 3, {-1, -2}, {5, 6}, {7, 8, 900, 1000}};
  write_placement(placement);
  WINDOWPLACEMENT back{};
  EXPECT_TRUE(read_placement(&back));
  EXPECT_EQ(back.showCmd, 3u);
  EXPECT_EQ(back.ptMinPosition.y, -2);
  EXPECT_EQ(back.rcNormalPosition.bottom, 1000);
  WritePrivateProfileStringW(L"Window", L"bottom", nullptr, path.c_str());
  EXPECT_FALSE(read_placement(&back));

  ColumnRecord columns;
  for (int i = 0; i < 10; ++i) {
    columns.width[i] = 10 + i;
    columns.order[i] = 9 - i;
  }
  columns.order_known = true;
  write_columns(columns);
  ColumnRecord read = read_columns();
  EXPECT_EQ(read.width[9], 19);
  EXPECT_TRUE(read.order_known);
  EXPECT_EQ(read.order[0], 9);
  use_settings_file(L"");
}

}  // namespace
}  // namespace mox::shell
