// The display scale: the front end draws and measures in the pixels of its
// window's DPI (96 at 100 %, 144 at 150 %, 192 at 200 %) and follows a change
// of it (the window moved to another monitor, the scale changed).
#pragma once
#include <windows.h>

namespace mox::shell {

constexpr int kBaseDpi = 96;

// A length given in pixels at 100 % for the given DPI.
int scaled(int pixels, int dpi);
// A length in pixels at one DPI for another.
int rescaled(int pixels, int from_dpi, int to_dpi);

// The window's DPI; the screen's on systems older than Windows 10 1607,
// whose windows all share it.
int window_dpi(HWND window);
// GetSystemMetrics for a DPI (scaled from the screen's on older systems).
int metric_for_dpi(int index, int dpi);
// The system's menu font for a DPI.
HFONT create_menu_font(int dpi);

}  // namespace mox::shell
