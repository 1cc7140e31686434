// Deleting the checked files, against real files in a scratch folder: what
// must go, what must stay, and what the user is told.
#include "moxwin/results/erase.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/window_harness.h"

namespace mox::results {
namespace {

using test::dated_line;
using test::Front;
using test::g_answers;
using test::g_asked;
using test::result_checks;
using test::result_column;
using test::set_result_checks;

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Groups of files with the same contents; '|' ends a group.
void load(Front& front, const std::vector<std::wstring>& names) {
  std::wstring dlist;
  int count = 0;
  for (const std::wstring& name : names) {
    if (name == L"|") {
      dlist += L"\r\n";
      continue;
    }
    if (name.find(L'?') == std::wstring::npos) test::write_file(front / name, "same contents");
    dlist += dated_line(front / name);
    ++count;
  }
  front.finish_search(dlist + L"\r\n", count);
}

std::wstring log_text(const Front& front) { return test::from_utf16le(test::read_file(front / L"DELFILE.TXT")); }

TEST(Erase, NothingCheckedOrNoAnswer) {
  Front front;
  front.command(IDC_ERASE);  // an empty list: nothing at all
  EXPECT_TRUE(g_asked.boxes.empty());
  load(front, {L"a", L"b"});
  front.command(IDC_ERASE);
  EXPECT_EQ(front.status(), L"削除件数 0 ファイルはチェックされていません");
  set_result_checks(front.window, "x");
  g_answers.boxes = {IDNO};
  front.command(IDC_ERASE);
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_EQ(g_asked.boxes[0].text, L"これらの 1 個のファイルを削除してもよろしいですか?");
  EXPECT_EQ(g_asked.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
  EXPECT_TRUE(exists(front / L"a"));
  EXPECT_TRUE(g_asked.deletes.empty());
  EXPECT_FALSE(exists(front / L"DELFILE.TXT"));
}

TEST(Erase, DeletesExactlyTheCheckedFiles) {
  Front front;
  test::write_file(front / L"bystander", "same contents");
  load(front, {L"a1", L"a2", L"a3", L"|", L"b1", L"b2", L"|", L"c1", L"c2"});
  // Sorted and partly selected before: afterwards storage order, the
  // selection kept, only survivors checked.
  NMLISTVIEW click{};
  click.hdr = {GetDlgItem(front.window, IDC_RESULT_LIST), IDC_RESULT_LIST, LVN_COLUMNCLICK};
  click.iSubItem = 1;
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));  // ID descending
  ASSERT_EQ(result_column(front.window, 6), L"c2|c1|b2|b1|a3|a2|a1");
  set_result_checks(front.window, "..xxxxx");  // b2 b1 a3 a2 a1
  test::set_result_selection(front.window, "s.....s");  // c2 and a1
  // Hold a1, the last to go, open without delete sharing: the shell cannot
  // delete it.
  HANDLE held = CreateFileW((front / L"a1").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  g_answers.boxes = {IDYES};
  front.command(IDC_ERASE);
  CloseHandle(held);
  // Two whole groups would go: the question says so.
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_EQ(g_asked.boxes[0].text,
            L"これらの 5 個のファイルを削除してもよろしいですか?\r\n2 個のグループはすべてのファイルが削除されます。");
  ASSERT_EQ(g_asked.deletes.size(), 1u);
  EXPECT_EQ(g_asked.deletes[0].paths,
            (std::vector<std::wstring>{front / L"b2", front / L"b1", front / L"a3", front / L"a2", front / L"a1"}));
  EXPECT_EQ(g_asked.deletes[0].flags, 0);
  for (const wchar_t* gone : {L"a2", L"a3", L"b1", L"b2"}) EXPECT_FALSE(exists(front / gone)) << test::to_utf8(gone);
  for (const wchar_t* kept : {L"a1", L"c1", L"c2", L"bystander"}) EXPECT_TRUE(exists(front / kept)) << test::to_utf8(kept);
  EXPECT_EQ(front.status(), L"5 個中 4 個のファイルを削除しました");
  std::wstring first_log = L"\uFEFF" + (front / L"b2") + L"\r\n" + (front / L"b1") + L"\r\n" + (front / L"a3") + L"\r\n" +
                           (front / L"a2") + L"\r\n";
  EXPECT_EQ(log_text(front), first_log);
  EXPECT_EQ(result_column(front.window, 6), L"a1|c1|c2");
  EXPECT_EQ(result_column(front.window, 2), L"1|3|3");  // a1 keeps its group number
  EXPECT_EQ(result_checks(front.window), "x..");
  EXPECT_EQ(test::result_selection(front.window), "s.s");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(front.window, IDC_START)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(front.window, IDC_ERASE)));

