// Reaching the rows' files from the window: the menus and what they enable,
// the program submenus, the viewer, the file manager, properties, configured
// programs and the clipboard. Every start is recorded instead of made.
#include "moxwin/results/open_commands.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/settings.h"
#include "moxwin/window/window_harness.h"

namespace mox::results {
namespace {

using test::dated_line;
using test::Front;
using test::FrontOptions;
using test::g_answers;
using test::g_asked;
using test::set_result_selection;

// Rows for files "a", "b", "c" (one group) written into the working folder.
void load_three(Front& front) {
  std::wstring dlist;
  for (const wchar_t* name : {L"a", L"b", L"c"}) {
    test::write_file(front / name, "same");
    dlist += dated_line(front / name);
  }
  front.finish_search(dlist + L"\r\n", 3);
}

HWND results_of(const Front& front) { return GetDlgItem(front.window, IDC_RESULT_LIST); }

void set_focus_item(const Front& front, int item) {
  ListView_SetItemState(results_of(front), -1, 0, LVIS_FOCUSED);
  if (item >= 0) ListView_SetItemState(results_of(front), item, LVIS_FOCUSED, LVIS_FOCUSED);
}

std::string ini_with_programs(const std::vector<std::wstring>& values) {
  std::string ini = "[program]\r\n";
  for (size_t i = 0; i < values.size(); ++i) {
    wchar_t stored[shell::kStoredValueCap];
    EXPECT_TRUE(shell::encode_value(values[i].c_str(), stored, shell::kStoredValueCap));
    ini += "program" + std::to_string(i) + "=" + test::to_utf8(stored) + "\r\n";
  }
  return ini;
}

FrontOptions with_programs(const std::vector<std::wstring>& values) {
  FrontOptions options;
  options.ini = ini_with_programs(values);
  return options;
}

// Which items a shown menu enabled, one letter per item: 'o' on, '.' off.
std::string enabled_items(const test::ShownMenu& menu) {
  std::string letters;
  for (const auto& item : menu.items) letters += item.second ? 'o' : '.';
  return letters;
}

TEST(ResultMenus, ItemsFollowWhatTheListsHold) {
  // Per item, in menu order without separators, what it needs: F a selected
  // folder row, S a selected result row, R result rows, C a focused row.
  const std::string edit_needs = "FSSRRSSSRRRSSSSSSRRRRRCCC";
  const std::string context_needs = "SSSSSRRRSSSSSSRCCC";
  struct State {
    const char* name;
    bool rows, selection, focus, folder;
  };
  const State states[] = {
      {"empty", false, false, false, false},       {"folder row selected", false, false, false, true},
      {"rows", true, false, false, false},         {"a selected row", true, true, false, false},
      {"a focused row", true, false, true, false},
  };
  for (const State& state : states) {
    FrontOptions options;
    options.list_txt = test::utf16le(L"\uFEFFC:\\Data\r\n");
    Front front(options);
    if (state.rows) load_three(front);
    set_focus_item(front, state.focus ? 1 : -1);
    if (state.selection) set_result_selection(front.window, ".s");
    ListView_SetItemState(GetDlgItem(front.window, IDC_FOLDER_LIST), 0, state.folder ? LVIS_SELECTED : 0,
                          LVIS_SELECTED);
    front.command(IDC_EDIT_MENU);
    NMHDR right_click{results_of(front), IDC_RESULT_LIST, static_cast<UINT>(NM_RCLICK)};
    SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&right_click));
    ASSERT_EQ(g_asked.menus.size(), 2u) << state.name;
    auto expected = [&](const std::string& needs) {
      std::string letters;
      for (char need : needs) {
        bool on = need == 'F' ? state.folder : need == 'S' ? state.selection : need == 'R' ? state.rows : state.focus;
        letters += on ? 'o' : '.';
      }
      return letters;
    };
    EXPECT_EQ(enabled_items(g_asked.menus[0]), expected(edit_needs)) << state.name;
    EXPECT_EQ(enabled_items(g_asked.menus[1]), expected(context_needs)) << state.name;
    // The edit menu hangs from the button's lower left corner, leftwards.
    RECT button;
    GetWindowRect(GetDlgItem(front.window, IDC_EDIT_MENU), &button);
    EXPECT_EQ(g_asked.menus[0].x, button.left);
    EXPECT_EQ(g_asked.menus[0].y, button.bottom);
    EXPECT_EQ(g_asked.menus[0].flags & (TPM_RIGHTALIGN | TPM_TOPALIGN), static_cast<UINT>(TPM_RIGHTALIGN | TPM_TOPALIGN));
  }
}

