// End-to-end runs of moxwin.exe under Wine, driven from outside as a user
// would: each test copies the program into a scratch folder (its settings
// file lives beside it) and starts it there, so that folder is also its
// working folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/testkit.h"
#include "moxwin/resource.h"
#include "moxwin/shell/remote_window.h"

namespace mox {
namespace {

struct Installation {
  test::TempDir dir{L"remote"};
  std::wstring exe;
  explicit Installation(const std::optional<std::string>& ini = std::nullopt)
      : exe(test::copy_program(dir.path, ini)) {}
  std::wstring operator/(const std::wstring& name) const { return dir / name; }
};

// Programs of the build beside the copy, under their own names or others.
void copy_beside(const Installation& installation, const std::vector<std::pair<std::wstring, std::wstring>>& names) {
  for (const auto& [from, to] : names)
    ASSERT_TRUE(CopyFileW((test::program_dir() + L"\\" + from).c_str(), (installation / to).c_str(), FALSE))
        << test::to_utf8(from);
}

void copy_search_programs(const Installation& installation) {
  for (const wchar_t* name : {L"MOX.BAT", L"LAST.BAT", L"dirscan.exe", L"widen.exe", L"sizesum.exe", L"dupcheck.exe",
                              L"sizegroup.exe", L"keygroup.exe", L"unkey.exe"})
    copy_beside(installation, {{name, name}});
}

// The installation's folder "data", the only folder of its LIST.TXT.
std::wstring searched_folder(const Installation& installation) {
  const std::wstring data = installation / L"data";
  test::make_dir(data);
  test::write_file(installation / L"LIST.TXT", test::utf16le(L"\uFEFF" + data + L"\r\n"));
  return data;
}

// The program's window once its search with the default program line has
// shown its summary; nullptr when the window did not appear.
HWND window_after_search(const test::RemoteProgram& program) {
  HWND window = program.wait_main_window();
  if (!window) return nullptr;
  test::post_command(window, IDC_START);
  test::wait_for_status(window, L"検索時間");
  return window;
}

int close_by_button(const test::RemoteProgram& program, HWND window) {
  test::post_command(window, IDC_CLOSE);
  return program.wait_exit();
}

// The program writes its files while handling a posted command: poll.
std::string wait_for_content(const std::wstring& path, const std::string& expected) {
  std::string content;
  for (int i = 0; i < 250 && (content = test::read_file(path)) != expected; ++i) Sleep(20);
  return content;
}

const char kIni[] =
    "[Window]\r\nflags=0\r\nshowCmd=1\r\nMinX=-1\r\nMinY=-1\r\nMaxX=-1\r\nMaxY=-1\r\n"
    "left=40\r\ntop=30\r\nright=740\r\nbottom=530\r\n"
    "[Options]\r\nbuffer=64M\r\n"
    "[history0]\r\nmin0=1K\r\nexclude0=%30C6%30B9%30C8.tmp>\r\n";

class MoxwinRun : public ::testing::Test {
 protected:
  // A box nobody answers would block a wait; the watchdog ends the run.
  static void SetUpTestSuite() { test::start_watchdog(120000); }
};

TEST_F(MoxwinRun, CommandLineFoldersReplaceTheList) {
  Installation installation;
  test::write_file(installation / L"LIST.TXT", test::utf16le(L"\uFEFFC:\\Earlier\r\n"));
  test::RemoteProgram program(installation.exe, L"C:\\A \"D:\\My Files\"", installation.dir.path);
  HWND window = program.wait_main_window();
  ASSERT_TRUE(window);
  EXPECT_EQ(test::read_file(installation / L"LIST.TXT"), test::utf16le(L"C:\\A\r\nD:\\My Files\r\n"));
  test::RemoteList folders(program, window, IDC_FOLDER_LIST);
  ASSERT_EQ(folders.count(), 2);
  EXPECT_EQ(folders.text(0), L"C:\\A");
  EXPECT_EQ(folders.text(1), L"D:\\My Files");
  EXPECT_TRUE(folders.checked(0));
  EXPECT_TRUE(folders.checked(1));
  EXPECT_EQ(close_by_button(program, window), 0);
  EXPECT_EQ(test::read_file(installation / L"LIST.TXT"), test::utf16le(L"\uFEFFC:\\A\r\nD:\\My Files\r\n"));
}

TEST_F(MoxwinRun, SecondInstanceInTheSameFolderOnlySaysSo) {
  Installation installation(kIni);
  const std::string list = test::utf16le(L"\uFEFFC:\\Data\r\n:C:\\Skip\r\n");
  test::write_file(installation / L"LIST.TXT", list);
  test::RemoteProgram first(installation.exe, L"", installation.dir.path);
  HWND first_window = first.wait_main_window();
  ASSERT_TRUE(first_window);

  // With a folder argument, which must not reach LIST.TXT either.
  test::RemoteProgram second(installation.exe, L"C:\\Other", installation.dir.path);
  HWND box = second.wait_dialog();
  ASSERT_TRUE(box);
  EXPECT_EQ(test::window_text(box), L"moxwin");
  EXPECT_EQ(test::box_text(box), installation.dir.path +
                                     L"\r\nすでにこの作業フォルダで実行しています。\r\n"
                                     L"同じ作業フォルダでは複数実行できません。");
  ASSERT_TRUE(test::answer(box, IDOK));
  EXPECT_EQ(second.wait_exit(), 0);
  EXPECT_EQ(test::read_file(installation / L"moxwin.ini"), kIni);
  EXPECT_EQ(test::read_file(installation / L"LIST.TXT"), list);

  // Another folder with its own copy is free.
  Installation elsewhere(kIni);
  test::RemoteProgram third(elsewhere.exe, L"", elsewhere.dir.path);
  HWND third_window = third.wait_main_window();
  ASSERT_TRUE(third_window);
  EXPECT_EQ(close_by_button(third, third_window), 0);
  EXPECT_EQ(close_by_button(first, first_window), 0);
}

TEST_F(MoxwinRun, StatusLineShowsTheBufferSettingBesideTheProgram) {
  const struct {
    std::optional<std::string> ini;
    const wchar_t* status;
  } cases[] = {
      {std::nullopt, L"buffer size: default"},
      {"[Options]\r\nbuffer=64M\r\n", L"buffer size: 64M"},
  };
  for (const auto& c : cases) {
    Installation installation(c.ini);
    test::RemoteProgram program(installation.exe, L"", installation.dir.path);
    HWND window = program.wait_main_window();
    ASSERT_TRUE(window);
    EXPECT_EQ(test::control_text(window, IDC_STATUS), c.status);
    EXPECT_EQ(close_by_button(program, window), 0);
  }
}

TEST_F(MoxwinRun, FolderRowsChangedFromOutsideAreSaved) {
  Installation installation;
  test::write_file(installation / L"LIST.TXT", test::utf16le(L"\uFEFFC:\\Data\r\n:Z:\\写真\r\nC:\\Old\r\n"));
  test::RemoteProgram program(installation.exe, L"", installation.dir.path);
  HWND window = program.wait_main_window();
  ASSERT_TRUE(window);
  test::RemoteList folders(program, window, IDC_FOLDER_LIST);
  ASSERT_EQ(folders.count(), 3);
  EXPECT_EQ(folders.text(1), L"Z:\\写真");
  EXPECT_FALSE(folders.checked(1));

  folders.set_checked(0, false);
  folders.set_checked(1, true);
  folders.set_selected(2, true);
  EXPECT_TRUE(folders.selected(2));
  EXPECT_FALSE(folders.selected(0));
  test::post_command(window, IDC_REMOVE_FOLDER);
  const std::string saved = test::utf16le(L"\uFEFF:C:\\Data\r\nZ:\\写真\r\n");
  EXPECT_EQ(wait_for_content(installation / L"LIST.TXT", saved), saved);
  EXPECT_EQ(folders.count(), 2);
  EXPECT_EQ(close_by_button(program, window), 0);
}

// A LIST.TXT saved as UTF-8 by an editor, a folder added with the system's
// own folder picker (Wine's common item dialog, answered through its file
// name field), and the close box: the list is saved as UTF-16LE with every
// row.
TEST_F(MoxwinRun, AnEditorsListThePickerAndTheCloseBox) {
  Installation installation;
  const std::wstring picked = installation / L"写真 2026";
  test::make_dir(picked);
  test::write_file(installation / L"LIST.TXT", "\xEF\xBB\xBF" + test::to_utf8(L"C:\\データ\r\n:D:\\古い\r\n"));
  test::RemoteProgram program(installation.exe, L"", installation.dir.path);
  HWND window = program.wait_main_window();
  ASSERT_TRUE(window);
  test::RemoteList folders(program, window, IDC_FOLDER_LIST);
  ASSERT_EQ(folders.count(), 2);
  EXPECT_EQ(folders.text(0), L"C:\\データ");
  EXPECT_EQ(folders.text(1), L"D:\\古い");
  EXPECT_FALSE(folders.checked(1));
  EXPECT_NE(test::control_text(window, IDC_STATUS).find(L"LIST.TXT を UTF-8 として読み込みました"), std::wstring::npos);

  test::post_command(window, IDC_ADD_FOLDER);
  HWND picker = program.wait_dialog();
  ASSERT_TRUE(picker);
  const int kFileNameField = 1152;
  ASSERT_TRUE(GetDlgItem(picker, kFileNameField));
  test::set_control_text(picker, kFileNameField, picked);
  ASSERT_TRUE(test::answer(picker, IDOK));
  for (int i = 0; i < 250 && folders.count() < 3; ++i) Sleep(20);
  ASSERT_EQ(folders.count(), 3);
  EXPECT_EQ(folders.text(2), picked);

  folders.set_checked(1, true);
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box, and Alt+F4
  EXPECT_EQ(program.wait_exit(), 0);
  EXPECT_EQ(test::read_file(installation / L"LIST.TXT"),
            test::utf16le(L"\uFEFFC:\\データ\r\nD:\\古い\r\n" + picked + L"\r\n"));
}

// The sets of identical files of a tree, computed from their contents:
// each set sorted, the sets sorted.
using Sets = std::vector<std::vector<std::wstring>>;

Sets sets_by_content(const std::vector<std::pair<std::wstring, std::string>>& files) {
  std::map<std::string, std::vector<std::wstring>> by_content;
  for (const auto& [path, bytes] : files) by_content[bytes].push_back(path);
  Sets sets;
  for (auto& [bytes, paths] : by_content) {
    if (paths.size() < 2) continue;
    std::sort(paths.begin(), paths.end());
    sets.push_back(paths);
  }
  std::sort(sets.begin(), sets.end());
  return sets;
}

Sets sets_in_list(const test::RemoteList& results) {
  std::map<std::wstring, std::vector<std::wstring>> by_group;
  for (int row = 0; row < results.count(); ++row) by_group[results.text(row, 2)].push_back(results.text(row, 0));
  Sets sets;
  for (auto& [group, paths] : by_group) {
    std::sort(paths.begin(), paths.end());
    sets.push_back(paths);
  }
  std::sort(sets.begin(), sets.end());
  return sets;
}

// The whole road as a user takes it: folders and filters, Start with the
// default program line in a working folder that holds the scripts and the
// programs, the summary and the sets; Mark's auto-check, Erase into the
// recycle bin; then LAST.BAT shows the sets that are left.
TEST_F(MoxwinRun, SearchEraseAndLast) {
  Installation installation;
  copy_search_programs(installation);
  const std::wstring data = searched_folder(installation);
  test::make_dir(data + L"\\sub");
  std::string big(70000, 'x');
  std::string almost = big;
  almost.back() = 'y';
  const std::vector<std::pair<std::wstring, std::string>> files = {
      {data + L"\\a1.txt", "alpha"},       {data + L"\\sub\\a2.txt", "alpha"}, {data + L"\\写真.txt", "alpha"},
      {data + L"\\b1.bin", big},          {data + L"\\sub\\b2.bin", big},     {data + L"\\near.bin", almost},
      {data + L"\\c1", "gamma gamma"},    {data + L"\\c2", "gamma gamma"},    {data + L"\\single", "only one"},
  };
  for (const auto& [path, bytes] : files) test::write_file(path, bytes);
  // Excluded by the filter box: never part of a set.
  test::write_file(data + L"\\a3.tmp", "alpha");

  test::RemoteProgram program(installation.exe, L"", installation.dir.path);
  HWND window = program.wait_main_window();
  ASSERT_TRUE(window);
  EXPECT_EQ(test::control_text(window, IDC_PROGRAM), L"MOX.BAT /v");
  test::set_control_text(window, IDC_EXCLUDE, L".tmp>");
  test::post_command(window, IDC_START);
  std::wstring status = test::wait_for_status(window, L"検索時間");
  EXPECT_TRUE(status.ends_with(L" 秒  ファイル数 7  グループ数 3 現在のファイル数 7")) << test::to_utf8(status);
  test::RemoteList results(program, window, IDC_RESULT_LIST);
  EXPECT_EQ(sets_in_list(results), sets_by_content(files));

  // Auto-check keeps one file of every set: the one listed last.
  test::post_command(window, IDC_MARK);
  for (int i = 0; i < 250 && test::control_text(window, IDC_MARK_LABEL) == L"  A"; ++i) Sleep(20);
  std::vector<std::wstring> checked;
  for (int row = 0; row < results.count(); ++row) {
    bool last_of_group = row + 1 == results.count() || results.text(row + 1, 2) != results.text(row, 2);
    EXPECT_EQ(results.checked(row), !last_of_group) << row;
    if (row == 0) continue;  // the user keeps the first file of the list too
    if (results.checked(row)) checked.push_back(results.text(row, 0));
  }
  results.set_checked(0, false);

  // Into the recycle bin, without the shell's own question; ours is asked.
  // Wine's trash is in XDG_DATA_HOME, which the tests keep in the build tree.
  std::wstring trash = test::trash_folder();
  ASSERT_FALSE(trash.empty());
  SendMessageW(GetDlgItem(window, IDC_RECYCLE), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageW(GetDlgItem(window, IDC_NO_CONFIRM), BM_SETCHECK, BST_CHECKED, 0);
  test::post_command(window, IDC_ERASE);
  HWND question = program.wait_dialog();
  ASSERT_TRUE(question);
  EXPECT_EQ(test::box_text(question),
            L"これらの " + std::to_wstring(checked.size()) + L" 個のファイルを削除してもよろしいですか?");
  ASSERT_TRUE(test::answer(question, IDYES));
  status = test::wait_for_status(window, std::to_wstring(checked.size()) + L"個");
  EXPECT_EQ(status, std::to_wstring(checked.size()) + L"個のファイルを削除しました");
  std::wstring log;
  for (const std::wstring& path : checked) {
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << test::to_utf8(path);
    log += path + L"\r\n";
  }
  EXPECT_EQ(test::from_utf16le(test::read_file(installation / L"DELFILE.TXT")), L"\uFEFF" + log);
  std::vector<std::pair<std::wstring, std::string>> left;
  for (const auto& file : files)
    if (std::find(checked.begin(), checked.end(), file.first) == checked.end()) left.push_back(file);
  for (const auto& file : left) EXPECT_NE(GetFileAttributesW(file.first.c_str()), INVALID_FILE_ATTRIBUTES);
  for (const std::wstring& path : checked) {
    std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    EXPECT_NE(GetFileAttributesW((trash + L"\\Trash\\files\\" + name).c_str()), INVALID_FILE_ATTRIBUTES)
        << test::to_utf8(name);
  }
  // LAST.BAT groups the search's list again: only the sets that still hold
  // two files.
  test::set_control_text(window, IDC_PROGRAM, L"LAST.BAT");
  test::post_command(window, IDC_START);
  for (int i = 0; i < 3000 && test::control_text(window, IDC_STATUS) == status; ++i) Sleep(20);
  status = test::wait_for_status(window, L"検索時間");
  EXPECT_EQ(sets_in_list(results), sets_by_content(left));
  EXPECT_EQ(close_by_button(program, window), 0);
}

// The box after `box` is answered and gone.
HWND next_dialog(const test::RemoteProgram& program, HWND box, int answer) {
  if (!test::answer(box, answer)) return nullptr;
  for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(20);
  return program.wait_dialog();
}

// Erase from outside keeps what must stay: a checked file whose kept copy
// was rewritten after the search (same size and time put back) stays;
// commands sent while the shell's own question is up change nothing of what
// goes; after a size search the question says which files have no identical
// copy.
TEST_F(MoxwinRun, EraseKeepsWhatMustStay) {
  Installation installation;
  copy_search_programs(installation);
  const std::wstring data = searched_folder(installation);
  for (auto [name, bytes] : {std::pair{L"\\p1", "pppp"}, {L"\\p2", "pppp"}, {L"\\q1", "qqqqq"}, {L"\\q2", "qqqqq"}})
    test::write_file(data + name, bytes);
  test::RemoteProgram program(installation.exe, L"", installation.dir.path);
  HWND window = window_after_search(program);
  ASSERT_TRUE(window);
  test::RemoteList results(program, window, IDC_RESULT_LIST);
  ASSERT_EQ(results.count(), 4);
  for (int row = 0; row < 4; ++row) results.set_checked(row, row % 2 == 0);
  std::wstring kept_q = results.text(3, 0);
  std::wstring checked_p = results.text(0, 0), checked_q = results.text(2, 0);
  WIN32_FILE_ATTRIBUTE_DATA before;
  ASSERT_TRUE(GetFileAttributesExW(kept_q.c_str(), GetFileExInfoStandard, &before));
  test::write_file(kept_q, "QQQQQ");
  HANDLE file = CreateFileW(kept_q.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFileTime(file, nullptr, nullptr, &before.ftLastWriteTime);
  CloseHandle(file);

  test::post_command(window, IDC_ERASE);
  HWND question = program.wait_dialog();
  ASSERT_TRUE(question);
  EXPECT_EQ(test::box_text(question), L"これらの 2 個のファイルを削除してもよろしいですか?\r\n"
                                      L"1 個のファイルは削除しません: 読み込み時のまま残るファイルがグループにありません");
  HWND shell_question = next_dialog(program, question, IDYES);  // the shell asks its own
  ASSERT_TRUE(shell_question);
  EXPECT_FALSE(IsWindowEnabled(window));
  test::post_command(window, IDM_UNCHECK_ALL);
  test::post_command(window, IDC_MARK);
  HWND report = next_dialog(program, shell_question, IDYES);
  ASSERT_TRUE(report);
  EXPECT_EQ(test::box_text(report),
            L"次のファイルは削除しませんでした:\r\n" + checked_q + L" (読み込み時のまま残るファイルがグループにありません)");
  test::answer(report, IDOK);
  EXPECT_EQ(test::wait_for_status(window, L"2 個中"), L"2 個中 1 個のファイルを削除しました");
  EXPECT_EQ(GetFileAttributesW(checked_p.c_str()), INVALID_FILE_ATTRIBUTES);
  for (const std::wstring& kept : {checked_q, kept_q, results.text(0, 0)})
    EXPECT_NE(GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES) << test::to_utf8(kept);
  EXPECT_EQ(test::from_utf16le(test::read_file(installation / L"DELFILE.TXT")), L"\uFEFF" + checked_p + L"\r\n");
  EXPECT_EQ(results.count(), 3);

  // A size search: the files of a set need not be alike.
  test::write_file(data + L"\\r1", "rrr");
  test::write_file(data + L"\\r2", "sss");
  for (const wchar_t* name : {L"\\p2", L"\\q1", L"\\q2"}) DeleteFileW((data + name).c_str());
  test::set_control_text(window, IDC_PROGRAM, L"MOX.BAT /v /s");
  test::post_command(window, IDC_START);
  for (int i = 0; i < 3000 && results.count() != 2; ++i) Sleep(20);
  ASSERT_EQ(results.count(), 2);
  results.set_checked(0, true);
  SendMessageW(GetDlgItem(window, IDC_NO_CONFIRM), BM_SETCHECK, BST_CHECKED, 0);
  std::wstring checked_r = results.text(0, 0);
  test::post_command(window, IDC_ERASE);
  question = program.wait_dialog();
  ASSERT_TRUE(question);
  EXPECT_EQ(test::box_text(question), L"これらの 1 個のファイルを削除してもよろしいですか?\r\n"
                                      L"1 個のファイルは残すファイルの中に同じ内容のものがありません。");
  test::answer(question, IDYES);
  EXPECT_EQ(test::wait_for_status(window, L"1個"), L"1個のファイルを削除しました");
  EXPECT_EQ(GetFileAttributesW(checked_r.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(close_by_button(program, window), 0);
}

// The lines the recorders beside the program wrote, sorted, once there are
// `count` of them (the viewer does not wait for what it starts).
std::vector<std::wstring> recorded(const Installation& installation, size_t count) {
  std::vector<std::wstring> lines;
  for (int i = 0; i < 250 && lines.size() < count; ++i) {
    Sleep(20);
    std::wstring text = test::from_utf16le(test::read_file(installation / L"recorder.log"));
    lines.clear();
    for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
      lines.push_back(text.substr(start, end - start));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

// Open hands the selected rows to the viewer beside the program, which
// starts the program its list associates; Open folder starts the file
// manager. The search finds the application's own folder first, so the
// stand-ins there take the place of both programs.
TEST_F(MoxwinRun, OpenStartsTheViewerAndTheFileManager) {
  Installation installation;
  copy_search_programs(installation);
  copy_beside(installation, {{L"view.exe", L"view.exe"}, {L"recorder.exe", L"recorder.exe"},
                             {L"recorder.exe", L"explorer.exe"}});
  test::write_file(installation / L"view.prg", ".txt recorder.exe\r\n");
  const std::wstring data = searched_folder(installation);
  for (const wchar_t* name : {L"\\a b.txt", L"\\c.txt"}) test::write_file(data + name, "same");

  test::RemoteProgram program(installation.exe, L"", installation.dir.path);
  HWND window = window_after_search(program);
  ASSERT_TRUE(window);
  test::RemoteList results(program, window, IDC_RESULT_LIST);
  ASSERT_EQ(results.count(), 2);
  results.set_selected(0, true);
  results.set_selected(1, true);
  test::post_command(window, IDM_OPEN);
  std::vector<std::wstring> expected = {L"recorder.exe \"" + data + L"\\a b.txt\"",
                                        L"recorder.exe \"" + data + L"\\c.txt\""};
  EXPECT_EQ(recorded(installation, 2), expected);
  results.set_focused(1);
  test::post_command(window, IDM_OPEN_FOLDER);
  expected.insert(expected.begin(), L"explorer.exe \"" + data + L"\"");
  EXPECT_EQ(recorded(installation, 3), expected);
  EXPECT_EQ(close_by_button(program, window), 0);
}

}  // namespace
}  // namespace mox
