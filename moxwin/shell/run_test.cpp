// Start, the wait loop and finishing a run, in process: the files Start
// writes, real children started through the launch rule, and what the user
// sees afterwards.
#include "moxwin/shell/run.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>


#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/messages.h"
#include "moxwin/window/run_end.h"
#include "moxwin/window/window_harness.h"

namespace mox::shell {
namespace {

using test::Front;
using test::FrontOptions;
using test::g_asked;

// The test program doubles as a child that runs no tests: started with
// MOX_CHILD_EVENT naming an event, it waits until the test sets it (a minute
// at most) and ends.
const bool kChild = [] {
  wchar_t name[64];
  DWORD length = GetEnvironmentVariableW(L"MOX_CHILD_EVENT", name, 64);
  if (length == 0 || length >= 64) return false;
  if (HANDLE released = OpenEventW(SYNCHRONIZE, FALSE, name)) WaitForSingleObject(released, 60000);
  ExitProcess(0);
}();

std::wstring this_program() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

void set_box(const Front& front, int id, const wchar_t* text) { SetDlgItemTextW(front.window, id, text); }

std::wstring config_value(const Front& front, const wchar_t* section, const wchar_t* key) {
  wchar_t value[256];
  GetPrivateProfileStringW(section, key, L"(none)", value, 256, (front / L"config.ini").c_str());
  return value;
}

std::wstring program_item(const Front& front, int index) {
  wchar_t text[256] = L"";
  SendDlgItemMessageW(front.window, IDC_PROGRAM, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return text;
}

// Starts the program line and pumps until the run has been reported.
void run(Front& front, const std::wstring& line) {
  set_box(front, IDC_PROGRAM, line.c_str());
  front.command(IDC_START);
  front.pump();
}

TEST(Run, StartWritesTheFilesOfTheRun) {
  FrontOptions options;
  options.ini = "[Options]\r\nbuffer=64M\r\nfiles=100\r\n";
  options.list_txt = test::utf16le(L"C:\\A\r\n:C:\\B\r\n");
  Front front(options);
  EXPECT_EQ(test::read_file(front / L"LIST5.TXT"), test::utf16le(L"0\r\n0\r\n"));  // made at start-up
  set_box(front, IDC_EXCLUDE, L"");
  set_box(front, IDC_MIN, L"1k");
  set_box(front, IDC_MAX, L"");
  set_box(front, IDC_ATTRIBUTE, L"rh");
  run(front, L"cmd /c exit 0");
  EXPECT_EQ(test::read_file(front / L"XLIST.TXT"), test::utf16le(L"\uFEFF\r\n"));
  EXPECT_EQ(config_value(front, L"exclude", L"min"), L"1024");
  EXPECT_EQ(config_value(front, L"exclude", L"max"), L"9223372036854775807");
  EXPECT_EQ(config_value(front, L"exclude", L"attribute"), L"rh");
  EXPECT_EQ(config_value(front, L"Options", L"buffer"), L"64M");
  EXPECT_EQ(config_value(front, L"Options", L"files"), L"100");
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFFC:\\A\r\n:C:\\B\r\n"));
  EXPECT_EQ(program_item(front, 0), L"cmd /c exit 0");
  std::string ini = test::read_file(front.ini_path);
  EXPECT_EQ(ini.find("program0"), std::string::npos);  // only lines for "mox" are remembered
  EXPECT_NE(ini.find("min0=1k"), std::string::npos);
  EXPECT_NE(ini.find("exclude0="), std::string::npos);

  set_box(front, IDC_EXCLUDE, L".log>|フ");
  set_box(front, IDC_MIN, L"");
  set_box(front, IDC_MAX, L"2,147,483,647");
  run(front, L"Mox.bat /nothing");  // no such script: the interpreter fails
  EXPECT_EQ(test::read_file(front / L"XLIST.TXT"), test::utf16le(L"\uFEFF.log>\r\nフ\r\n"));
  EXPECT_EQ(config_value(front, L"exclude", L"min"), L"0");
  EXPECT_EQ(config_value(front, L"exclude", L"max"), L"2147483647");
  EXPECT_NE(test::read_file(front.ini_path).find("program0=Mox.bat /nothing"), std::string::npos);
  EXPECT_EQ(program_item(front, 0), L"Mox.bat /nothing");
  EXPECT_EQ(program_item(front, 1), L"cmd /c exit 0");
  // Starting the line at the top again leaves the list as it is.
  int count = static_cast<int>(SendDlgItemMessageW(front.window, IDC_PROGRAM, CB_GETCOUNT, 0, 0));
  run(front, L"Mox.bat /nothing");
  EXPECT_EQ(SendDlgItemMessageW(front.window, IDC_PROGRAM, CB_GETCOUNT, 0, 0), count);
  EXPECT_EQ(SendDlgItemMessageW(front.window, IDC_EXCLUDE, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(L".log>|フ")),
            0);
}

TEST(Run, ExitCodesAndWhatTheyLeave) {
  Front front;
  test::write_file(front / L"a", "1");
  front.finish_search(test::dated_line(front / L"a") + test::dated_line(front / L"a") + L"\r\n", 2);
  test::set_result_checks(front.window, "x.");
  test::write_file(front / L"three.bat", "@exit /b 3\r\n");
  struct Case {
    std::wstring line;
    std::wstring status;
  };
  const Case cases[] = {
      {L"three.bat", L"プログラム実行中にエラーが発生しました (3)"},
      {L"cmd /c exit 256", L"プログラム実行中にエラーが発生しました (256)"},
      {L"no-such-program.exe", L"プログラムを開始できませんでした (255) " + std::wstring(system_message_text(2))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::to_utf8(c.line));
    run(front, c.line);
    EXPECT_EQ(front.status(), c.status);
    // The list stays as it was, check boxes included; the buttons are back.
    EXPECT_EQ(test::result_texts(front.window).size(), 2u);
    EXPECT_EQ(test::result_checks(front.window), "x.");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(front.window, IDC_START)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(front.window, IDC_ERASE)));
    EXPECT_EQ(GetFocus(), GetDlgItem(front.window, IDC_SORT));
  }
  // Without an interpreter a script cannot start.
  wchar_t comspec[MAX_PATH];
  GetEnvironmentVariableW(L"COMSPEC", comspec, MAX_PATH);
  SetEnvironmentVariableW(L"COMSPEC", nullptr);
  run(front, L"three.bat");
  SetEnvironmentVariableW(L"COMSPEC", comspec);
  EXPECT_EQ(front.status().rfind(L"プログラムを開始できませんでした (255) ", 0), 0u);
  // A viewer line that ends well shows nothing and loads nothing.
  g_app.run.program_line = L"view dlist.txt";
  SetDlgItemTextW(front.window, IDC_STATUS, L"view dlist.txt");
  window::finish_run(front.window, 0);
  EXPECT_EQ(front.status(), L"view dlist.txt");
  EXPECT_EQ(test::result_checks(front.window), "x.");
}

TEST(Run, LinesThatCannotRun) {
  FrontOptions with_folder;
  with_folder.list_txt = test::utf16le(L"C:\\A\r\n");
  Front front(with_folder);
  set_box(front, IDC_PROGRAM, L"");
  EXPECT_EQ(start_run(front.window), -2);
  EXPECT_EQ(front.status(), L"no program");
  std::wstring long_line = L"mox.bat " + std::wstring(1100, L'x');
  set_box(front, IDC_PROGRAM, long_line.c_str());
  EXPECT_EQ(start_run(front.window), -3);
  EXPECT_EQ(front.status(), L"プログラム行が長すぎるため実行できません (1108 文字)");
  EXPECT_FALSE(g_app.run.pending);
  EXPECT_EQ(GetFileAttributesW((front / L"XLIST.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW((front / L"config.ini").c_str()), INVALID_FILE_ATTRIBUTES);

  // XLIST.TXT cannot be created: the user is told, the history stays.
  test::make_dir(front / L"XLIST.TXT");
  test::write_file(front.ini_path, "");
  set_box(front, IDC_PROGRAM, L"MOX.BAT /v");
  set_box(front, IDC_EXCLUDE, L".tmp>");
  EXPECT_EQ(start_run(front.window), -1);
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_EQ(g_asked.boxes[0].text.rfind(L"XLIST.TXT: ", 0), 0u);
  EXPECT_TRUE(g_asked.boxes[0].type & MB_ICONWARNING);
  std::string ini = test::read_file(front.ini_path);
  EXPECT_NE(ini.find("program0=MOX.BAT /v"), std::string::npos);
  EXPECT_NE(ini.find("exclude0=.tmp>"), std::string::npos);
  EXPECT_FALSE(g_app.run.pending);
}

TEST(Run, ClosingDuringARunLeavesTheChildRunning) {
  Front front;
  const std::wstring event_name = L"mox-run-child-" + std::to_wstring(GetCurrentProcessId());
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
  ASSERT_NE(release, nullptr);
  SetEnvironmentVariableW(L"MOX_CHILD_EVENT", event_name.c_str());
  std::wstring line = L"\"" + this_program() + L"\"";
  set_box(front, IDC_PROGRAM, line.c_str());
  front.command(IDC_START);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(front.window, IDC_START)));
  // The window answers while the child runs: a timer closes it once it sees
  // the child running, which ends the wait at once.
  static HWND window;
  window = front.window;
  UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    if (g_app.run.process && WaitForSingleObject(g_app.run.process, 0) == WAIT_TIMEOUT)
      PostMessageW(window, WM_COMMAND, IDC_CLOSE, 0);
  });
  front.pump();
  KillTimer(nullptr, timer);
  SetEnvironmentVariableW(L"MOX_CHILD_EVENT", nullptr);
  EXPECT_FALSE(IsWindow(front.window));
  ASSERT_NE(g_app.run.process, nullptr);
  // The child waits for the event: it can only have ended if the close ended it.
  EXPECT_EQ(WaitForSingleObject(g_app.run.process, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(release);
  EXPECT_EQ(WaitForSingleObject(g_app.run.process, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(release);
  CloseHandle(g_app.run.process);
  CloseHandle(g_app.run.thread);
  g_app.run.process = g_app.run.thread = nullptr;
}

}  // namespace
}  // namespace mox::shell
