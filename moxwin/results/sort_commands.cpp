#include "moxwin/results/sort_commands.h"
#include "moxwin/results/state.h"

#include <commctrl.h>

#include "moxwin/resource.h"
#include "moxwin/results/checking.h"
#include "moxwin/results/result_list.h"
#include "moxwin/results/sorting.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/scale_change.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/modal.h"
#include "moxwin/shell/settings.h"

namespace mox::results::commands {

using shell::g_app;

namespace {

struct ColumnSort {
  int column;
  int direction;
};

int CALLBACK compare_items(LPARAM a, LPARAM b, LPARAM parameter) {
  const ColumnSort* sort = reinterpret_cast<const ColumnSort*>(parameter);
  const std::vector<Row>& rows = g_results.model.rows;
  return compare_rows(sort->column, rows[static_cast<size_t>(a)], rows[static_cast<size_t>(b)], sort->direction);
}

int CALLBACK compare_ranks(LPARAM a, LPARAM b, LPARAM ranks) {
  const int* rank = reinterpret_cast<const int*>(ranks);
  return rank[a] - rank[b];
}

void clear_directions() {
  for (int& direction : g_results.column_direction) direction = 0;
}

// The display order as the control shows it now.
void take_item_order(HWND window) {
  shell::ListView result_view = list::control(window);
  for (int i = 0; i < result_view.count() && i < g_results.model.count(); ++i)
    g_results.model.order[static_cast<size_t>(i)] = static_cast<int>(result_view.data(i));
}

INT_PTR CALLBACK sort_procedure(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  SortSettings* settings = reinterpret_cast<SortSettings*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, l);
      settings = reinterpret_cast<SortSettings*>(l);
      shell::set_window_icons(dialog);
      for (int row = 0; row < kKeyRows; ++row) {
        shell::ComboBox keys(dialog, IDC_SORT_KEY1 + row);
        for (int key = 0; key < kKeyCount; ++key) keys.add(shell::text(IDS_SORT_KEY_FIRST + key));
        keys.select(settings->key[row]);
        int ascending = IDC_SORT_ASCENDING1 + 2 * row;
        CheckRadioButton(dialog, ascending, ascending + 1,
                         settings->direction[row] == kDescending ? ascending + 1 : ascending);
      }
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK:
          for (int row = 0; row < kKeyRows; ++row) {
            int key = shell::ComboBox(dialog, IDC_SORT_KEY1 + row).selection();
            settings->key[row] = key == CB_ERR ? 0 : key;
            bool ascending = IsDlgButtonChecked(dialog, IDC_SORT_ASCENDING1 + 2 * row) == BST_CHECKED;
            settings->direction[row] = ascending ? kAscending : kDescending;
          }
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
        case IDM_SORT_CLOSE:
        case IDC_CLOSE:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

void sort_display_order(HWND window, const SortKey* keys, int key_count) {
  Model& model = g_results.model;
  model.colouring = colouring_for(keys[0].key, keys[0].direction);
  int* order = model.order.data();
  multi_key_sort(model, keys, key_count, order, order + model.count());
  compute_position_colours(model, g_results.colours);
  // The items move to their new places with their check boxes and selection.
  std::vector<int> rank(model.rows.size());
  for (size_t p = 0; p < model.order.size(); ++p) rank[static_cast<size_t>(model.order[p])] = static_cast<int>(p);
  shell::ListView result_view = list::control(window);
  result_view.sort(compare_ranks, reinterpret_cast<LPARAM>(rank.data()));
  InvalidateRect(result_view.handle(), nullptr, TRUE);
  wchar_t saved[2 * kKeyRows + 1];
  format_sort_keys(g_results.sort, saved);
  shell::settings_write(L"history0", L"sort0", saved);
}

}  // namespace

void column_click(HWND window, int column) {
  if (column < 0 || column >= kColumnCount) return;
  int direction = g_results.column_direction[column] == kAscending ? kDescending : kAscending;
  clear_directions();
  g_results.column_direction[column] = direction;
  shell::ListView result_view = list::control(window);
  shell::Header header(result_view.header());
  for (int i = 0; i < header.count(); ++i)
    header.set_image(i, g_app.header_base + (i == column ? direction : 0));
  g_results.model.colouring = colouring_for(column + 1, direction);
  ColumnSort sort = {column, direction};
  result_view.sort(compare_items, reinterpret_cast<LPARAM>(&sort));
  take_item_order(window);
  compute_position_colours(g_results.model, g_results.colours);
  InvalidateRect(result_view.handle(), nullptr, TRUE);
}

int sort_dialog(HWND window) {
  INT_PTR result = shell::g_modal.dialog_box(g_app.instance, IDD_DIALOGSORT, window, sort_procedure,
                                             reinterpret_cast<LPARAM>(&g_results.sort));
  if (result == -1) {
    shell::report_system_error(L"DialogBox(,IDD_DIALOGSORT,) error=%d ", static_cast<int>(GetLastError()));
    return -1;
  }
  if (result != 1) return 0;
  list::reset_header_images(window);
  SortKey keys[kKeyRows];
  int key_count = chosen_keys(g_results.sort, keys);
  take_check_snapshot(g_results.model, list::items(window));
  // With nothing to sort, the list keeps its colours.
  if (key_count > 0 && g_results.model.count() >= 2) sort_display_order(window, keys, key_count);
  clear_directions();
  list::reset_header_images(window);
  return 0;
}

void reset_sort_state(HWND window) {
  clear_directions();
  g_results.model.colouring = Colouring::natural_ascending;
  list::reset_header_images(window);
}

}  // namespace mox::results::commands
