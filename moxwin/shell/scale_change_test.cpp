// The window with the common controls of its manifest, and what it draws or
// measures itself at the display scale: at start and after WM_DPICHANGED
// (which Wine never sends: the tests send it as Windows would).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/dpi.h"
#include "moxwin/shell/header_images.h"
#include "moxwin/shell/settings.h"
#include "moxwin/window/window_harness.h"

namespace mox {
namespace {

using test::Front;
using test::FrontOptions;

int icon_width(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmMask, sizeof bitmap, &bitmap);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return bitmap.bmWidth;
}

// One text row per pixel row of a header image: '#' arrow, '.' transparent.
std::vector<std::string> header_image_rows(HIMAGELIST images, int index) {
  int w = 0, h = 0;
  ImageList_GetIconSize(images, &w, &h);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  RECT all = {0, 0, w, h};
  FillRect(dc, &all, white);
  DeleteObject(white);
  ImageList_Draw(images, index, dc, 0, 0, ILD_TRANSPARENT);
  std::vector<std::string> rows;
  for (int y = 0; y < h; ++y) {
    std::string row;
    for (int x = 0; x < w; ++x) row += GetPixel(dc, x, y) == RGB(255, 255, 255) ? '.' : '#';
    rows.push_back(row);
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return rows;
}

std::vector<int> column_widths(HWND window, int id) {
  HWND list = GetDlgItem(window, id);
  int count = static_cast<int>(SendMessageW(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)),
                                            HDM_GETITEMCOUNT, 0, 0));
  std::vector<int> widths;
  for (int column = 0; column < count; ++column)
    widths.push_back(static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0)));
  return widths;
}

