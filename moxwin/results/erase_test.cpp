// Deleting the checked files, against real files in a scratch folder: what
// must go, what must stay, and what the user is told.
#include "moxwin/results/erase.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/window/window_harness.h"

namespace mox::results {
namespace {

using test::dated_line;
using test::Front;
using test::FrontOptions;
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
  // Two whole groups would go: the question says so. Afterwards the file
  // the shell kept is named.
  ASSERT_EQ(g_asked.boxes.size(), 2u);
  EXPECT_EQ(g_asked.boxes[1].text, L"次のファイルは削除しませんでした:\r\n" + (front / L"a1") + L" (シェルが削除しませんでした)");
  EXPECT_EQ(g_asked.boxes[0].text,
            L"これらの 5 個のファイルを削除してもよろしいですか?\r\n2 個のグループはすべてのファイルが削除されます。");
  ASSERT_EQ(g_asked.deletes.size(), 1u);
  EXPECT_EQ(g_asked.deletes[0].paths,
            (std::vector<std::wstring>{front / L"b2", front / L"b1", front / L"a3", front / L"a2", front / L"a1"}));
  EXPECT_EQ(g_asked.deletes[0].flags, 0);
  EXPECT_EQ(g_asked.deletes[0].owner, front.window);  // its boxes are modal to the window
  EXPECT_FALSE(g_asked.deletes[0].owner_enabled);
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
  EXPECT_EQ(g_asked.deletes.back().flags, FOF_ALLOWUNDO | FOF_WANTNUKEWARNING);
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

// Writes new bytes of the same length and puts the last-write time back: only
// the change time tells.
void rewrite_same_size_and_time(const std::wstring& path, const std::string& bytes) {
  WIN32_FILE_ATTRIBUTE_DATA before;
  ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &before));
  ASSERT_TRUE(test::write_file(path, bytes));
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFileTime(file, nullptr, nullptr, &before.ftLastWriteTime);
  CloseHandle(file);
}

void erase_with(Front& front, const std::string& checks, std::deque<int> answers = {IDYES}) {
  set_result_checks(front.window, checks);
  g_answers.boxes = std::move(answers);
  front.command(IDC_ERASE);
}

std::vector<std::wstring> handed(size_t call = 0) {
  return call < g_asked.deletes.size() ? g_asked.deletes[call].paths : std::vector<std::wstring>{};
}

// The shell deletes a folder with all it holds and a link to a folder with
// the folder it points to: neither is ever handed over, nor checked by a
// command.
TEST(Erase, OnlyRegularFilesAreHandedOver) {
  Front front;
  test::make_dir(front / L"folder");
  test::write_file(front / L"folder\\kept", "same contents");
  test::make_dir(front / L"real");
  test::write_file(front / L"real\\inside", "same contents");
  ASSERT_TRUE(test::make_unix_link(test::unix_path(front / L"real"), front / L"link"));
  front.finish_search(dated_line(front / L"folder") + dated_line(front / L"folder\\kept") + L"\r\n" +
                          dated_line(front / L"link") + dated_line(front / L"real\\inside") + L"\r\n",
                      4);
  front.command(IDC_MARK);  // auto-check
  EXPECT_EQ(result_checks(front.window), "....");
  erase_with(front, "x.x.");
  EXPECT_TRUE(g_asked.deletes.empty());
  EXPECT_EQ(g_asked.boxes[0].text,
            L"これらの 2 個のファイルを削除してもよろしいですか?\r\n"
            L"2 個のファイルは削除しません: 通常のファイルではありません (フォルダ、リンク、デバイス)");
  for (const wchar_t* kept : {L"folder\\kept", L"real\\inside", L"link\\inside"})
    EXPECT_TRUE(exists(front / kept)) << test::to_utf8(kept);
  EXPECT_EQ(front.status(), L"2 個中 0 個のファイルを削除しました");
  test::run_unix(L"/bin/rm -f \"" + test::from_utf8(test::unix_path(front / L"link")) + L"\"");
}

