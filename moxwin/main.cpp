// moxwin: the front end. Keeps the folders and filters of a search, runs a
// search script in the working folder, and lets the user review, check and
// delete the duplicates it found.
#include <windows.h>

#include "moxwin/window/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  return mox::window::run_program(instance, show, GetCommandLineW());
}
