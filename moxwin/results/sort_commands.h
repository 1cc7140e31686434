// Sorting the result list: a click on a column header, and the sort dialog
// with up to six keys.
#pragma once
#include <windows.h>

namespace mox::results::commands {

void column_click(HWND window, int column);

// -1 when the dialog cannot be shown, else 0.
int sort_dialog(HWND window);

// After a Start: no column sorted, natural colouring, base header images.
void reset_sort_state(HWND window);

}  // namespace mox::results::commands
