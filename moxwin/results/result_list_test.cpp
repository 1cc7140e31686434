// The result list in the window: a duplicate list loaded over real files and
// read back as the user sees it.
#include "moxwin/results/result_list.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "moxwin/resource.h"
#include "moxwin/results/file_identity.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/numbers.h"
#include "moxwin/window/window_harness.h"

namespace mox::results {
namespace {

using test::dated_line;
using test::Front;
using test::FrontOptions;
using shell::date_text;

std::wstring identity_text(const std::wstring& path, int link) {
  FileIdentity id;
  EXPECT_TRUE(identity_by_handle_information(path.c_str(), &id));
  wchar_t text[64];
  swprintf(text, 64, L"%d %u %08x:%08x:%08x", link, id.links, id.volume_serial, id.index_high, id.index_low);
  return text;
}

// The file time of a UTC calendar time.
int64_t file_time_of(SYSTEMTIME utc) {
  FILETIME file;
  SystemTimeToFileTime(&utc, &file);
  return static_cast<int64_t>((static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime);
}

// 2024-02-29 15:30:05 UTC: already 1 March in the tests' zone (Asia/Tokyo).
const int64_t kLeapDayUtc = file_time_of({2024, 2, 0, 29, 15, 30, 5, 0});

bool set_write_time(const std::wstring& path, int64_t time) {
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME write = {static_cast<DWORD>(time), static_cast<DWORD>(static_cast<uint64_t>(time) >> 32)};
  bool ok = SetFileTime(file, nullptr, nullptr, &write);
  CloseHandle(file);
  return ok;
}

TEST(ResultList, LoadedRowsShowTheFilesAsTheyAreNow) {
  Front front;
  test::make_dir(front / L"Sub");
  test::write_file(front / L"Sub\\copy.txt", std::string(1234567, 'a'));
  test::write_file(front / L"one.txt", std::string(1234567, 'a'));
  ASSERT_TRUE(set_write_time(front / L"one.txt", kLeapDayUtc));
  test::write_file(front / L"noext", "bb");
  ASSERT_TRUE(CreateHardLinkW((front / L"link").c_str(), (front / L"noext").c_str(), nullptr));
  test::write_file(front / L"Sub\\a.tar.gz", "bb");
  std::wstring dlist = L"\uFEFF" + dated_line(front / L"Sub\\copy.txt") + L"\uFEFF" + dated_line(front / L"one.txt") +
                       L"\r\n" + dated_line(front / L"noext") + dated_line(front / L"link") +
                       dated_line(front / L"Sub\\a.tar.gz") + L"\r\n\r\n" + dated_line(front / L"gone.txt") +
                       dated_line(front / L"one.txt") + L"\r\n";
  front.finish_search(dlist, 7);
  auto rows = test::result_texts(front.window);
  ASSERT_EQ(rows.size(), 7u);
  EXPECT_EQ(rows[0][0], front / L"Sub\\copy.txt");
  EXPECT_EQ(test::result_column(front.window, 1), L"1|2|3|4|5|6|7");
  EXPECT_EQ(test::result_column(front.window, 2), L"1|1|2|2|2|4|4");  // two empty lines: 2 skipped to 4
  EXPECT_EQ(rows[0][3], L"1,234,567");
  EXPECT_EQ(rows[2][3], L"2");
  EXPECT_EQ(rows[0][5], front / L"Sub");
  EXPECT_EQ(rows[0][6], L"copy.txt");
  EXPECT_EQ(rows[0][7], L"txt");
  EXPECT_EQ(rows[2][7], L"");
  EXPECT_EQ(rows[4][7], L"gz");
  // The time is the file's, not the line's, in local time (UTC+9 here).
  EXPECT_EQ(rows[1][4], L"3/1/2024 12:30:05 AM");
  // Hard links are one file: Link 2 and the same identity; a copy is Link 1.
  EXPECT_EQ(rows[2][9], identity_text(front / L"noext", 2));
  EXPECT_EQ(rows[3][9], identity_text(front / L"noext", 2));
  EXPECT_EQ(rows[4][9], identity_text(front / L"Sub\\a.tar.gz", 1));
  EXPECT_EQ(rows[0][9], identity_text(front / L"Sub\\copy.txt", 1));
  // A file that is gone shows no size, time or letters, and no identity.
  EXPECT_EQ(rows[5][3] + rows[5][4] + rows[5][8], L"");
  EXPECT_EQ(rows[5][9], L"1 0 00000000:00000000:00000000");

  EXPECT_EQ(test::result_checks(front.window), ".......");
  EXPECT_EQ(front.control_text(IDC_MARK_LABEL), L"  A");
  EXPECT_EQ(front.status().rfind(L"検索時間 0 秒  ファイル数 7  グループ数 1 現在のファイル数 7", 0), 0u)
      << test::to_utf8(front.status());
  EXPECT_EQ(GetFocus(), GetDlgItem(front.window, IDC_SORT));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(front.window, IDC_RESULT_LIST)));
}

TEST(ResultList, CapacityComesFromTheCountFile) {
  Front front;
  test::write_file(front / L"a", "1");
  std::wstring dlist = dated_line(front / L"a") + dated_line(front / L"a") + L"\r\n" + dated_line(front / L"a");
  front.finish_search(dlist, 0);
  EXPECT_EQ(test::result_texts(front.window).size(), 0u);
  front.finish_search(dlist, 2);
  EXPECT_EQ(test::result_texts(front.window).size(), 2u);
  front.finish_search(dlist, -7);
  EXPECT_EQ(test::result_texts(front.window).size(), 0u);
}

TEST(ResultList, ColoursFollowTheGroups) {
  FrontOptions options;
  options.ini = "[Window]\r\nR1=1\r\nG1=1\r\nB1=1\r\nR2=2\r\nG2=2\r\nB2=2\r\nR3=3\r\nG3=3\r\nB3=3\r\nR4=4\r\nG4=4\r\nB4=4\r\n";
  Front front(options);
  test::write_file(front / L"a", "1");
  front.finish_search(dated_line(front / L"a") + dated_line(front / L"a") + L"\r\n" + dated_line(front / L"a") +
                          L"\r\n" + dated_line(front / L"a"),
                      4);
  NMLVCUSTOMDRAW paint{};
  paint.nmcd.hdr = {GetDlgItem(front.window, IDC_RESULT_LIST), IDC_RESULT_LIST, static_cast<UINT>(NM_CUSTOMDRAW)};
  paint.nmcd.dwDrawStage = CDDS_PREPAINT;
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&paint));
  EXPECT_EQ(GetWindowLongPtrW(front.window, DWLP_MSGRESULT), CDRF_NOTIFYITEMDRAW);
  std::vector<uint32_t> colours;
  for (int p = 0; p < 4; ++p) colours.push_back(test::result_background(front.window, p));
  EXPECT_EQ(colours, (std::vector<uint32_t>{RGB(1, 1, 1), RGB(1, 1, 1), RGB(2, 2, 2), RGB(1, 1, 1)}));
}

