// Checking and selecting in the window: the commands read the check boxes
// from the list, and what they write back is what the user sees.
#include "moxwin/results/check_commands.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "moxwin/resource.h"
#include "moxwin/window/window_harness.h"

namespace mox::results {
namespace {

using test::dated_line;
using test::Front;
using test::result_checks;
using test::result_selection;
using test::set_result_checks;
using test::set_result_selection;

// Groups of 3, 2 and 4 real copies in the folders a, b and a\b.
void load_groups(Front& front) {
  for (const wchar_t* folder : {L"a", L"b", L"a\\b"}) test::make_dir(front / folder);
  std::wstring dlist;
  const wchar_t* groups[3][4] = {{L"a\\1", L"b\\1", L"a\\b\\1"}, {L"b\\2", L"a\\2"}, {L"a\\3", L"b\\3", L"a\\b\\3", L"b\\4"}};
  int files = 0;
  for (auto& group : groups) {
    for (const wchar_t* name : group) {
      if (!name) continue;
      test::write_file(front / name, "same");
      dlist += dated_line(front / name);
      ++files;
    }
    dlist += L"\r\n";
  }
  front.finish_search(dlist, files);
}

TEST(CheckCommands, MarkCyclesFromAutoCheck) {
  Front front;
  load_groups(front);
  front.command(IDC_MARK);
  EXPECT_EQ(result_checks(front.window), "xx.x.xxx.");
  EXPECT_EQ(front.control_text(IDC_MARK_LABEL), L"A C");
  EXPECT_EQ(front.status(), L"9 個のファイルについてチェック状態を更新しました");
  front.command(IDC_MARK);
  EXPECT_EQ(result_checks(front.window), ".........");
  EXPECT_EQ(front.control_text(IDC_MARK_LABEL), L"C S");
  front.command(IDC_MARK);
  EXPECT_EQ(result_checks(front.window), "xxxxxxxxx");
  EXPECT_EQ(front.control_text(IDC_MARK_LABEL), L"S A");
  // On a selection the label is in lower case and only the selection changes.
  set_result_selection(front.window, ".s.......");
  front.command(IDC_MARK);
  EXPECT_EQ(front.control_text(IDC_MARK_LABEL), L"a c");
  EXPECT_EQ(front.status(), L"1 個のファイルについてチェック状態を更新しました");
}

// The keep rules from the menus, with the files' real times; the first
// shown follows a header sort.
TEST(CheckCommands, KeepRules) {
  Front front;
  const wchar_t* names[] = {L"old", L"new", L"mid"};
  for (int i = 0; i < 3; ++i) {
    test::write_file(front / names[i], "same");
    HANDLE file = CreateFileW((front / names[i]).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    FILETIME time{static_cast<DWORD>(i == 0 ? 1000 : i == 1 ? 3000 : 2000) * 10000000u, 0x01D00000};
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
  }
  front.finish_search(dated_line(front / L"old") + dated_line(front / L"new") + dated_line(front / L"mid") + L"\r\n", 3);
  front.command(IDM_KEEP_NEWEST);
  EXPECT_EQ(result_checks(front.window), "x.x");
  EXPECT_EQ(front.status(), L"3 個のファイルについてチェック状態を更新しました");
  front.command(IDM_KEEP_OLDEST);
  EXPECT_EQ(result_checks(front.window), ".xx");
  NMLISTVIEW click{};
  click.hdr = {GetDlgItem(front.window, IDC_RESULT_LIST), IDC_RESULT_LIST, LVN_COLUMNCLICK};
  click.iSubItem = 6;  // by name: mid, new, old
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
  front.command(IDM_KEEP_FIRST_SHOWN);
  EXPECT_EQ(test::result_column(front.window, 6), L"mid|new|old");
  EXPECT_EQ(result_checks(front.window), ".xx");
}

TEST(CheckCommands, MenuOperationsOnTheSelection) {
  Front front;
  load_groups(front);
  // Auto-check with a group's last row in the selection: only the other one.
  set_result_selection(front.window, "s.s......");
  front.command(IDM_AUTO_CHECK);
  EXPECT_EQ(result_checks(front.window), "x........");
  EXPECT_EQ(front.status(), L"2 個のファイルについてチェック状態を更新しました");
  set_result_selection(front.window, ".........");
  front.command(IDM_TOGGLE_CHECK);
  EXPECT_EQ(result_checks(front.window), ".xxxxxxxx");
  front.command(IDM_UNCHECK_ALL);
  EXPECT_EQ(result_checks(front.window), ".........");
  set_result_checks(front.window, "x..x");
  front.command(IDM_SELECT_CHECKED);
  EXPECT_EQ(result_selection(front.window), "s..s.....");
  EXPECT_EQ(GetFocus(), GetDlgItem(front.window, IDC_RESULT_LIST));
  front.command(IDM_INVERT_SELECTION);
  EXPECT_EQ(result_selection(front.window), ".ss.sssss");
  front.command(IDM_DESELECT_ALL);
  EXPECT_EQ(result_selection(front.window), ".........");
  front.command(IDM_SELECT_ALL);
  EXPECT_EQ(result_selection(front.window), "sssssssss");
  // Same folders: a\1 selects every row in a, none in a\b.
  set_result_selection(front.window, "s........");
  front.command(IDM_SELECT_SAME_FOLDERS);
  EXPECT_EQ(result_selection(front.window), "s...ss...");
  front.command(IDM_TOGGLE_GROUP_SELECTION);
  EXPECT_EQ(result_selection(front.window), ".sss..sss");
}

TEST(CheckCommands, ThisFolderAndOutsideIt) {
  Front front;
  load_groups(front);
  set_result_selection(front.window, "s........");
  front.command(IDM_CHECK_THIS_FOLDER);
  EXPECT_EQ(result_checks(front.window), "x...xx...");
  EXPECT_EQ(result_selection(front.window), ".........");
  EXPECT_EQ(front.status(), L"3 個のファイルについてチェック状態を更新しました");
  // F7 keeps the files in a (even the ones F5 just checked) and checks
  // their duplicates elsewhere.
  set_result_selection(front.window, "s........");
  front.command(IDM_CHECK_OUTSIDE_FOLDER);
  EXPECT_EQ(result_checks(front.window), ".xxx..xxx");
  EXPECT_EQ(front.status(), L"6 個のファイルについてチェック状態を更新しました");
  // Without a selection neither does anything.
  front.command(IDM_CHECK_THIS_FOLDER);
  front.command(IDM_CHECK_OUTSIDE_FOLDER);
  EXPECT_EQ(result_checks(front.window), ".xxx..xxx");
}

// One file reached by two paths (through another drive and a linked folder)
// and a pair of hard links: neither may lose the file the user keeps.
TEST(CheckCommands, OneFileUnderTwoPathsIsNeverChecked) {
  Front front;
  test::make_dir(front / L"real");
  test::write_file(front / L"real\\f", "same");
  test::write_file(front / L"copy", "same");
  test::write_file(front / L"h1", "same");
  ASSERT_TRUE(CreateHardLinkW((front / L"h2").c_str(), (front / L"h1").c_str(), nullptr));
  std::wstring second = test::other_drive_name(front / L"real");
  ASSERT_FALSE(second.empty());
  std::wstring dlist = dated_line(front / L"real\\f") + dated_line(second + L"\\f") + L"\r\n" +
                       dated_line(front / L"real\\f") + dated_line(second + L"\\f") + dated_line(front / L"copy") + L"\r\n" +
                       dated_line(front / L"h1") + dated_line(front / L"h2") + L"\r\n";
  front.finish_search(dlist, 7);
  front.command(IDM_AUTO_CHECK);
  // The pair keeps both paths; beside a real copy both may go.
  EXPECT_EQ(result_checks(front.window), "..xx...");
  EXPECT_EQ(front.status(),
            L"7 個のファイルについてチェック状態を更新しました（同じファイルを指す 2 個はチェックしていません）");
  // F7 keeping the Z: folder checks the copy, not the other name of the kept file.
  front.command(IDM_UNCHECK_ALL);
  set_result_selection(front.window, ".s.....");
  front.command(IDM_CHECK_OUTSIDE_FOLDER);
  EXPECT_EQ(result_checks(front.window), "....x..");
  EXPECT_EQ(front.status(),
            L"3 個のファイルについてチェック状態を更新しました（同じファイルを指す 2 個はチェックしていません）");
  // F5 on the real folder: its files are the kept files under Z:.
  set_result_selection(front.window, "s......");
  front.command(IDM_CHECK_THIS_FOLDER);
  EXPECT_EQ(result_checks(front.window), "....x..");
}

TEST(CheckCommands, GroupConfirmation) {
  Front front;
  load_groups(front);
  front.command(IDC_CONFIRM);
  EXPECT_EQ(test::read_file(front / L"CLIST.TXT"), "\xFF\xFE");
  EXPECT_EQ(test::g_asked.documents, std::vector<std::wstring>{L"CLIST.TXT"});
  EXPECT_EQ(front.status(), L"検索時間 0 秒  ファイル数 9  グループ数 1 現在のファイル数 9");
  set_result_checks(front.window, "xxx.x");
  front.command(IDC_CONFIRM);
  EXPECT_EQ(test::read_file(front / L"CLIST.TXT"), test::utf16le(L"\uFEFFグループ 1 3 / 3\r\n"));
}

}  // namespace
}  // namespace mox::results
