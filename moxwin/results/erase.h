// Deleting the checked files: one question, one call of the shell's delete,
// then file by file what is gone is logged and leaves the list.
#pragma once
#include <windows.h>

namespace mox::results::commands {

// -1 when the list is empty or the log cannot be opened, else 0.
int erase(HWND window);

}  // namespace mox::results::commands