// Every file that goes leaves an unchecked copy that is still the file that
// was loaded: not deleted, renamed, rewritten (even with its size and time
// put back), nor the checked file itself under another name.
TEST(Erase, EveryDeletedFileKeepsAnUnchangedSurvivor) {
  Front front;
  test::make_dir(front / L"sub");
  load(front, {L"a1", L"a2", L"|", L"b1", L"b2", L"|", L"c1", L"c2", L"|", L"d1", L"d2", L"|", L"sub\\e1", L"e2",
               L"|", L"f1", L"f2"});
  DeleteFileW((front / L"a2").c_str());
  MoveFileW((front / L"b2").c_str(), (front / L"b3").c_str());
  rewrite_same_size_and_time(front / L"c2", "SAME CONTENTS");
  rewrite_same_size_and_time(front / L"d1", "SAME CONTENTS");
  MoveFileW((front / L"sub").c_str(), (front / L"sub2").c_str());  // e1 cannot be reached: it stays a row
  erase_with(front, "x.x.x.x.x.x.", {IDYES, IDOK});
  EXPECT_EQ(handed(), std::vector<std::wstring>{front / L"f1"});
  for (const wchar_t* kept : {L"a1", L"b1", L"b3", L"c1", L"c2", L"d1", L"d2", L"sub2\\e1", L"e2", L"f2"})
    EXPECT_TRUE(exists(front / kept)) << test::to_utf8(kept);
  EXPECT_FALSE(exists(front / L"f1"));
  EXPECT_EQ(g_asked.boxes[0].text,
            L"これらの 6 個のファイルを削除してもよろしいですか?\r\n"
            L"2 個のファイルは削除しません: 読み込み後に変更されたか見つかりません\r\n"
            L"3 個のファイルは削除しません: 読み込み時のまま残るファイルがグループにありません");
  EXPECT_EQ(front.status(), L"6 個中 1 個のファイルを削除しました");
  EXPECT_EQ(log_text(front), L"\uFEFF" + (front / L"f1") + L"\r\n");
  EXPECT_EQ(result_column(front.window, 6), L"a1|a2|b1|b2|c1|c2|d1|d2|e1|e2|f2");
  EXPECT_EQ(result_checks(front.window), "x.x.x.x.x..");
  ASSERT_EQ(g_asked.boxes.size(), 2u);
  EXPECT_NE(g_asked.boxes[1].text.find(front / L"d1" + L" (読み込み後に変更されたか見つかりません)"), std::wstring::npos);
  EXPECT_NE(g_asked.boxes[1].text.find(front / L"c1" + L" (読み込み時のまま残るファイルがグループにありません)"),
            std::wstring::npos);
}

// A list of identical files: each file is compared with its survivor, byte
// for byte (a JPEG list on the image data at the end), unless verify=0.
TEST(Erase, ContentsAreComparedWithTheSurvivor) {
  Front front;
  for (auto [name, bytes] : {std::pair{L"a1", "contents A"}, {L"a2", "contents B"}, {L"b1", "contents C"},
                             {L"b2", "contents C"}})
    test::write_file(front / name, bytes);
  std::wstring dlist = dated_line(front / L"a1") + dated_line(front / L"a2") + L"\r\n" + dated_line(front / L"b1") +
                       dated_line(front / L"b2") + L"\r\n";
  front.finish_search(dlist, 4);
  erase_with(front, "x.x.", {IDYES, IDOK});
  EXPECT_EQ(handed(), std::vector<std::wstring>{front / L"b1"});
  EXPECT_TRUE(exists(front / L"a1"));
  EXPECT_EQ(front.status(), L"2 個中 1 個のファイルを削除しました");
  EXPECT_EQ(g_asked.boxes[1].text, L"次のファイルは削除しませんでした:\r\n" + (front / L"a1") + L" (残すファイルと内容が異なります)");

  // The image data of a JPEG list: the listed size at the end of the file.
  test::write_file(front / L"j1", "EXIF one.IMAGE");
  test::write_file(front / L"j2", "EXIF number two.IMAGE");
  test::write_file(front / L"k1", "xIMAGE");
  test::write_file(front / L"k2", "xIMAGF");
  auto jpeg_line = [&](const wchar_t* name) {
    std::wstring line = dated_line(front / name);
    return line.replace(20, 20, L"00000000000000000005");
  };
  front.finish_search(jpeg_line(L"j1") + jpeg_line(L"j2") + L"\r\n" + jpeg_line(L"k1") + jpeg_line(L"k2") + L"\r\n", 4,
                      "jpeg");
  erase_with(front, "x.x.", {IDYES, IDOK});
  EXPECT_FALSE(exists(front / L"j1"));
  EXPECT_TRUE(exists(front / L"k1"));

}

