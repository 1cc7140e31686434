// The program-wide state of the front end: one window, one thread.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "moxwin/shell/folder_list.h"
#include "moxwin/shell/layout.h"
#include "moxwin/shell/program_menus.h"
#include "moxwin/shell/run.h"
#include "moxwin/shell/settings.h"

namespace mox::shell {

enum { kPopupEdit, kPopupHelp, kPopupFolders, kPopupResults, kPopupCount };

struct App {
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  HACCEL accelerators = nullptr;
  HMENU menus[kPopupCount] = {};   // the menu resources
  HMENU popups[kPopupCount] = {};  // their first popups
  ProgramMenus program_menus;      // the configured programs of both submenus
  long esc_setting = 0;            // non-zero: Esc does not close
  int quit_code = 0;
  bool win9x = false;  // recorded from the version; no code of this 64-bit build depends on it
  HANDLE folder_lock = nullptr;
  bool folder_in_use = false;  // another instance works here: this one saves nothing

  int dpi = 96;  // the window's, which everything the window draws itself follows
  OwnedIcon small_icon, big_icon;  // the window's icons at that DPI

  WINDOWPLACEMENT placement = {};
  bool placement_recorded = false;
  Layout layout;
  bool layout_captured = false;

  HIMAGELIST header_images = nullptr;  // drawn for the DPI
  int header_base = 0;

  // Folder list.
  int folder_row_counter = 0;
  int folder_sort_direction = 0;  // 0 none, 1 ascending, 2 descending
  ListFileGuard list_guard = ListFileGuard::kNotLoaded;

  RunState run;
};

extern App g_app;

}  // namespace mox::shell
