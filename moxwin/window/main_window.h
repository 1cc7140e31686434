// The main window, the top of the front end: dialog 102, its start-up, the
// command table that routes every button, menu item and accelerator to the
// folder list and run control (shell/) or the result list (results/),
// closing and the message loop.
#pragma once
#include <windows.h>

namespace mox::window {

// The whole program: start-up, the message loop and exit; returns the exit
// code.
int run_program(HINSTANCE instance, int show, const wchar_t* command_line);

// Start-up steps before the window exists: texts, settings file, colours,
// number format, common controls and the header images.
void prepare_program(HINSTANCE instance, const wchar_t* settings_path);

// Creates the window hidden (its initialisation runs inside); nullptr when it
// cannot be created. The command line's folders replace the folder list.
HWND create_main_window(const wchar_t* command_line);

// Start-up steps after the window exists: check boxes, Esc setting, sort
// keys, LIST5.TXT, placement and showing the window.
void finish_start_up(HWND window, int show);

// Gets and dispatches messages until a quit message; runs a pending run's
// wait loop between them. Returns the exit code.
int message_loop(HWND window);

// What every way out saves: the placement and the result list's columns.
void save_at_exit();

}  // namespace mox::window
