#include "moxwin/shell/scale_change.h"

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/dpi.h"
#include "moxwin/shell/header_images.h"

namespace mox::shell {

namespace {

HICON load_icon(int metric_x, int metric_y, int dpi) {
  // Not shared: an icon of a size other than the system's own is one of its
  // own, and the window keeps it until the next change.
  return static_cast<HICON>(LoadImageW(g_app.instance, MAKEINTRESOURCEW(IDI_MOXWIN), IMAGE_ICON,
                                       metric_for_dpi(metric_x, dpi), metric_for_dpi(metric_y, dpi), 0));
}

// Column widths were the user's at the old DPI: the same share of the window
// at the new one.
void rescale_columns(const ListView& list, int from_dpi, int to_dpi) {
  int columns = Header(list.header()).count();
  for (int column = 0; column < columns; ++column)
    list.set_column_width(column, rescaled(list.column_width(column), from_dpi, to_dpi));
}

}  // namespace

void load_window_icons(int dpi) {
  g_app.small_icon = OwnedIcon(load_icon(SM_CXSMICON, SM_CYSMICON, dpi));
  g_app.big_icon = OwnedIcon(load_icon(SM_CXICON, SM_CYICON, dpi));
}

void set_window_icons(HWND window) {
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_app.small_icon.get()));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_app.big_icon.get()));
}

void follow_dpi(HWND window, int dpi) {
  int old_dpi = g_app.dpi;
  if (dpi <= 0 || dpi == old_dpi) return;
  g_app.dpi = dpi;
  load_window_icons(dpi);
  set_window_icons(window);
  ListView results(window, IDC_RESULT_LIST);
  HIMAGELIST old_images = g_app.header_images;
  g_app.header_images = create_header_images(dpi, &g_app.header_base);
  Header(results.header()).set_image_list(g_app.header_images);
  if (old_images) ImageList_Destroy(old_images);
  rescale_columns(results, old_dpi, dpi);
  rescale_columns(ListView(window, IDC_FOLDER_LIST), old_dpi, dpi);
  g_app.layout = scale_layout(g_app.layout, old_dpi, dpi);
  const HMENU program_menus[2] = {g_app.popups[kPopupEdit], g_app.popups[kPopupResults]};
  rescale_program_menus(&g_app.program_menus, dpi, program_menus);
  PostMessageW(window, kRelayoutMessage, 0, 0);
}

void relayout(HWND window) {
  RECT client;
  if (g_app.layout_captured && GetClientRect(window, &client)) apply_resize(window, g_app.layout, client.right, client.bottom);
}

}  // namespace mox::shell
