#include "moxwin/shell/layout.h"

#include "moxwin/resource.h"
#include "moxwin/shell/dpi.h"

namespace mox::shell {

namespace {

ControlPlace measure(HWND window, int id, POINT origin, int client_right) {
  RECT r;
  GetWindowRect(GetDlgItem(window, id), &r);
  return {r.left - origin.x, r.top - origin.y, client_right - (r.right - origin.x), r.bottom - r.top};
}

void place(HWND window, int id, const ControlPlace& at, int width, int height) {
  SetWindowPos(GetDlgItem(window, id), nullptr, at.x, at.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

Layout scale_layout(const Layout& layout, int from_dpi, int to_dpi) {
  auto scale = [&](int pixels) { return rescaled(pixels, from_dpi, to_dpi); };
  auto place = [&](const ControlPlace& at) {
    return ControlPlace{scale(at.x), scale(at.y), scale(at.right_margin), scale(at.height)};
  };
  return {place(layout.folders), place(layout.status), place(layout.results), scale(layout.results_allowance)};
}

Resize resize_for(const Layout& layout, int w, int h) {
  Resize r;
  if (w - layout.folders.right_margin < 1) return r;
  r.move_top = true;
  r.folder_width = w - layout.folders.right_margin;
  r.status_width = w - layout.status.right_margin;
  int height = h - layout.results_allowance;
  if (height < 1) return r;
  r.move_results = true;
  r.results_width = w - layout.results.right_margin;
  r.results_height = height;
  return r;
}

void apply_resize(HWND window, const Layout& layout, int w, int h) {
  Resize r = resize_for(layout, w, h);
  if (!r.move_top) return;
  place(window, IDC_FOLDER_LIST, layout.folders, r.folder_width, layout.folders.height);
  place(window, IDC_STATUS, layout.status, r.status_width, layout.status.height);
  if (r.move_results) place(window, IDC_RESULT_LIST, layout.results, r.results_width, r.results_height);
}

void capture_layout(HWND window, Layout* layout) {
  RECT anchor, client;
  GetWindowRect(GetDlgItem(window, IDC_ANCHOR), &anchor);
  GetClientRect(window, &client);
  POINT origin = {anchor.left, anchor.top};
  layout->folders = measure(window, IDC_FOLDER_LIST, origin, client.right);
  layout->status = measure(window, IDC_STATUS, origin, client.right);
  layout->results = measure(window, IDC_RESULT_LIST, origin, client.right);
  // The list reaches down to the client area's bottom edge whatever the
  // frame's size: its height is the client height less its top. (The
  // window's outer height less the list's height gives the same only with
  // the frame the template was laid out for; with a thinner one the list's
  // lower edge would be cut off.)
  layout->results_allowance = layout->results.y;
  Resize r = resize_for(*layout, client.right, client.bottom);
  // At this first placement the status line keeps a usable width.
  if (r.move_top && r.status_width < 10) r.status_width = 10;
  if (r.move_top) {
    place(window, IDC_FOLDER_LIST, layout->folders, r.folder_width, layout->folders.height);
    place(window, IDC_STATUS, layout->status, r.status_width, layout->status.height);
  }
  if (r.move_results) place(window, IDC_RESULT_LIST, layout->results, r.results_width, r.results_height);
}

}  // namespace mox::shell
