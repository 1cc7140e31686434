// The "プログラムから開く(&G)" submenus: one owner-drawn item per configured
// program, drawn with the program's small icon in the menu font.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "moxwin/shell/gdi.h"
#include "moxwin/shell/programs.h"

namespace mox::shell {

// What one owner-drawn item needs to be measured and drawn.
struct ProgramItem {
  HFONT font = nullptr;
  std::wstring name;
  HICON icon = nullptr;
  int text_offset = 0;  // small-icon width + 8
  int extra_width = 0;  // beyond the check-mark width the menu gives anyway
  int min_height = 0;
};

struct ProgramMenus {
  OwnedFont font;  // the system's menu font
  std::vector<ProgramEntry> entries;
  std::vector<OwnedIcon> icons;        // one per entry, possibly empty
  std::vector<ProgramItem> items[2];   // per submenu; their addresses are the items' data
};

// The program list from the settings, with the menu font and the icons.
void build_program_menus(ProgramMenus* menus);

// Fills the first submenu of `menu` with the programs (or grays its
// placeholder when there are none); `which` picks the item records.
void fill_program_submenu(HWND window, ProgramMenus* menus, HMENU menu, int which);

// WM_MEASUREITEM and WM_DRAWITEM: false for an item that is not a program's.
bool measure_program_item(HWND window, MEASUREITEMSTRUCT* measure);
bool draw_program_item(const DRAWITEMSTRUCT* draw);

// The small icon for an entry: from its file, a "*" file type's, or the
// program associated with the file; none when nothing yields one.
HICON program_icon(const ProgramEntry& entry);

}  // namespace mox::shell
