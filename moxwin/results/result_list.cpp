#include "moxwin/results/result_list.h"
#include "moxwin/results/state.h"

#include <algorithm>
#include <cwchar>

#include "moxwin/resource.h"
#include "moxwin/results/open_commands.h"
#include "moxwin/results/sort_commands.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/dpi.h"
#include "moxwin/shell/menus.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/numbers.h"

namespace mox::results {

using shell::g_app;

namespace {

// Room for a header's title beside its image, so that no title starts cut
// (at 100 %).
constexpr int kHeaderRoom = 8 + 24;

// In pixels at the window's DPI; the figures are those at 100 %.
int default_width(const shell::ListView& view, int column, int client_width) {
  auto at_dpi = [](int pixels) { return shell::scaled(pixels, g_app.dpi); };
  if (column == 0) return client_width >= at_dpi(360) ? client_width - at_dpi(468) : at_dpi(45);
  int title = view.string_width(shell::text(IDS_COLUMN_FIRST + column)) + at_dpi(kHeaderRoom);
  return std::max(at_dpi(column == 6 ? 90 : 45), title);
}

void insert_row(const shell::ListView& view, const Row& row, int position) {
  int item = view.insert(position, row.path, row.storage_index);
  if (item < 0) return;
  // The column texts are made when the control shows or asks for them:
  // formatting them all up front took half the fill.
  for (int column = 1; column < kColumnCount; ++column) view.set_item_text(item, column, LPSTR_TEXTCALLBACKW);
  if (row.checked) view.set_checked(item, true);
  if (row.selected) view.set_selected(item, true);
}

// Fills the control from the display order, hidden and with redraw off: a
// list drawn item by item takes minutes for thousands of rows, and hiding
// alone is not enough.
void fill(HWND window) {
  shell::ListView view = list::control(window);
  view.show(SW_HIDE);
  view.set_redraw(false);
  view.clear();
  const Model& model = g_results.model;
  for (int position = 0; position < model.count(); ++position) insert_row(view, model.rows[model.order[position]], position);
  view.set_redraw(true);
  view.show(SW_SHOWNA);
  InvalidateRect(view.handle(), nullptr, TRUE);
}

void column_text_asked(HWND window, LVITEMW& item) {
  if (!(item.mask & LVIF_TEXT) || item.iSubItem <= 0 || item.cchTextMax <= 0) return;
  size_t row = static_cast<size_t>(list::control(window).data(item.iItem));
  std::wstring text = row < g_results.model.rows.size() ? column_text(g_results.model.rows[row], item.iSubItem) : L"";
  lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
}

LRESULT custom_draw(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      int position = static_cast<int>(draw->nmcd.dwItemSpec);
      if (position >= 0 && position < g_results.model.count())
        draw->clrTextBk = background_colour(g_results.model, position, g_results.colours);
      return CDRF_NEWFONT;
    }
  }
  return CDRF_DODEFAULT;
}

}  // namespace

std::wstring column_text(const Row& row, int column) {
  wchar_t text[64];
  switch (column) {
    case 0: return row.path;
    case 1: std::swprintf(text, 64, L"%d", row.id); return text;
    case 2: std::swprintf(text, 64, L"%d", row.group); return text;
    case 3: return row.found && row.size >= 0 ? shell::grouped(row.size) : std::wstring();
    case 4: return row.found ? shell::date_text(row.time) : std::wstring();
    case 5: return row.folder;
    case 6: return row.name;
    case 7: return row.extension;
    case 8: return row.attribute;
    case 9:
      std::swprintf(text, 64, L"%d %u %08x:%08x:%08x", row.link, row.identity.links, row.identity.volume_serial,
                    row.identity.index_high, row.identity.index_low);
      return text;
  }
  return {};
}

namespace list {

shell::ListView control(HWND window) { return shell::ListView(window, IDC_RESULT_LIST); }

void create_columns(HWND window, const ColumnRecord& saved) {
  shell::ListView view = list::control(window);
  int client = view.client_width();
  for (int column = 0; column < kColumnCount; ++column) {
    int format = column >= 1 && column <= 3 ? LVCFMT_RIGHT : LVCFMT_LEFT;
    int width = saved.width[column] > 0 ? saved.width[column] : default_width(view, column, client);
    view.insert_column(column, shell::text(IDS_COLUMN_FIRST + column), format, width);
  }
  view.add_extended_style(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_INFOTIP |
                          LVS_EX_LABELTIP);
  if (saved.order_known) view.set_column_order(kColumnCount, saved.order);
  shell::Header(view.header()).set_image_list(g_app.header_images);
  reset_header_images(window);
}

void fill_storage_order(HWND window) {
  reset_order(g_results.model);
  compute_parity(g_results.model);
  g_results.model.colouring = Colouring::natural_ascending;
  fill(window);
}

void reset_header_images(HWND window) {
  shell::Header header(list::control(window).header());
  for (int i = 0; i < header.count(); ++i) header.set_image(i, g_app.header_base);
}

ListItems items(HWND window) {
  shell::ListView view = list::control(window);
  ListItems result(static_cast<size_t>(view.count()));
  for (int i = 0; i < static_cast<int>(result.size()); ++i) {
    result[i].row = static_cast<int>(view.data(i));
    result[i].checked = view.checked(i);
    result[i].selected = view.selected(i);
  }
  return result;
}

const Row* row_at(HWND window, int item) {
  shell::ListView view = list::control(window);
  if (item < 0 || item >= view.count()) return nullptr;
  LPARAM row = view.data(item);
  return row >= 0 && row < g_results.model.count() ? &g_results.model.rows[static_cast<size_t>(row)] : nullptr;
}

std::vector<const Row*> selected_rows(HWND window) {
  shell::ListView view = list::control(window);
  std::vector<const Row*> rows;
  for (int item = view.next(-1, LVNI_SELECTED); item >= 0; item = view.next(item, LVNI_SELECTED))
    if (const Row* row = row_at(window, item)) rows.push_back(row);
  return rows;
}

void write_items(HWND window, const ListItems& before, const ListItems& after) {
  shell::ListView view = list::control(window);
  for (size_t i = 0; i < after.size() && i < before.size(); ++i) {
    int item = static_cast<int>(i);
    if (after[i].checked != before[i].checked) view.set_checked(item, after[i].checked);
    if (after[i].selected != before[i].selected) view.set_selected(item, after[i].selected);
  }
}

void record_columns(HWND window, ColumnRecord* columns) {
  shell::ListView view = list::control(window);
  if (!view.handle()) return;
  for (int column = 0; column < kColumnCount; ++column) columns->width[column] = view.column_width(column);
  columns->order_known = view.column_order(kColumnCount, columns->order);
}

LRESULT notify(HWND window, NMHDR* header) {
  switch (header->code) {
    case NM_CUSTOMDRAW:
      return custom_draw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    case LVN_GETDISPINFOW:
      column_text_asked(window, reinterpret_cast<NMLVDISPINFOW*>(header)->item);
      return 0;
    case LVN_COLUMNCLICK:
      commands::column_click(window, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
      return 1;
    case NM_RCLICK:
      shell::show_results_menu(window);
      return 0;
    case NM_DBLCLK:
      commands::open_clicked(window, reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
      return 0;
  }
  return 0;
}

}  // namespace list

}  // namespace mox::results