// verify=0 in [Options]: only the checks of the files' identities and times.
TEST(Erase, VerifyOffLeavesTheChecksOfIdentityAndTime) {
  FrontOptions options;
  options.ini = "[Options]\r\nverify=0\r\n";
  Front unverified(options);
  test::write_file(unverified / L"a1", "contents A");
  test::write_file(unverified / L"a2", "contents B");
  unverified.finish_search(dated_line(unverified / L"a1") + dated_line(unverified / L"a2") + L"\r\n", 2);
  erase_with(unverified, "x.");
  EXPECT_FALSE(exists(unverified / L"a1"));
  EXPECT_TRUE(exists(unverified / L"a2"));
}

// After a size or name search, or for a list of no known kind, the question
// says how many checked files have no identical kept copy; they go all the
// same.
TEST(Erase, OtherListsSayWhatHasNoIdenticalCopy) {
  for (const char* kind : {"size", "name", static_cast<const char*>(nullptr)}) {
    Front front;
    test::write_file(front / L"a1", "one");
    test::write_file(front / L"a2", "two");
    test::write_file(front / L"b1", "same");
    test::write_file(front / L"b2", "same");
    test::write_file(front / L"b3", "other");
    front.finish_search(dated_line(front / L"a1") + dated_line(front / L"a2") + L"\r\n" + dated_line(front / L"b1") +
                            dated_line(front / L"b3") + dated_line(front / L"b2") + L"\r\n",
                        5, kind);
    erase_with(front, "x.x..");
    EXPECT_EQ(g_asked.boxes[0].text,
              L"これらの 2 個のファイルを削除してもよろしいですか?\r\n"
              L"1 個のファイルは残すファイルの中に同じ内容のものがありません。")
        << (kind ? kind : "none");
    EXPECT_FALSE(exists(front / L"a1"));
    EXPECT_FALSE(exists(front / L"b1"));
    EXPECT_TRUE(exists(front / L"a2") && exists(front / L"b2") && exists(front / L"b3"));
  }
}

// What the shell deletes is what was checked when Erase was pressed, whatever
// happens to the check boxes meanwhile; all of it is logged and leaves the list.
TEST(Erase, TheRequestIsFrozen) {
  Front front;
  load(front, {L"a1", L"a2", L"|", L"b1", L"b2"});
  g_answers.before_delete = [&] {
    front.command(IDC_MARK);  // auto-check, were the window taking input
    set_result_checks(front.window, "....");
  };
  erase_with(front, "x.x.");
  EXPECT_EQ(handed(), (std::vector<std::wstring>{front / L"a1", front / L"b1"}));
  EXPECT_EQ(front.status(), L"2個のファイルを削除しました");
  EXPECT_EQ(log_text(front), L"\uFEFF" + (front / L"a1") + L"\r\n" + (front / L"b1") + L"\r\n");
  EXPECT_EQ(result_column(front.window, 6), L"a2|b2");
  EXPECT_TRUE(IsWindowEnabled(front.window));
}

