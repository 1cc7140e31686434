// Following a change of the window's DPI (WM_DPICHANGED): what the window
// draws or measures itself is made again for the new DPI. The dialog's
// controls and their fonts are scaled by the system's dialog manager.
#pragma once
#include <windows.h>

namespace mox::shell {

// Posted to the window after a change: places the three lists again once the
// dialog manager has laid the controls out for the new DPI.
constexpr UINT kRelayoutMessage = WM_APP + 24;

// The window's icons at the DPI, into the program-wide state.
void load_window_icons(int dpi);

// Icon 128 as a dialog's small and big icon, at the sizes for the window's DPI
// (load_window_icons).
void set_window_icons(HWND window);

// Everything the window draws or measures itself, for the new DPI.
void follow_dpi(HWND window, int dpi);

// Places the three lists by the layout for the current client size.
void relayout(HWND window);

}  // namespace mox::shell
