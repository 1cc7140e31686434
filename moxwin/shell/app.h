// The program-wide state of the front end: one window, one thread.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "moxwin/results/deletion.h"
#include "moxwin/results/model.h"
#include "moxwin/results/sorting.h"
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
  ColumnRecord columns;
  Layout layout;
  bool layout_captured = false;

  results::ListColours colours = {};
  HIMAGELIST header_images = nullptr;  // drawn for the DPI
  int header_base = 0;

  // Folder list.
  int folder_row_counter = 0;
  int folder_sort_direction = 0;  // 0 none, 1 ascending, 2 descending
  ListFileGuard list_guard = ListFileGuard::kNotLoaded;

  // Result list.
  results::Model model;
  results::ListKind list_kind = results::ListKind::unknown;  // what the loaded list's groups mean
  bool verify_contents = true;  // Erase compares a file with its survivor before deleting it
  int mark_state = 0;
  results::SortSettings sort;
  int column_direction[12] = {};

  RunState run;

  // Deletion log: created with U+FEFF the first time in a run of the program.
  bool log_opened_once = false;
  FILE* log = nullptr;
};

extern App g_app;

}  // namespace mox::shell