TEST(ResultList, ColumnsTakeTheirSavedWidthsAndOrder) {
  {
    Front front;
    HWND list = GetDlgItem(front.window, IDC_RESULT_LIST);
    const wchar_t* titles[] = {L"パス名", L"ID", L"グループ", L"サイズ", L"更新日時",
                               L"フォルダ", L"名前", L"拡張子", L"属性", L"リンク"};
    for (int column = 0; column < 10; ++column) {
      wchar_t title[64] = L"";
      LVCOLUMNW info{};
      info.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
      info.pszText = title;
      info.cchTextMax = 64;
      ListView_GetColumn(list, column, &info);
      EXPECT_STREQ(title, titles[column]);
      EXPECT_EQ(info.fmt & LVCFMT_JUSTIFYMASK, column >= 1 && column <= 3 ? LVCFMT_RIGHT : LVCFMT_LEFT) << column;
      // The default width, or room for the title where it needs more.
      if (column > 0) {
        EXPECT_GE(info.cx, column == 6 ? 90 : 45) << column;
        EXPECT_GE(info.cx, ListView_GetStringWidth(list, titles[column])) << column;
      }
    }
    DWORD styles = ListView_GetExtendedListViewStyle(list);
    EXPECT_EQ(styles & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_INFOTIP | LVS_EX_LABELTIP),
              static_cast<DWORD>(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_INFOTIP |
                                 LVS_EX_LABELTIP));
    HWND header = ListView_GetHeader(list);
    HDITEMW item{};
    item.mask = HDI_IMAGE | HDI_FORMAT;
    Header_GetItem(header, 4, &item);
    EXPECT_EQ(item.iImage, shell::g_app.header_base);
    EXPECT_TRUE(item.fmt & HDF_BITMAP_ON_RIGHT);
  }
  FrontOptions options;
  options.ini = "[Window]\r\ncolumn0=300\r\ncolumn6=0\r\ncolumn9=77\r\norder=JABCDEFGHI\r\n";
  Front front(options);
  HWND list = GetDlgItem(front.window, IDC_RESULT_LIST);
  EXPECT_EQ(ListView_GetColumnWidth(list, 0), 300);
  EXPECT_EQ(ListView_GetColumnWidth(list, 6), 90);
  EXPECT_EQ(ListView_GetColumnWidth(list, 9), 77);
  int order[10];
  ListView_GetColumnOrderArray(list, 10, order);
  EXPECT_EQ(order[0], 9);
  EXPECT_EQ(order[1], 0);
  front.close(IDC_CLOSE);
  EXPECT_NE(test::read_file(front.ini_path).find("order=JABCDEFGHI"), std::string::npos);
}

TEST(ResultList, DateTexts) {
  // The locale's short date and its time (en-US in this run), in the
  // tests' zone, UTC+9 without daylight saving.
  struct Case {
    SYSTEMTIME utc;
    const wchar_t* text;
  };
  const Case cases[] = {
      {{2024, 2, 0, 29, 15, 30, 5, 0}, L"3/1/2024 12:30:05 AM"},
      {{2024, 2, 0, 29, 3, 0, 0, 0}, L"2/29/2024 12:00:00 PM"},
      {{1999, 12, 0, 31, 14, 59, 59, 0}, L"12/31/1999 11:59:59 PM"},
      {{1601, 1, 0, 1, 0, 0, 0, 0}, L"1/1/1601 9:00:00 AM"},
  };
  for (const Case& c : cases) EXPECT_EQ(date_text(file_time_of(c.utc)), c.text);
  EXPECT_EQ(date_text(shell::kUnknown), L"");
  // A time no calendar can hold is never shown as a date.
  EXPECT_EQ(date_text(-2), L"date time format error");
}

}  // namespace
}  // namespace mox::results
