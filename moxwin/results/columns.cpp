#include "moxwin/results/columns.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "moxwin/shell/settings.h"

namespace mox::results {

using shell::kValueCap;
using shell::parse_integer;
using shell::settings_read;
using shell::settings_write;
using shell::settings_write_integer;

ListColours compute_list_colours(uint32_t tooltip, const wchar_t* const (&values)[12]) {
  ListColours colours = {{RGB(255, 255, 225), RGB(225, 255, 255), RGB(255, 255, 225), RGB(255, 225, 255)}};
  BYTE r = GetRValue(tooltip), g = GetGValue(tooltip), b = GetBValue(tooltip);
  if (r != b) {
    colours.colour[0] = RGB(r, g, b);
    colours.colour[1] = RGB(b, g, r);
  }
  if (g != b) {
    colours.colour[2] = RGB(r, g, b);
    colours.colour[3] = RGB(r, b, g);
  }
  for (int i = 0; i < 12; ++i) {
    if (!values[i] || !values[i][0]) continue;
    long part = parse_integer(values[i]);
    part = part > 255 ? 255 : part < 0 ? 0 : part;
    uint32_t& colour = colours.colour[i / 3];
    int shift = 8 * (i % 3);  // red, green, blue
    colour = (colour & ~(0xFFu << shift)) | (static_cast<uint32_t>(part) << shift);
  }
  return colours;
}

ListColours read_list_colours() {
  wchar_t texts[12][kValueCap];
  const wchar_t* values[12];
  for (int i = 0; i < 12; ++i) {
    wchar_t key[4] = {L"RGB"[i % 3], static_cast<wchar_t>(L'1' + i / 3), 0};
    std::wcscpy(texts[i], settings_read(L"Window", key));
    values[i] = texts[i];
  }
  return compute_list_colours(GetSysColor(COLOR_INFOBK), values);
}

bool parse_column_order(const wchar_t* text, int (&order)[kColumnCount]) {
  if (std::wcslen(text) < kColumnCount) return false;
  // Anything but each column once would leave a column unreachable.
  bool seen[kColumnCount] = {};
  int parsed[kColumnCount];
  for (int i = 0; i < kColumnCount; ++i) {
    int column = text[i] - L'A';
    if (column < 0 || column >= kColumnCount || seen[column]) return false;
    seen[column] = true;
    parsed[i] = column;
  }
  for (int i = 0; i < kColumnCount; ++i) order[i] = parsed[i];
  return true;
}

void format_column_order(const int (&order)[kColumnCount], wchar_t (&text)[kColumnCount + 1]) {
  for (int i = 0; i < kColumnCount; ++i) text[i] = static_cast<wchar_t>(L'A' + order[i]);
  text[kColumnCount] = 0;
}

ColumnRecord read_columns() {
  ColumnRecord columns;
  for (int i = 0; i < kColumnCount; ++i) {
    wchar_t key[12];
    std::swprintf(key, 12, L"column%d", i);
    columns.width[i] = static_cast<int>(parse_integer(settings_read(L"Window", key)));
  }
  columns.order_known = parse_column_order(settings_read(L"Window", L"order"), columns.order);
  return columns;
}

void write_columns(const ColumnRecord& columns) {
  for (int i = 0; i < kColumnCount; ++i) {
    wchar_t key[12];
    std::swprintf(key, 12, L"column%d", i);
    settings_write_integer(L"Window", key, columns.width[i]);
  }
  if (!columns.order_known) return;
  wchar_t order[kColumnCount + 1];
  format_column_order(columns.order, order);
  settings_write(L"Window", L"order", order);
}

}  // namespace mox::results
