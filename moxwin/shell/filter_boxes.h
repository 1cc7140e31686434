// The four filter boxes (exclusion, attribute, minimum and maximum size) and
// the program box: their offered values and the last used ones.
#pragma once
#include <windows.h>

namespace mox::shell {

// Fills the boxes' lists and texts, shows the buffer setting in the status
// line and lets the window accept dropped files.
void prepare_filter_boxes(HWND window);

}  // namespace mox::shell
