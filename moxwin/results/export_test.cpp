// Saving the result list from the window, over real files: the save dialog
// answered in the user's place, the file read back as written.
#include "moxwin/results/export.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "moxwin/resource.h"
#include "moxwin/shell/modal.h"
#include "moxwin/window/window_harness.h"

namespace mox::results {
namespace {

using test::Front;
using test::g_asked;

// What the program asked the save dialog, and how the user answers.
struct SaveRequest {
  DWORD size = 0;
  HWND owner = nullptr;
  std::vector<std::wstring> types;
  DWORD type = 0;
  std::wstring name, extension;
  DWORD name_cap = 0, flags = 0;
};
struct SaveAnswer {
  bool chosen = true;
  std::wstring name;
  DWORD type = 1;
  std::wstring wander_to;  // the dialog leaves the current folder here
};
std::vector<SaveRequest> g_requests;
SaveAnswer g_answer;

BOOL answer_save(OPENFILENAMEW* request) {
  SaveRequest asked{request->lStructSize, request->hwndOwner, {}, request->nFilterIndex, request->lpstrFile,
                    request->lpstrDefExt ? request->lpstrDefExt : L"", request->nMaxFile, request->Flags};
  for (const wchar_t* p = request->lpstrFilter; p && *p; p += wcslen(p) + 1) asked.types.push_back(p);
  g_requests.push_back(asked);
  if (!g_answer.wander_to.empty()) SetCurrentDirectoryW(g_answer.wander_to.c_str());
  if (!g_answer.chosen) return FALSE;
  lstrcpynW(request->lpstrFile, g_answer.name.c_str(), static_cast<int>(request->nMaxFile));
  request->nFilterIndex = g_answer.type;
  return TRUE;
}

// The system's own save dialog, with a name typed into its name box
// (control 1148) and OK, from inside its modal loop.
std::wstring g_typed;

BOOL CALLBACK find_save_dialog(HWND window, LPARAM found) {
  wchar_t name[16];
  GetClassNameW(window, name, 16);
  if (IsWindowVisible(window) && GetDlgItem(window, 1148) && wcscmp(name, L"#32770") == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK type_name(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_save_dialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog) return;
  KillTimer(nullptr, timer);
  SetDlgItemTextW(dialog, 1148, g_typed.c_str());
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

BOOL system_save(OPENFILENAMEW* request) {
  UINT_PTR timer = SetTimer(nullptr, 0, 20, type_name);
  BOOL chosen = GetSaveFileNameW(request);
  KillTimer(nullptr, timer);
  return chosen;
}

// A front end whose save dialog the test answers.
struct SavingFront : Front {
  SavingFront() {
    g_requests.clear();
    g_answer = SaveAnswer();
    shell::g_modal.save_file_name = answer_save;
  }
};

std::wstring current_folder() {
  wchar_t folder[MAX_PATH * 4];
  GetCurrentDirectoryW(MAX_PATH * 4, folder);
  return folder;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Files with the same contents and a known time, in groups ("|" ends one).
void load(Front& front, const std::vector<std::wstring>& names) {
  // 2024-02-29 23:00:01 UTC: 2024/03/01 08:00:01 in the tests' zone (UTC+9).
  SYSTEMTIME utc = {2024, 2, 4, 29, 23, 0, 1, 0};
  FILETIME time;
  SystemTimeToFileTime(&utc, &time);
  std::wstring dlist;
  int count = 0;
  for (const std::wstring& name : names) {
    if (name == L"|") {
      dlist += L"\r\n";
      continue;
    }
    test::write_file(front / name, "same contents");
    HANDLE file = CreateFileW((front / name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    dlist += test::dated_line(front / name);
    ++count;
  }
  front.finish_search(dlist + L"\r\n", count);
}

// The CSV line of each list row, from the texts the list shows.
std::wstring csv_of_list(HWND window) {
  std::string checks = test::result_checks(window), selection = test::result_selection(window);
  std::vector<std::vector<std::wstring>> rows = test::result_texts(window);
  std::wstring csv = L"\uFEFF";
  for (size_t i = 0; i < rows.size(); ++i) {
    const std::vector<std::wstring>& c = rows[i];
    // Column 9: link, number of links, serial:high:low.
    int link = 0;
    unsigned links = 0;
    wchar_t identity[32] = L"";
    swscanf(c[9].c_str(), L"%d %u %31ls", &link, &links, identity);
    std::wstring id = identity;
    csv += std::wstring(checks[i] == 'x' ? L"1" : L"0") + L",\"" + c[0] + L"\"," + c[1] + L"," + c[2] + L"," + c[3] +
           L"," + c[4] + L",\"" + c[5] + L"\",\"" + c[6] + L"\"," + c[7] + L"," + c[8] + L"," + std::to_wstring(link) +
           L"," + std::to_wstring(links) + L",\"" + id.substr(0, 8) + L"\",\"" + id.substr(9) + L"\"," +
           (selection[i] == 's' ? L"1" : L"0") + L"\r\n";
  }
  return csv;
}

TEST(SaveAs, AnEmptyListAsksNothing) {
  SavingFront front;
  EXPECT_EQ(commands::save_as(front.window), -1);
  EXPECT_TRUE(g_requests.empty());
}

TEST(SaveAs, TheChosenTypeDecidesTheFormat) {
  SavingFront front;
  test::TempDir elsewhere(L"elsewhere");
  load(front, {L"b.txt", L"README", L"|", L"a.txt", L"c"});
  // Sorted by Name, some rows checked and selected.
  NMLISTVIEW click{};
  click.hdr = {GetDlgItem(front.window, IDC_RESULT_LIST), IDC_RESULT_LIST, LVN_COLUMNCLICK};
  click.iSubItem = 6;
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
  ASSERT_EQ(test::result_column(front.window, 6), L"a.txt|b.txt|c|README");
  test::set_result_checks(front.window, "x..x");
  test::set_result_selection(front.window, ".ss.");

  // The CSV type with a ".dat" name: CSV in the list's order.
  g_answer = {true, front / L"list.dat", 1, elsewhere.path};
  front.command(IDM_SAVE_AS);
  ASSERT_EQ(g_requests.size(), 1u);
  const SaveRequest& asked = g_requests[0];
  EXPECT_EQ(asked.size, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400W));
  EXPECT_EQ(asked.owner, front.window);
  EXPECT_EQ(asked.types, (std::vector<std::wstring>{L"CSV (カンマ区切り) (*.csv)", L"*.csv",
                                                    L"Vexil重複ファイルリスト(タブ区切り) (*.dat)", L"*.dat",
                                                    L"すべてのファイル (*.*)", L"*.*"}));
  EXPECT_EQ(asked.type, 1u);
  EXPECT_EQ(asked.name, L"dlist");
  EXPECT_EQ(asked.name_cap, 1034u);
  EXPECT_EQ(asked.extension, L"csv");
  EXPECT_EQ(asked.flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_LONGNAMES));
  EXPECT_EQ(current_folder(), front.dir.path);  // the working folder, whatever the dialog did
  std::wstring csv = test::from_utf16le(test::read_file(front / L"list.dat"));
  EXPECT_EQ(csv, csv_of_list(front.window));
  EXPECT_NE(csv.find(L"\"README\",,"), std::wstring::npos);  // no extension: an empty field
  EXPECT_TRUE(g_asked.boxes.empty());

  // The ".dat" type with a ".csv" name: storage order, groups apart.
  g_answer = {true, front / L"list.csv", 2, elsewhere.path};
  EXPECT_EQ(commands::save_as(front.window), 0);
  const std::string t = "\t2024/03/01 08:00:01\t13\r\n";
  std::string dir = test::to_utf8(front.dir.path) + "\\";
  EXPECT_EQ(test::read_file(front / L"list.csv"),
            dir + "b.txt" + t + dir + "README" + t + "\r\n" + dir + "a.txt" + t + dir + "c" + t);
  EXPECT_EQ(current_folder(), front.dir.path);
  // The third type, all files, writes CSV.
  g_answer = {true, front / L"all", 3, L""};
  EXPECT_EQ(commands::save_as(front.window), 0);
  EXPECT_EQ(test::read_file(front / L"all"), test::read_file(front / L"list.dat"));
}

TEST(SaveAs, TheSystemsDialogTakesTheRequest) {
  Front front;
  test::TempDir elsewhere(L"elsewhere");
  load(front, {L"a", L"b"});
  shell::g_modal.save_file_name = system_save;
  g_typed = elsewhere / L"saved";  // the default extension follows
  EXPECT_EQ(commands::save_as(front.window), 0);
  EXPECT_EQ(current_folder(), front.dir.path);
  EXPECT_EQ(test::read_file(elsewhere / L"saved.csv").substr(0, 2), "\xff\xfe");
}

TEST(SaveAs, CancelledOrNotCreated) {
  SavingFront front;
  test::TempDir elsewhere(L"elsewhere");
  load(front, {L"a", L"b"});
  g_answer = {false, L"", 1, elsewhere.path};
  EXPECT_EQ(commands::save_as(front.window), 0);
  EXPECT_EQ(current_folder(), front.dir.path);
  EXPECT_FALSE(exists(front / L"dlist.csv"));
  EXPECT_TRUE(g_asked.boxes.empty());

  std::wstring unmakeable = front / L"no such folder\\out.csv";
  g_answer = {true, unmakeable, 1, L""};
  EXPECT_EQ(commands::save_as(front.window), -1);
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_EQ(g_asked.boxes[0].text, unmakeable + L": No such file or directory (2)");
  EXPECT_EQ(g_asked.boxes[0].title, L"moxwin");
  EXPECT_EQ(g_asked.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

}  // namespace
}  // namespace mox::results
