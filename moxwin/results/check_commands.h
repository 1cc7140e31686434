// The checking and selection commands of the result list: each takes the
// check boxes and selection from the control, computes on the rows and
// writes the result back.
#pragma once
#include <windows.h>

namespace mox::results::commands {

// 215 to 218: check, auto-check, uncheck, toggle the selection (or all).
void set_check_state(HWND window, int operation);
void uncheck_all(HWND window);
void mark(HWND window);
// Sets the mark state and label as after a load.
void reset_mark(HWND window);

void select_all(HWND window);
void deselect_all(HWND window);
void select_checked(HWND window);
void invert_selection(HWND window);
void select_same_folders(HWND window);
void toggle_selected_groups(HWND window);
void check_this_folder(HWND window);
void check_outside_folder(HWND window);
void focus_list(HWND window);

// Writes CLIST.TXT with the groups whose files are all checked and opens it.
void confirm_groups(HWND window);

}  // namespace mox::results::commands
