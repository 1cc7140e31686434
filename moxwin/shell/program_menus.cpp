#include "moxwin/shell/program_menus.h"

#include <shellapi.h>

#include <algorithm>

#include "moxwin/resource.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/settings.h"

namespace mox::shell {

namespace {

HFONT create_menu_font() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
  return CreateFontIndirectW(&metrics.lfMenuFont);
}

HICON small_icon_of_file(const std::wstring& file, int index) {
  HICON icon = nullptr;
  if (ExtractIconExW(file.c_str(), index, nullptr, &icon, 1) == 0) return nullptr;
  return icon;
}

ProgramItem item_for(const ProgramEntry& entry, HFONT font, HICON icon) {
  ProgramItem item;
  item.font = font;
  item.name = entry.display;
  item.icon = icon;
  int icon_width = GetSystemMetrics(SM_CXSMICON);
  item.text_offset = icon_width + 8;
  item.extra_width = std::max(icon_width + 8 - GetSystemMetrics(SM_CXMENUCHECK), 0);
  item.min_height = std::max(GetSystemMetrics(SM_CYSMICON) + 4, GetSystemMetrics(SM_CYMENUCHECK));
  return item;
}

bool is_program_item(UINT type, UINT id) {
  return type == ODT_MENU && id >= IDM_PROGRAM_FIRST && id <= IDM_PROGRAM_LAST;
}

}  // namespace

HICON program_icon(const ProgramEntry& entry) {
  std::wstring file = program_token(entry.icon_source);
  if (HICON icon = small_icon_of_file(file, entry.icon_index)) return icon;
  SHFILEINFOW info{};
  if (!file.empty() && file[0] == L'*') {
    // A file type: its icon, as for a file of that type that need not exist.
    SHGetFileInfoW(file.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    return info.hIcon;
  }
  wchar_t program[MAX_PATH] = L"";
  if (reinterpret_cast<INT_PTR>(FindExecutableW(file.c_str(), nullptr, program)) > 32)
    return small_icon_of_file(program, 0);
  return nullptr;
}

void build_program_menus(ProgramMenus* menus) {
  menus->font = OwnedFont(create_menu_font());
  menus->entries = parse_program_list([](int number) {
    return std::wstring(settings_read(L"program", format_text(16, L"program%d", number).c_str()));
  });
  menus->icons.clear();
  for (const ProgramEntry& entry : menus->entries) menus->icons.emplace_back(program_icon(entry));
  for (std::vector<ProgramItem>& items : menus->items) {
    items.clear();
    for (size_t i = 0; i < menus->entries.size(); ++i)
      items.push_back(item_for(menus->entries[i], menus->font.get(), menus->icons[i].get()));
  }
}

void fill_program_submenu(HWND window, ProgramMenus* menus, HMENU menu, int which) {
  HMENU submenu = nullptr;
  for (int i = 0, n = GetMenuItemCount(menu); i < n && !submenu; ++i) submenu = GetSubMenu(menu, i);
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

bool measure_program_item(HWND window, MEASUREITEMSTRUCT* measure) {
  if (!is_program_item(measure->CtlType, measure->itemID) || !measure->itemData) return false;
  const ProgramItem& item = *reinterpret_cast<const ProgramItem*>(measure->itemData);
  WindowDC dc(window);
  Selection font(dc.get(), item.font);
  SIZE text{};
  GetTextExtentPoint32W(dc.get(), item.name.c_str(), static_cast<int>(item.name.size()), &text);
  measure->itemWidth = static_cast<UINT>(item.extra_width + text.cx + 6);
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
    ExtTextOutW(dc, r.left + item.text_offset + 1, r.top + 2, ETO_OPAQUE, &r, item.name.c_str(),
                static_cast<UINT>(item.name.size()), nullptr);
    if (item.icon)
      DrawIconEx(dc, r.left + 4, r.top + 1, item.icon, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0,
                 nullptr, DI_NORMAL);
  }
  SetTextColor(dc, text_colour);
  SetBkColor(dc, back_colour);
  return true;
}

}  // namespace mox::shell