// One path in two rows goes to the shell once, is logged once and takes both
// rows; read-only, hidden and system files go as well; a "\\?\" path is no
// pattern.
TEST(Erase, PathsAndAttributes) {
  Front front;
  for (const wchar_t* name : {L"a", L"b", L"c", L"r", L"r2", L"h", L"h2", L"s", L"s2", L"p", L"p2"})
    test::write_file(front / name, "same contents");
  SetFileAttributesW((front / L"r").c_str(), FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW((front / L"h").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW((front / L"s").c_str(), FILE_ATTRIBUTE_SYSTEM);
  std::wstring prefixed = L"\\\\?\\" + (front / L"p");
  std::wstring dlist = dated_line(front / L"a") + dated_line(front / L"b") + L"\r\n" + dated_line(front / L"a") +
                       dated_line(front / L"c") + L"\r\n";
  for (const wchar_t* name : {L"r", L"h", L"s"})
    dlist += dated_line(front / name) + dated_line(front / (std::wstring(name) + L"2")) + L"\r\n";
  dlist += dated_line(prefixed) + dated_line(front / L"p2") + L"\r\n";
  front.finish_search(dlist, 12);
  erase_with(front, "x.x.x.x.x.x.");
  EXPECT_EQ(handed(), (std::vector<std::wstring>{front / L"a", front / L"r", front / L"h", front / L"s", prefixed}));
  EXPECT_EQ(g_asked.boxes[0].text,
            L"これらの 6 個のファイルを削除してもよろしいですか?\r\n"
            L"1 個のファイルは削除しません: 同じパスがもう一度チェックされています");
  for (const wchar_t* gone : {L"a", L"r", L"h", L"s", L"p"}) EXPECT_FALSE(exists(front / gone)) << test::to_utf8(gone);
  for (const wchar_t* kept : {L"b", L"c", L"r2", L"h2", L"s2", L"p2"}) EXPECT_TRUE(exists(front / kept));
  EXPECT_EQ(front.status(), L"6個のファイルを削除しました");
  EXPECT_EQ(log_text(front), L"\uFEFF" + (front / L"a") + L"\r\n" + (front / L"r") + L"\r\n" + (front / L"h") +
                                 L"\r\n" + (front / L"s") + L"\r\n" + prefixed + L"\r\n");
  EXPECT_EQ(result_column(front.window, 6), L"b|c|r2|h2|s2|p2");
}

// With the recycle bin asked for and none there, nothing is deleted for good
// unless the user says so.
TEST(Erase, NoRecycleBinAsksFirst) {
  wchar_t saved[MAX_PATH] = L"";
  GetEnvironmentVariableW(L"XDG_DATA_HOME", saved, MAX_PATH);
  SetEnvironmentVariableW(L"XDG_DATA_HOME", L"/nonexistent/mox-no-bin");
  Front front;
  load(front, {L"a1", L"a2"});
  SendDlgItemMessageW(front.window, IDC_RECYCLE, BM_SETCHECK, BST_CHECKED, 0);
  erase_with(front, "x.", {IDYES, IDNO, IDOK});
  SetEnvironmentVariableW(L"XDG_DATA_HOME", saved[0] ? saved : nullptr);
  ASSERT_GE(g_asked.boxes.size(), 2u);
  EXPECT_EQ(g_asked.boxes[1].text,
            L"1 個のファイルはごみ箱に移せません。これらのファイルを完全に削除してもよろしいですか?");
  EXPECT_TRUE(g_asked.deletes.empty());
  EXPECT_TRUE(exists(front / L"a1"));
  EXPECT_EQ(front.status(), L"1 個中 0 個のファイルを削除しました");
}

// Names a plain path cannot carry (a trailing dot or blank, a device name)
// are listed in their "\\?\" form: shown, compared and deleted by it, and the
// file of the plain name beside them is never touched. A plain path that the
// system would change (to a device, or to the name without its dot) is never
// looked up, read or deleted.
TEST(Erase, NamesOnlyTheLongFormReaches) {
  Front front;
  std::wstring dir = L"\\\\?\\" + front.dir.path + L"\\";
  for (const wchar_t* name : {L"a.", L"a", L"b ", L"b", L"aux.c", L"twin"})
    ASSERT_TRUE(test::write_file(dir + name, "same contents")) << test::to_utf8(name);
  std::wstring dlist = dated_line(dir + L"a.") + dated_line(dir + L"twin") + L"\r\n" + dated_line(dir + L"b ") +
                       dated_line(dir + L"twin") + L"\r\n" + dated_line(dir + L"aux.c") + dated_line(dir + L"twin") +
                       L"\r\n" + dated_line(front / L"aux.c") + dated_line(dir + L"twin") + L"\r\n" +
                       dated_line(front / L"a.") + dated_line(dir + L"twin") + L"\r\n";
  front.finish_search(dlist, 10);
  EXPECT_EQ(result_column(front.window, 0).substr(0, dir.size() + 2), dir + L"a.");
  erase_with(front, "x.x.x.x.x.", {IDYES, IDOK});
  EXPECT_EQ(handed(), (std::vector<std::wstring>{dir + L"a.", dir + L"b ", dir + L"aux.c"}));
  for (const wchar_t* gone : {L"a.", L"b ", L"aux.c"}) EXPECT_FALSE(exists(dir + gone)) << test::to_utf8(gone);
  for (const wchar_t* kept : {L"a", L"b", L"twin"}) EXPECT_TRUE(exists(dir + kept)) << test::to_utf8(kept);
  EXPECT_EQ(front.status(), L"5 個中 3 個のファイルを削除しました");
}

}  // namespace
}  // namespace mox::results