  // A second deletion in the same run appends without a second mark.
  g_answers.boxes = {IDYES};
  front.command(IDC_ERASE);
  EXPECT_FALSE(exists(front / L"a1"));
  EXPECT_EQ(front.status(), L"1個のファイルを削除しました");
  EXPECT_EQ(log_text(front), first_log + (front / L"a1") + L"\r\n");
}

TEST(Erase, TheCheckBoxesChooseTheShellsFlags) {
  Front front;
  load(front, {L"a", L"b", L"|", L"c", L"d"});
  SendDlgItemMessageW(front.window, IDC_NO_CONFIRM, BM_SETCHECK, BST_CHECKED, 0);
  set_result_checks(front.window, "x");
  g_answers.boxes = {IDYES};
  front.command(IDC_ERASE);
  ASSERT_EQ(g_asked.boxes.size(), 1u);  // asked all the same
  EXPECT_EQ(g_asked.deletes.back().flags, FOF_NOCONFIRMATION);
  EXPECT_FALSE(exists(front / L"a"));
  // Into the recycle bin (Wine's trash, in the build tree for the tests).
  std::wstring trash = test::trash_folder();
  ASSERT_FALSE(trash.empty());
  std::wstring recycled = trash + L"\\Trash\\files\\c";
  SendDlgItemMessageW(front.window, IDC_NO_CONFIRM, BM_SETCHECK, BST_UNCHECKED, 0);
  SendDlgItemMessageW(front.window, IDC_RECYCLE, BM_SETCHECK, BST_CHECKED, 0);
  set_result_checks(front.window, ".x");
  g_answers.boxes = {IDYES};
  front.command(IDC_ERASE);
  EXPECT_EQ(g_asked.deletes.back().flags, FOF_ALLOWUNDO);
  EXPECT_FALSE(exists(front / L"c"));
  EXPECT_EQ(test::read_file(recycled), "same contents");
  EXPECT_EQ(front.status(), L"1個のファイルを削除しました");
}

TEST(Erase, WhatMustNeverBeHandedToTheShell) {
  Front front;
  // Two names of one file (through drive Z: and the prefix's link for C:),
  // a file changed after the list was loaded, and a path the shell would
  // read as a pattern.
  test::write_file(front / L"one", "same contents");
  std::wstring other_name = test::other_drive_name(front / L"one");
  ASSERT_FALSE(other_name.empty());
  test::write_file(front / L"x1", "same contents");
  test::write_file(front / L"x2", "same contents");
  std::wstring dlist = dated_line(front / L"one") + dated_line(other_name) + L"\r\n" + dated_line(front / L"changed") +
                       dated_line(front / L"twin") + L"\r\n" + dated_line(front / L"x?") + dated_line(front / L"x1") +
                       L"\r\n";
  test::write_file(front / L"changed", "same contents");
  test::write_file(front / L"twin", "same contents");
  front.finish_search(dlist, 6);
  test::write_file(front / L"changed", "other contents, longer");
  set_result_checks(front.window, "x.x.x.");
  g_answers.boxes = {IDYES};
  front.command(IDC_ERASE);
  EXPECT_TRUE(g_asked.deletes.empty());  // nothing was left to hand over
  for (const wchar_t* kept : {L"one", L"changed", L"twin", L"x1", L"x2"}) EXPECT_TRUE(exists(front / kept));
  EXPECT_EQ(front.status(), L"3 個中 0 個のファイルを削除しました");
  EXPECT_EQ(result_checks(front.window), "x.x.x.");
  EXPECT_EQ(log_text(front), L"\uFEFF");
}

TEST(Erase, AFileAlreadyGoneCountsAsDeleted) {
  Front front;
  load(front, {L"a", L"b"});
  DeleteFileW((front / L"a").c_str());
  set_result_checks(front.window, "x");
  g_answers.boxes = {IDYES};
  front.command(IDC_ERASE);
  EXPECT_EQ(front.status(), L"1個のファイルを削除しました");
  EXPECT_EQ(log_text(front), L"\uFEFF" + (front / L"a") + L"\r\n");
  EXPECT_EQ(result_column(front.window, 6), L"b");
}

}  // namespace
}  // namespace mox::results
