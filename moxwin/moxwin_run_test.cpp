// End-to-end runs of moxwin.exe under Wine, driven from outside as a user
// would: each test copies the program into a scratch folder (its settings
// file lives beside it) and starts it there, so that folder is also its
// working folder.
#include <gtest/gtest.h>

#include <algorithm>
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

// A run ends with its summary or its failure in the status line.
std::wstring wait_for_run_end(HWND window) {
  std::wstring status;
  for (int i = 0; i < 3000; ++i) {
    status = test::control_text(window, IDC_STATUS);
    if (status.starts_with(L"検索時間") || status.starts_with(L"プログラム実行中")) break;
    Sleep(20);
  }
  return status;
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

// The whole road: folder on the command line, Start, the search script in
// the working folder, summary and result rows; then Mark's first press
// checks all but the group's last file.
TEST_F(MoxwinRun, SearchFillsTheResultList) {
  Installation installation;
  const std::wstring data = installation / L"data";
  test::make_dir(data);
  for (const wchar_t* name : {L"a.txt", L"b.txt", L"写真.txt"}) test::write_file(data + L"\\" + name, "same bytes");
  test::write_file(data + L"\\c.txt", "other bytes");
  test::RemoteProgram program(installation.exe, L"\"" + data + L"\"", installation.dir.path);
  HWND window = program.wait_main_window();
  ASSERT_TRUE(window);
  test::set_control_text(window, IDC_PROGRAM, test::program_dir() + L"\\MOX.BAT");
  test::post_command(window, IDC_START);
  std::wstring status = wait_for_run_end(window);
  EXPECT_TRUE(status.starts_with(L"検索時間 ") && status.ends_with(L" 秒  ファイル数 3  グループ数 1 現在のファイル数 3"))
      << test::to_utf8(status);

  test::RemoteList results(program, window, IDC_RESULT_LIST);
  ASSERT_EQ(results.count(), 3);
  std::vector<std::wstring> paths;
  for (int row = 0; row < 3; ++row) {
    paths.push_back(results.text(row, 0));
    EXPECT_EQ(results.text(row, 2), L"1");   // group
    EXPECT_EQ(results.text(row, 3), L"10");  // size
    EXPECT_FALSE(results.checked(row)) << row;
  }
  std::sort(paths.begin(), paths.end());
  std::vector<std::wstring> expected = {data + L"\\a.txt", data + L"\\b.txt", data + L"\\写真.txt"};
  EXPECT_EQ(paths, expected);
  EXPECT_EQ(test::control_text(window, IDC_MARK_LABEL), L"  A");

  test::post_command(window, IDC_MARK);
  for (int i = 0; i < 250 && test::control_text(window, IDC_MARK_LABEL) == L"  A"; ++i) Sleep(20);
  EXPECT_EQ(test::control_text(window, IDC_MARK_LABEL), L"A C");
  for (int row = 0; row < 3; ++row) EXPECT_EQ(results.checked(row), row < 2) << row;  // the last one is kept
  EXPECT_EQ(close_by_button(program, window), 0);
}

}  // namespace
}  // namespace mox
