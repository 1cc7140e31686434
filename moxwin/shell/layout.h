// Resizing the main window: the folder list and the status line follow the
// width, the result list the width and the height.
#pragma once
#include <windows.h>

namespace mox::shell {

struct ControlPlace {
  int x = 0, y = 0;        // relative to the client area's origin
  int right_margin = 0;    // from the control's right edge to the client area's
  int height = 0;
};

struct Layout {
  ControlPlace folders, status, results;
  int results_allowance = 0;  // the height the result list leaves to the rest of the window
};

struct Resize {
  bool move_top = false;  // folder list and status line
  int folder_width = 0, status_width = 0;
  bool move_results = false;
  int results_width = 0, results_height = 0;
};

// The layout measured at one DPI in the pixels of another.
Layout scale_layout(const Layout& layout, int from_dpi, int to_dpi);

// What a client size of w by h does to the three controls.
Resize resize_for(const Layout& layout, int w, int h);

// Measures the controls once (at dialog initialisation) and places them.
void capture_layout(HWND window, Layout* layout);
void apply_resize(HWND window, const Layout& layout, int w, int h);

}  // namespace mox::shell
