// Saving the result list: the save dialog, then the list as CSV or as the
// tab-separated ".dat" list, by the file type the user chose.
#pragma once
#include <windows.h>

namespace mox::results::commands {

// -1 when the list is empty or the file cannot be written, else 0 (also when
// the user cancels).
int save_as(HWND window);

}  // namespace mox::results::commands
