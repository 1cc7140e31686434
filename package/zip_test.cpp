// The zip as a Windows user gets it. zip_test.sh unpacks it into an empty
// folder (MOX_UNPACKED) of a Wine prefix made for this run, which holds
// nothing of the build but the sort stand-in; here the unpacked programs are
// used as a user would: moxwin.exe started in its own folder, a search from
// the window, the settings it keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/testkit.h"
#include "moxwin/resource.h"
#include "moxwin/shell/remote_window.h"

namespace mox {
namespace {

std::wstring unpacked() {
  const wchar_t* folder = _wgetenv(L"MOX_UNPACKED");
  return folder ? folder : L"";
}

// Paths below folder, relative to it, with "\" between the parts.
void list_files(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>& files) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      list_files(folder + L"\\" + name, prefix + name + L"\\", files);
    else
      files.push_back(prefix + name);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

// A copy of the unpacked folder, for a test whose programs write into their
// own folder: the unpacked one stays as the zip made it for every other test.
void copy_folder(const std::wstring& from, const std::wstring& to) {
  std::vector<std::wstring> files;
  list_files(from, L"", files);
  for (const std::wstring& file : files) {
    for (size_t at = file.find(L'\\'); at != std::wstring::npos; at = file.find(L'\\', at + 1))
      test::make_dir(to + L"\\" + file.substr(0, at));
    ASSERT_TRUE(CopyFileW((from + L"\\" + file).c_str(), (to + L"\\" + file).c_str(), TRUE)) << test::to_utf8(file);
  }
}

class Zip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::start_watchdog(180000); }
  void SetUp() override { ASSERT_FALSE(unpacked().empty()) << "run through zip_test.sh"; }
};

TEST_F(Zip, HoldsExactlyTheListedFiles) {
  std::vector<std::wstring> files;
  list_files(unpacked(), L"", files);
  std::sort(files.begin(), files.end());
  std::vector<std::wstring> expected = {
      L"HELP\\index.html", L"LAST.BAT",      L"MOX.BAT",       L"MOXJPEG.BAT",  L"MOXN.BAT",
      L"MOXS.BAT",         L"README.txt",    L"dirscan.exe",   L"dupcheck.exe", L"keygroup.exe",
      L"markcheck.exe",    L"moxwin.exe",    L"moxwin.ini",    L"purge.exe",    L"sizegroup.exe",
      L"sizesum.exe",      L"tabfeed.exe",   L"unkey.exe",     L"view.exe",     L"view.prg",
      L"widen.exe"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files, expected);
}

// Notepad and the settings API read these: CR LF line ends, and the settings
// file in plain ASCII (the front end keeps it so with its %XXXX escapes).
TEST_F(Zip, TextsAreReadyForWindows) {
  for (const wchar_t* name : {L"moxwin.ini", L"view.prg", L"README.txt"}) {
    std::string text = test::read_file(unpacked() + L"\\" + name);
    ASSERT_FALSE(text.empty()) << test::to_utf8(name);
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') {
        ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << test::to_utf8(name) << " line end at " << i;
      }
    }
  }
  std::string ini = test::read_file(unpacked() + L"\\moxwin.ini");
  EXPECT_TRUE(std::all_of(ini.begin(), ini.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }));
  EXPECT_TRUE(test::read_file(unpacked() + L"\\README.txt").starts_with("\xEF\xBB\xBF"));
}

// One page, nothing fetched: it opens the same without a network, from any
// copy of the folder.
TEST_F(Zip, HelpPageStandsAloneAndNamesTheVersion) {
  std::string page = test::read_file(unpacked() + L"\\HELP\\index.html");
  const char* version = std::getenv("MOX_VERSION");
  ASSERT_TRUE(version);
  EXPECT_NE(page.find(std::string("mox ") + version), std::string::npos);
  EXPECT_EQ(page.find('@'), std::string::npos) << "a placeholder left";
  for (const char* outside : {"<script", "<link", "<img", "<iframe", "src=", "url(", "@import", "http:", "https:"})
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
}

