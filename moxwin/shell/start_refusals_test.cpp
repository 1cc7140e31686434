// Start refuses what would make a search other than the one the user sees:
// size boxes that are not sizes, a reversed range, no folder checked, files
// of the run that cannot be written. A refused Start runs nothing.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/run.h"
#include "moxwin/window/window_harness.h"

namespace mox::shell {
namespace {

using test::Front;
using test::FrontOptions;
using test::g_asked;

const std::string kEarlierResults = test::utf16le(L"earlier results\r\n");

// A working folder with one checked folder, an earlier DLIST.TXT and a
// search script that would overwrite it.
FrontOptions search_folder(const std::wstring& list = L"\uFEFFC:\\Data\r\n") {
  FrontOptions options;
  options.list_txt = test::utf16le(list);
  options.prepare = [](const test::TempDir& folder) {
    test::write_file(folder / L"DLIST.TXT", kEarlierResults);
    test::write_file(folder / L"mox-touch.bat", "@echo changed> DLIST.TXT\r\n");
  };
  return options;
}

// Start with the boxes' texts; the run, if any, has ended on return.
int start(Front& front, const wchar_t* minimum, const wchar_t* maximum) {
  SetDlgItemTextW(front.window, IDC_PROGRAM, L"mox-touch.bat");
  SetDlgItemTextW(front.window, IDC_MIN, minimum);
  SetDlgItemTextW(front.window, IDC_MAX, maximum);
  int result = start_run(front.window);
  front.pump();
  return result;
}

bool ran(const Front& front) { return test::read_file(front / L"DLIST.TXT") != kEarlierResults; }

// The focus is in the box (its edit field) or on the control itself.
bool focus_in(const Front& front, int id) {
  HWND control = GetDlgItem(front.window, id);
  return GetFocus() == control || GetParent(GetFocus()) == control;
}

TEST(StartRefuses, SizesThatAreNotSizesAndAReversedRange) {
  struct Case {
    const wchar_t *minimum, *maximum;
    int box;
    std::wstring status;
  };
  const Case cases[] = {
      {L"-5", L"", IDC_MIN, L"最小サイズ「-5」は正しいサイズではないため実行できません (例: 1,024  10K  2M)"},
      {L"10 MB", L"", IDC_MIN, L"最小サイズ「10 MB」は正しいサイズではないため実行できません (例: 1,024  10K  2M)"},
      {L"", L"1.5G", IDC_MAX, L"最大サイズ「1.5G」は正しいサイズではないため実行できません (例: 1,024  10K  2M)"},
      {L"2M", L"1M", IDC_MIN, L"最小サイズが最大サイズより大きいため実行できません"},
  };
  Front front(search_folder());
  for (const Case& c : cases) {
    SCOPED_TRACE(test::to_utf8(c.minimum) + " / " + test::to_utf8(c.maximum));
    EXPECT_EQ(start(front, c.minimum, c.maximum), -4);
    EXPECT_EQ(front.status(), c.status);
    EXPECT_TRUE(focus_in(front, c.box));
    EXPECT_FALSE(ran(front));
    EXPECT_EQ(GetFileAttributesW((front / L"config.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(front.window, IDC_START)));
  }
  // Blanks around a size are no fault: the same folder runs.
  EXPECT_EQ(start(front, L"100 ", L" 2M"), 0);
  EXPECT_TRUE(ran(front));
  wchar_t value[32];
  GetPrivateProfileStringW(L"exclude", L"min", L"", value, 32, (front / L"config.ini").c_str());
  EXPECT_STREQ(value, L"100");
  GetPrivateProfileStringW(L"exclude", L"max", L"", value, 32, (front / L"config.ini").c_str());
  EXPECT_STREQ(value, L"2097152");
}

TEST(StartRefuses, ASearchWithNoFolderChecked) {
  Front front(search_folder(L"\uFEFF:C:\\Skipped\r\n"));
  EXPECT_EQ(start(front, L"", L""), -4);
  EXPECT_EQ(front.status(), L"検索するフォルダがチェックされていないため実行できません");
  EXPECT_EQ(GetFocus(), GetDlgItem(front.window, IDC_FOLDER_LIST));
  EXPECT_FALSE(ran(front));
  // A line that searches nothing, such as the viewer's, needs no folder.
  SetDlgItemTextW(front.window, IDC_PROGRAM, L"cmd /c exit 0");
  EXPECT_EQ(start_run(front.window), 0);
  front.pump();
}

TEST(StartRefuses, FilesOfTheRunThatCannotBeWritten) {
  {
    FrontOptions options = search_folder();
    options.prepare = [prepare = options.prepare](const test::TempDir& folder) {
      prepare(folder);
      test::make_dir(folder / L"config.ini");
    };
    Front front(options);
    EXPECT_EQ(start(front, L"", L""), -1);
    ASSERT_EQ(g_asked.boxes.size(), 1u);
    EXPECT_EQ(g_asked.boxes[0].text.rfind(L"config.ini を書き込めないため実行できません: ", 0), 0u)
        << test::to_utf8(g_asked.boxes[0].text);
    EXPECT_FALSE(ran(front));
    EXPECT_FALSE(g_app.run.pending);
  }
  Front front(search_folder());
  HANDLE held = CreateFileW((front / L"LIST.TXT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(start(front, L"", L""), -1);
  CloseHandle(held);
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_EQ(g_asked.boxes[0].text.rfind(L"LIST.TXT: ", 0), 0u) << test::to_utf8(g_asked.boxes[0].text);
  EXPECT_FALSE(ran(front));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(front.window, IDC_START)));
}

// (A line that cannot start at all: Run.ExitCodesAndWhatTheyLeave.)
TEST(StartRefuses, AChildThatEndsWith255IsAFailedRunNotAFailedStart) {
  Front front;
  SetDlgItemTextW(front.window, IDC_PROGRAM, L"no-such-program.exe");
  start_run(front.window);
  front.pump();
  EXPECT_EQ(front.status(),
            L"プログラムを開始できませんでした (255) " + std::wstring(system_message_text(ERROR_FILE_NOT_FOUND)));
  EXPECT_GT(std::wcslen(system_message_text(ERROR_FILE_NOT_FOUND)), 0u);
  SetDlgItemTextW(front.window, IDC_PROGRAM, L"cmd /c exit 255");
  start_run(front.window);
  front.pump();
  EXPECT_EQ(front.status(), L"プログラム実行中にエラーが発生しました (255)");
}

}  // namespace
}  // namespace mox::shell