void change_dpi(HWND window, int dpi) {
  RECT suggested;
  GetWindowRect(window, &suggested);
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

TEST(Look, CommonControlsSixWithTheWindowIcons) {
  Front front;
  // The common controls are those of version 6, as the program's manifest
  // asks: the library is the side-by-side one, not the system folder's.
  // (Wine's version 6 answers CCM_GETVERSION and DllGetVersion as 5.)
  wchar_t path[MAX_PATH] = L"";
  GetModuleFileNameW(GetModuleHandleW(L"comctl32.dll"), path, MAX_PATH);
  CharLowerW(path);
  EXPECT_NE(std::wstring(path).find(L"\\winsxs\\"), std::wstring::npos) << test::to_utf8(path);
  EXPECT_NE(std::wstring(path).find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
      << test::to_utf8(path);
  int dpi = shell::window_dpi(front.window);
  EXPECT_EQ(shell::g_app.dpi, dpi);
  auto icon = [&](WPARAM which) { return reinterpret_cast<HICON>(SendMessageW(front.window, WM_GETICON, which, 0)); };
  EXPECT_EQ(icon_width(icon(ICON_SMALL)), shell::metric_for_dpi(SM_CXSMICON, dpi));
  EXPECT_EQ(icon_width(icon(ICON_BIG)), shell::metric_for_dpi(SM_CXICON, dpi));
}

TEST(Look, HeaderArrowsDrawnForTheDpi) {
  // At 100 % the images of the 8-pixel bitmap they replace.
  const std::vector<std::string> kAscending = {"........", "...##...", "..####..", ".######.",
                                               "########", "........", "........", "........"};
  const std::vector<std::string> kDescending = {"........", "........", "........", "########",
                                                ".######.", "..####..", "...##...", "........"};
  int base = 0;
  HIMAGELIST images = shell::create_header_images(96, &base);
  EXPECT_EQ(header_image_rows(images, base), std::vector<std::string>(8, "........"));
  EXPECT_EQ(header_image_rows(images, base + 1), kAscending);
  EXPECT_EQ(header_image_rows(images, base + 2), kDescending);
  ImageList_Destroy(images);
  // At 150 % and 200 % the same arrows drawn at 12 and 16 pixels: the widest
  // row spans the image, the apex is the narrowest, nothing but the arrow.
  for (int dpi : {144, 192}) {
    SCOPED_TRACE(dpi);
    images = shell::create_header_images(dpi, &base);
    int size = dpi / 12;
    for (int direction = 1; direction <= 2; ++direction) {
      std::vector<std::string> rows = header_image_rows(images, base + direction);
      ASSERT_EQ(rows.size(), static_cast<size_t>(size));
      std::vector<size_t> widths;
      for (const std::string& row : rows) widths.push_back(std::count(row.begin(), row.end(), '#'));
      int base_row = direction == 1 ? size * 5 / 8 - 1 : size * 3 / 8;
      int apex_row = direction == 1 ? size / 8 : size * 7 / 8 - 1;
      EXPECT_EQ(widths[base_row], static_cast<size_t>(size));
      EXPECT_GE(widths[apex_row], 1u);
      EXPECT_LE(widths[apex_row], static_cast<size_t>(size / 4 + 1));
      int arrow_rows = static_cast<int>(std::count_if(widths.begin(), widths.end(), [](size_t w) { return w > 0; }));
      EXPECT_EQ(arrow_rows, size / 2);
    }
    ImageList_Destroy(images);
  }
}

TEST(Look, FollowsAChangeOfDpi) {
  FrontOptions options;
  options.ini = "[program]\r\nprogram0=" + test::to_utf8(test::program_dir()) + "\\window_tests.exe\r\n";
  Front front(options);
  ASSERT_EQ(shell::g_app.dpi, 96) << "the test prefix runs at 100 %";
  std::vector<int> results_before = column_widths(front.window, IDC_RESULT_LIST);
  std::vector<int> folders_before = column_widths(front.window, IDC_FOLDER_LIST);
  shell::Layout layout_before = shell::g_app.layout;
  ASSERT_EQ(shell::g_app.program_menus.items[0].size(), 1u);
  const shell::ProgramItem* item = &shell::g_app.program_menus.items[0][0];
  MEASUREITEMSTRUCT measure_before{ODT_MENU, 0, 231, 0, 0, reinterpret_cast<ULONG_PTR>(item)};
  SendMessageW(front.window, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure_before));
  LOGFONTW font_before{};
  GetObjectW(item->font, sizeof font_before, &font_before);

  change_dpi(front.window, 192);
  front.pump();

  EXPECT_EQ(shell::g_app.dpi, 192);
  auto doubled = [](std::vector<int> widths) {
    for (int& w : widths) w *= 2;
    return widths;
  };
  EXPECT_EQ(column_widths(front.window, IDC_RESULT_LIST), doubled(results_before));
  EXPECT_EQ(column_widths(front.window, IDC_FOLDER_LIST), doubled(folders_before));
  EXPECT_EQ(shell::g_app.layout.results.y, layout_before.results.y * 2);
  EXPECT_EQ(shell::g_app.layout.folders.height, layout_before.folders.height * 2);
  EXPECT_EQ(shell::g_app.layout.status.y, layout_before.status.y * 2);
  EXPECT_EQ(shell::g_app.layout.results_allowance, layout_before.results_allowance * 2);
  // The header shows images of the new size.
  HWND header = reinterpret_cast<HWND>(SendMessageW(GetDlgItem(front.window, IDC_RESULT_LIST), LVM_GETHEADER, 0, 0));
  HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageW(header, HDM_GETIMAGELIST, 0, 0));
  EXPECT_EQ(images, shell::g_app.header_images);
  int w = 0, h = 0;
  ImageList_GetIconSize(images, &w, &h);
  EXPECT_EQ(w, 16);
  // The program item: the same record, with the icon, the font and the
  // gaps of the new DPI.
  EXPECT_EQ(item->dpi, 192);
  EXPECT_EQ(item->icon_size, shell::metric_for_dpi(SM_CXSMICON, 192));
  EXPECT_EQ(icon_width(item->icon), item->icon_size);
  LOGFONTW font_after{};
  GetObjectW(item->font, sizeof font_after, &font_after);
  EXPECT_EQ(std::abs(font_after.lfHeight), 2 * std::abs(font_before.lfHeight));
  MEASUREITEMSTRUCT measure_after{ODT_MENU, 0, 231, 0, 0, reinterpret_cast<ULONG_PTR>(item)};
  SendMessageW(front.window, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure_after));
  EXPECT_GE(measure_after.itemHeight, 2 * measure_before.itemHeight - 1);
  EXPECT_GT(measure_after.itemWidth, measure_before.itemWidth * 3 / 2);
  // The window's icons at the new sizes.
  HICON small = reinterpret_cast<HICON>(SendMessageW(front.window, WM_GETICON, ICON_SMALL, 0));
  EXPECT_EQ(icon_width(small), shell::metric_for_dpi(SM_CXSMICON, 192));
}

}  // namespace
}  // namespace mox
