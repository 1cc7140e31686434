// The result list's settings in moxwin.ini: its four colours, its column
// widths and order.
#pragma once
#include <cstdint>

#include "moxwin/results/model.h"

namespace mox::results {

// The four list colours: the defaults, the tooltip background rule, then the
// keys R1 to B4 of section Window.
ListColours compute_list_colours(uint32_t tooltip_background, const wchar_t* const (&values)[12]);
ListColours read_list_colours();

// The result list's column widths and order as kept between runs.
struct ColumnRecord {
  int width[kColumnCount] = {};  // 0: not saved, use the default
  int order[kColumnCount] = {};
  bool order_known = false;  // order holds a whole saved order
};

// Ten letters, "A" + the column index shown at each position; fewer than ten
// leave the order unknown.
bool parse_column_order(const wchar_t* text, int (&order)[kColumnCount]);
void format_column_order(const int (&order)[kColumnCount], wchar_t (&text)[kColumnCount + 1]);

ColumnRecord read_columns();
void write_columns(const ColumnRecord& columns);

}  // namespace mox::results
