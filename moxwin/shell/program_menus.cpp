#include "moxwin/shell/program_menus.h"

#include <shellapi.h>

#include <algorithm>

#include "moxwin/resource.h"
#include "moxwin/shell/dpi.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/settings.h"

namespace mox::shell {

namespace {

HICON icon_of_file(const std::wstring& file, int index, int size) {
  HICON icon = nullptr;
  UINT found = PrivateExtractIconsW(file.c_str(), index, size, size, &icon, nullptr, 1, 0);
  return found == 1 && icon ? icon : nullptr;
}

void size_item(ProgramItem* item, int dpi) {
  item->dpi = dpi;
  item->icon_size = metric_for_dpi(SM_CXSMICON, dpi);
  item->text_offset = item->icon_size + scaled(8, dpi);
  item->extra_width = std::max(item->text_offset - metric_for_dpi(SM_CXMENUCHECK, dpi), 0);
  item->min_height = std::max(item->icon_size + scaled(4, dpi), metric_for_dpi(SM_CYMENUCHECK, dpi));
}

ProgramItem item_for(const ProgramEntry& entry, HFONT font, HICON icon, int dpi) {
  ProgramItem item;
  item.font = font;
  item.name = entry.display;
  item.icon = icon;
  size_item(&item, dpi);
  return item;
}

void load_font_and_icons(ProgramMenus* menus, int dpi) {
  menus->font = OwnedFont(create_menu_font(dpi));
  menus->icons.clear();
  int size = metric_for_dpi(SM_CXSMICON, dpi);
  for (const ProgramEntry& entry : menus->entries) menus->icons.emplace_back(program_icon(entry, size));
}

HMENU program_submenu(HMENU menu) {
  HMENU submenu = nullptr;
  for (int i = 0, n = GetMenuItemCount(menu); i < n && !submenu; ++i) submenu = GetSubMenu(menu, i);
  return submenu;
}

bool is_program_item(UINT type, UINT id) {
  return type == ODT_MENU && id >= IDM_PROGRAM_FIRST && id <= IDM_PROGRAM_LAST;
}

}  // namespace

HICON program_icon(const ProgramEntry& entry, int size) {
  std::wstring file = program_token(entry.icon_source);
  if (HICON icon = icon_of_file(file, entry.icon_index, size)) return icon;
  SHFILEINFOW info{};
  if (!file.empty() && file[0] == L'*') {
    // A file type: its icon, as for a file of that type that need not exist;
    // above the small size the large one, drawn smaller.
    UINT which = size > GetSystemMetrics(SM_CXSMICON) ? SHGFI_LARGEICON : SHGFI_SMALLICON;
    SHGetFileInfoW(file.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info, SHGFI_ICON | which | SHGFI_USEFILEATTRIBUTES);
    return info.hIcon;
  }
  wchar_t program[MAX_PATH] = L"";
  if (reinterpret_cast<INT_PTR>(FindExecutableW(file.c_str(), nullptr, program)) > 32)
    return icon_of_file(program, 0, size);
  return nullptr;
}

void build_program_menus(ProgramMenus* menus, int dpi) {
  menus->entries = parse_program_list([](int number) {
    return std::wstring(settings_read(L"program", format_text(16, L"program%d", number).c_str()));
  });
  load_font_and_icons(menus, dpi);
  for (std::vector<ProgramItem>& items : menus->items) {
    items.clear();
    for (size_t i = 0; i < menus->entries.size(); ++i)
      items.push_back(item_for(menus->entries[i], menus->font.get(), menus->icons[i].get(), dpi));
  }
}

void fill_program_submenu(HWND window, ProgramMenus* menus, HMENU menu, int which) {
  HMENU submenu = program_submenu(menu);
  if (!submenu) return;
  if (menus->entries.empty()) {
    EnableMenuItem(submenu, 0, MF_BYPOSITION | MF_GRAYED);
    return;
  }
  std::vector<ProgramItem>& items = menus->items[which];
  for (size_t i = 0; i < items.size(); ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
    info.fType = MFT_OWNERDRAW;
    info.wID = static_cast<UINT>(menus->entries[i].command_id);
    info.dwItemData = reinterpret_cast<ULONG_PTR>(&items[i]);
    InsertMenuItemW(submenu, static_cast<UINT>(i), TRUE, &info);
  }
  DeleteMenu(submenu, IDM_PROGRAM_NONE, MF_BYCOMMAND);
  DrawMenuBar(window);
}

void rescale_program_menus(ProgramMenus* programs, int dpi, const HMENU (&menus)[2]) {
  if (programs->entries.empty()) return;
  load_font_and_icons(programs, dpi);
  for (int which = 0; which < 2; ++which) {
    std::vector<ProgramItem>& items = programs->items[which];
    for (size_t i = 0; i < items.size(); ++i) {
      items[i].font = programs->font.get();
      items[i].icon = programs->icons[i].get();
      size_item(&items[i], dpi);
    }
    // Setting an item's type again makes the menu ask for its size anew.
    HMENU submenu = program_submenu(menus[which]);
    for (int i = 0, n = submenu ? GetMenuItemCount(submenu) : 0; i < n; ++i) {
      MENUITEMINFOW info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_FTYPE;
      info.fType = MFT_OWNERDRAW;
      SetMenuItemInfoW(submenu, static_cast<UINT>(i), TRUE, &info);
    }
  }
}

bool measure_program_item(HWND window, MEASUREITEMSTRUCT* measure) {
  if (!is_program_item(measure->CtlType, measure->itemID) || !measure->itemData) return false;
  const ProgramItem& item = *reinterpret_cast<const ProgramItem*>(measure->itemData);
  WindowDC dc(window);
  Selection font(dc.get(), item.font);
  SIZE text{};
  GetTextExtentPoint32W(dc.get(), item.name.c_str(), static_cast<int>(item.name.size()), &text);
  measure->itemWidth = static_cast<UINT>(item.extra_width + text.cx + scaled(6, item.dpi));
  measure->itemHeight = static_cast<UINT>(std::max(static_cast<int>(text.cy), item.min_height));
  return true;
}

bool draw_program_item(const DRAWITEMSTRUCT* draw) {
  if (!is_program_item(draw->CtlType, draw->itemID) || !draw->itemData) return false;
  const ProgramItem& item = *reinterpret_cast<const ProgramItem*>(draw->itemData);
  HDC dc = draw->hDC;
  bool selected = (draw->itemState & ODS_SELECTED) != 0;
  COLORREF text_colour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  COLORREF back_colour = SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  {
    Selection font(dc, item.font);
    const RECT& r = draw->rcItem;
    ExtTextOutW(dc, r.left + item.text_offset + scaled(1, item.dpi), r.top + scaled(2, item.dpi), ETO_OPAQUE, &r,
                item.name.c_str(), static_cast<UINT>(item.name.size()), nullptr);
    if (item.icon)
      DrawIconEx(dc, r.left + scaled(4, item.dpi), r.top + scaled(1, item.dpi), item.icon, item.icon_size,
                 item.icon_size, 0, nullptr, DI_NORMAL);
  }
  SetTextColor(dc, text_colour);
  SetBkColor(dc, back_colour);
  return true;
}

}  // namespace mox::shell
