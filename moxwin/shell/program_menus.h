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
// Lengths are in pixels of the window's DPI; the rest of the drawing (the
// gaps around icon and name) is scaled from 100 % as it is drawn.
struct ProgramItem {
  HFONT font = nullptr;
  std::wstring name;
  HICON icon = nullptr;
  int dpi = 96;
  int icon_size = 0;    // the small-icon size
  int text_offset = 0;  // small-icon width + 8 at 100 %
  int extra_width = 0;  // beyond the check-mark width the menu gives anyway
  int min_height = 0;
};

struct ProgramMenus {
  OwnedFont font;  // the system's menu font
  std::vector<ProgramEntry> entries;
  std::vector<OwnedIcon> icons;        // one per entry, possibly empty
  std::vector<ProgramItem> items[2];   // per submenu; their addresses are the items' data
};

// The program list from the settings, with the menu font and the icons for
// the DPI.
void build_program_menus(ProgramMenus* menus, int dpi);

// Fills the first submenu of `menu` with the programs (or grays its
// placeholder when there are none); `which` picks the item records.
void fill_program_submenu(HWND window, ProgramMenus* menus, HMENU menu, int which);

// The font, the icons and the items' sizes again for a new DPI; the items of
// the submenus of `menus` (the edit and the result-list menus) are measured
// again when next shown.
void rescale_program_menus(ProgramMenus* programs, int dpi, const HMENU (&menus)[2]);

// WM_MEASUREITEM and WM_DRAWITEM: false for an item that is not a program's.
bool measure_program_item(HWND window, MEASUREITEMSTRUCT* measure);
bool draw_program_item(const DRAWITEMSTRUCT* draw);

// The icon for an entry at the given size: from its file, a "*" file type's,
// or the program associated with the file; none when nothing yields one.
HICON program_icon(const ProgramEntry& entry, int size);

}  // namespace mox::shell