// Enter or a double click on a row hands the file to view.exe: the shipped
// view.prg must show a note for a program or script, never run it.
TEST_F(Zip, ViewerShowsANoteForProgramsInsteadOfRunningThem) {
  test::TempDir files(L"view");
  for (const wchar_t* name : {L"setup.exe", L"RUN.BAT", L"settings.reg"}) {
    const std::wstring path = files / name;
    ASSERT_TRUE(test::write_file(path, "not to be run"));
    test::RemoteProgram viewer(unpacked() + L"\\view.exe", L"\"" + path + L"\"", files.path);
    HWND box = viewer.wait_dialog();
    ASSERT_TRUE(box) << test::to_utf8(name);
    EXPECT_EQ(test::box_text(box), L"view " + path +
                                       L"\nA program or script: view does not start it from the list. Open its "
                                       L"folder instead.");
    ASSERT_TRUE(test::answer(box, IDOK));
    EXPECT_EQ(viewer.wait_exit(), 0);
  }
}

// The result list's rows by group (column 2), each group's paths in a set.
std::set<std::set<std::wstring>> groups_shown(const test::RemoteList& results) {
  std::map<std::wstring, std::set<std::wstring>> by_group;
  for (int row = 0; row < results.count(); ++row) by_group[results.text(row, 2)].insert(results.text(row, 0));
  std::set<std::set<std::wstring>> groups;
  for (auto& [group, paths] : by_group) groups.insert(paths);
  return groups;
}

TEST_F(Zip, SearchFromTheWindowAndSettingsThatLast) {
  test::TempDir copy(L"unpacked");
  ASSERT_NO_FATAL_FAILURE(copy_folder(unpacked(), copy.path));
  const std::wstring folder = copy.path;
  const std::wstring exe = folder + L"\\moxwin.exe";
  test::TempDir tree(L"tree");
  test::make_dir(tree / L"sub");
  std::string big(100000, 'b');
  std::string near_big = big;
  near_big[50000] = 'c';
  for (const auto& [name, bytes] : std::vector<std::pair<std::wstring, std::string>>{
           {L"a.txt", "alpha"}, {L"sub\\a copy.txt", "alpha"}, {L"写真.txt", "alpha"}, {L"a.tmp", "alpha"},
           {L"big.bin", big}, {L"sub\\big.bin", big}, {L"near.bin", near_big}, {L"single", "one"}})
    ASSERT_TRUE(test::write_file(tree / name, bytes));
  const std::set<std::set<std::wstring>> expected = {
      {tree / L"a.txt", tree / L"sub\\a copy.txt", tree / L"写真.txt"},
      {tree / L"big.bin", tree / L"sub\\big.bin"}};

  {
    // A folder given to the program, as when it is dropped onto its icon.
    test::RemoteProgram program(exe, L"\"" + tree.path + L"\"", folder);
    HWND window = program.wait_main_window();
    ASSERT_TRUE(window);
    EXPECT_EQ(test::control_text(window, IDC_PROGRAM), L"MOX.BAT /v");
    test::set_control_text(window, IDC_EXCLUDE, L".tmp>");
    test::post_command(window, IDC_START);
    std::wstring status = test::wait_for_status(window, L"検索時間");
    EXPECT_TRUE(status.ends_with(L" 秒  ファイル数 5  グループ数 2 現在のファイル数 5")) << test::to_utf8(status);
    test::RemoteList results(program, window, IDC_RESULT_LIST);
    EXPECT_EQ(groups_shown(results), expected);
    test::post_command(window, IDC_CLOSE);
    ASSERT_EQ(program.wait_exit(), 0);
  }

  // The shipped settings file took what the program remembers, and kept
  // its own notes.
  std::string ini = test::read_file(folder + L"\\moxwin.ini");
  EXPECT_TRUE(ini.starts_with("; moxwin.ini:"));
  for (const char* line : {"program0=MOX.BAT /v", "exclude0=.tmp>", "showCmd=", "column0=", ";buffer="})
    EXPECT_NE(ini.find(line), std::string::npos) << line;

  test::RemoteProgram again(exe, L"", folder);
  HWND window = again.wait_main_window();
  ASSERT_TRUE(window);
  EXPECT_EQ(test::control_text(window, IDC_EXCLUDE), L".tmp>");
  test::RemoteList folders(again, window, IDC_FOLDER_LIST);
  ASSERT_EQ(folders.count(), 1);
  EXPECT_EQ(folders.text(0), tree.path);
  test::post_command(window, IDC_CLOSE);
  EXPECT_EQ(again.wait_exit(), 0);
}

}  // namespace
}  // namespace mox