// The pixels (0x00bbggrr) of an icon drawn at the small-icon size on a
// background colour.
std::vector<uint32_t> icon_pixels(HICON icon, COLORREF background = RGB(255, 255, 255)) {
  int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH brush = CreateSolidBrush(background);
  RECT all{0, 0, w, h};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  DrawIconEx(dc, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
  GdiFlush();
  std::vector<uint32_t> pixels;
  for (int i = 0; i < w * h; ++i) {
    uint32_t bgra = static_cast<const uint32_t*>(bits)[i];
    pixels.push_back(RGB((bgra >> 16) & 255, (bgra >> 8) & 255, bgra & 255));
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

std::vector<uint32_t> icon_in_file(const std::wstring& file, int index) {
  HICON icon = nullptr;
  if (ExtractIconExW(file.c_str(), index, nullptr, &icon, 1) == 0 || !icon) return {};
  std::vector<uint32_t> pixels = icon_pixels(icon);
  DestroyIcon(icon);
  return pixels;
}

struct SubmenuItem {
  UINT id;
  std::wstring name;
  bool enabled;
  const shell::ProgramItem* item;
};

std::vector<SubmenuItem> submenu_items(int popup) {
  HMENU submenu = GetSubMenu(shell::g_app.popups[popup], popup == shell::kPopupEdit ? 3 : 1);
  std::vector<SubmenuItem> items;
  for (int i = 0, n = GetMenuItemCount(submenu); i < n; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_STATE;
    GetMenuItemInfoW(submenu, static_cast<UINT>(i), TRUE, &info);
    const auto* item = reinterpret_cast<const shell::ProgramItem*>(info.dwItemData);
    wchar_t text[64] = L"";
    if (!(info.fType & MFT_OWNERDRAW)) GetMenuStringW(submenu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
    items.push_back({info.wID, item ? item->name : text, !(info.fState & MFS_GRAYED), item});
  }
  return items;
}

TEST(ProgramSubmenus, ProgramsWithTheirIcons) {
  test::TempDir tools(L"My Tools");
  // A copy of a file with many icons, under a name with blanks.
  const std::wstring icons = tools / L"icon tool.exe";
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\shell32.dll").c_str(), icons.c_str(), FALSE));
  ASSERT_FALSE(icon_in_file(icons, 2).empty());
  ASSERT_NE(icon_in_file(icons, 2), icon_in_file(icons, 0));
  const std::wstring me = test::program_dir() + L"\\window_tests.exe";
  Front front(with_programs({me + L"|表示名", L"\"" + icons + L"\" /opt<2>", L"*.txt<0>|Text files"}));
  for (int popup : {shell::kPopupEdit, shell::kPopupResults}) {
    std::vector<SubmenuItem> items = submenu_items(popup);
    ASSERT_EQ(items.size(), 3u) << popup;  // the placeholder is gone
    EXPECT_EQ(items[0].id, 231u);
    EXPECT_EQ(items[0].name, L"表示名");
    EXPECT_EQ(items[1].id, 232u);
    EXPECT_EQ(items[1].name, L"icon tool.exe");
    EXPECT_EQ(items[2].name, L"Text files");
    for (const SubmenuItem& item : items) {
      ASSERT_TRUE(item.item && item.item->icon) << test::to_utf8(item.name);
      EXPECT_TRUE(item.enabled);
    }
    EXPECT_EQ(icon_pixels(items[1].item->icon), icon_in_file(icons, 2));
  }
  // Measured and drawn by the window: the icon at (4, 1), the name after it.
  const shell::ProgramItem* item = submenu_items(shell::kPopupEdit)[1].item;
  MEASUREITEMSTRUCT measure{ODT_MENU, 0, 232, 0, 0, reinterpret_cast<ULONG_PTR>(item)};
  SendMessageW(front.window, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure));
  EXPECT_GE(measure.itemHeight, static_cast<UINT>(GetSystemMetrics(SM_CYSMICON) + 4));
  EXPECT_GT(measure.itemWidth, static_cast<UINT>(item->extra_width + 6));
  int w = static_cast<int>(measure.itemWidth) + 20, h = static_cast<int>(measure.itemHeight);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(dc, bitmap);
  DRAWITEMSTRUCT draw{ODT_MENU, 0, 232, ODA_DRAWENTIRE, 0, nullptr, dc, {0, 0, w, h}, reinterpret_cast<ULONG_PTR>(item)};
  SendMessageW(front.window, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw));
  int icon_w = GetSystemMetrics(SM_CXSMICON), icon_h = GetSystemMetrics(SM_CYSMICON);
  std::vector<uint32_t> expected = icon_pixels(item->icon, GetSysColor(COLOR_MENU));
  std::vector<uint32_t> drawn;
  for (int y = 0; y < icon_h; ++y)
    for (int x = 0; x < icon_w; ++x) drawn.push_back(GetPixel(dc, 4 + x, 1 + y));
  EXPECT_EQ(drawn, expected);
  EXPECT_NE(drawn, std::vector<uint32_t>(drawn.size(), GetSysColor(COLOR_MENU)));  // an icon, not the background
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

TEST(ProgramSubmenus, PlaceholderGrayedWithoutPrograms) {
  // An index without its closing bracket ends the list at the first key.
  for (const auto& values : {std::vector<std::wstring>{}, std::vector<std::wstring>{L"edit.exe<1", L"b.exe"}}) {
    Front front(with_programs(values));
    for (int popup : {shell::kPopupEdit, shell::kPopupResults}) {
      std::vector<SubmenuItem> items = submenu_items(popup);
      ASSERT_EQ(items.size(), 1u);
      EXPECT_EQ(items[0].id, static_cast<UINT>(IDM_PROGRAM_NONE));
      EXPECT_EQ(items[0].name, L"(なし)    ");
      EXPECT_FALSE(items[0].enabled);
    }
    EXPECT_TRUE(shell::g_app.program_menus.entries.empty());
  }
}

TEST(OpenCommands, ConfiguredPrograms) {
  Front front(with_programs({L"ed.exe \"%1\" /after", L"ed.exe /n", L"ed.exe %1"}));
  load_three(front);
  front.command(231);  // nothing selected: nothing started
  EXPECT_TRUE(g_asked.starts.empty());
  set_result_selection(front.window, "s.s");
  const std::wstring a = L"\"" + (front / L"a") + L"\"", c = L"\"" + (front / L"c") + L"\"";
  front.command(231);
  front.command(232);
  front.command(240);  // no program with that id
  ASSERT_EQ(g_asked.starts.size(), 2u);
  EXPECT_EQ(g_asked.starts[0].command_line, L"ed.exe " + a + L" " + c);
  EXPECT_EQ(g_asked.starts[0].program, L"");
  EXPECT_EQ(g_asked.starts[1].command_line, L"ed.exe /n " + a + L" " + c);
  EXPECT_TRUE(g_asked.boxes.empty());
  // A failed start names the line, the system's text and the code.
  g_answers.start_error = ERROR_FILE_NOT_FOUND;
  front.command(233);
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_TRUE(g_asked.boxes[0].text.starts_with(L"ed.exe " + a + L" " + c + L"\r\n")) << test::to_utf8(g_asked.boxes[0].text);
  EXPECT_TRUE(g_asked.boxes[0].text.ends_with(L" (2)"));
  EXPECT_EQ(g_asked.boxes[0].title, L"moxwin UNICODE Version 4");
  EXPECT_EQ(g_asked.boxes[0].type, static_cast<UINT>(MB_OKCANCEL));
}

TEST(OpenCommands, OverlongProgramLineIsNotStarted) {
  // Paths of 300 characters: about a hundred of them pass the limit.
  Front front(with_programs({L"ed.exe %1"}));
  std::wstring dlist;
  const std::wstring deep = front / std::wstring(240, L'd');
  ASSERT_TRUE(test::make_dir(deep));
  for (int i = 0; i < 120; ++i) {
    std::wstring path = deep + L"\\" + std::wstring(50, L'f') + std::to_wstring(1000 + i);
    test::write_file(path, "x");
    dlist += dated_line(path);
  }
  front.finish_search(dlist + L"\r\n", 120);
  front.command(IDM_SELECT_ALL);
  front.command(231);
  EXPECT_TRUE(g_asked.starts.empty());
  EXPECT_TRUE(g_asked.boxes.empty());
}

TEST(OpenCommands, ViewerFolderAndProperties) {
  Front front;
  load_three(front);
  front.command(IDM_OPEN);  // nothing selected
  front.command(IDM_OPEN_FOLDER);  // nothing focused
  EXPECT_TRUE(g_asked.starts.empty());
  EXPECT_EQ(GetFileAttributesW((front / L"list6.txt").c_str()), INVALID_FILE_ATTRIBUTES);

  set_result_selection(front.window, "s.s");
  set_focus_item(front, 1);
  front.command(IDM_OPEN);
  EXPECT_EQ(test::read_file(front / L"list6.txt"), test::utf16le(front / L"a" + L"\r\n" + front / L"c" + L"\r\n"));
  // The folder and the properties of the focused row, whatever is selected.
  front.command(IDM_OPEN_FOLDER);
  front.command(IDM_PROPERTIES);
  front.command(IDM_FOLDER_PROPERTIES);
  ASSERT_EQ(g_asked.starts.size(), 2u);
  EXPECT_EQ(g_asked.starts[0].program, L"");
  EXPECT_EQ(g_asked.starts[0].command_line, L"view.exe /r:list6.txt");
  EXPECT_EQ(g_asked.starts[1].command_line, L"explorer.exe \"" + front.dir.path + L"\"");
  ASSERT_EQ(g_asked.verbs.size(), 2u);
  EXPECT_EQ(g_asked.verbs[0].file, front / L"b");
  EXPECT_EQ(g_asked.verbs[1].file, front.dir.path);
  for (const auto& verb : g_asked.verbs) {
    EXPECT_EQ(verb.verb, L"properties");
    EXPECT_EQ(verb.mask, static_cast<ULONG>(SEE_MASK_INVOKEIDLIST));
  }

  // Double click: the viewer of the working folder for the clicked row only.
  NMITEMACTIVATE click{};
  click.hdr = {results_of(front), IDC_RESULT_LIST, NM_DBLCLK};
  click.iItem = -1;
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
  click.iItem = 2;
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
  ASSERT_EQ(g_asked.starts.size(), 3u);
  EXPECT_EQ(g_asked.starts[2].program, L"view.exe");
  EXPECT_EQ(g_asked.starts[2].command_line, L"view.exe \"" + front / L"c" + L"\"");

  // The viewer's list cannot be written: said so, nothing started.
  ASSERT_TRUE(DeleteFileW((front / L"list6.txt").c_str()));
  ASSERT_TRUE(test::make_dir(front / L"list6.txt"));
  front.command(IDM_OPEN);
  EXPECT_EQ(g_asked.starts.size(), 3u);
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_TRUE(g_asked.boxes[0].text.starts_with(L"list6.txt: ")) << test::to_utf8(g_asked.boxes[0].text);
  RemoveDirectoryW((front / L"list6.txt").c_str());
}

TEST(OpenCommands, CopyPathNames) {
  Front front;
  load_three(front);
  ASSERT_TRUE(OpenClipboard(front.window));
  EmptyClipboard();
  CloseClipboard();
  front.command(IDM_COPY_PATHS);  // nothing selected: the clipboard stays empty
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  set_result_selection(front.window, ".ss");
  front.command(IDM_COPY_PATHS);
  ASSERT_TRUE(OpenClipboard(front.window));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  ASSERT_TRUE(data);
  std::wstring copied = static_cast<const wchar_t*>(GlobalLock(data));
  GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(copied, front / L"b" + L"\r\n" + front / L"c" + L"\r\n");
}

}  // namespace
}  // namespace mox::results
