// The pop-up menus of the buttons and of the result list, with their items
// enabled for what the lists hold.
#pragma once
#include <windows.h>

namespace mox::shell {

// Button 1047: menu 101 below the button, its right edge at the button's left.
void show_edit_menu(HWND window);
// Button 1050: menu 102, its bottom right at the button's bottom left.
void show_help_menu(HWND window);
// Right click in the result list: menu 104 at the mouse.
void show_results_menu(HWND window);

}  // namespace mox::shell
