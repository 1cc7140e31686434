// The folder list: LIST.TXT in both of its forms, folders from the command
// line, and what the user does with the list in the window.
#include "moxwin/shell/folder_list.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "moxwin/resource.h"
#include "moxwin/window/window_harness.h"

namespace mox::shell {
namespace {

using test::Front;
using test::FrontOptions;
using test::g_answers;
using test::g_asked;

FrontOptions with_list(const std::string& bytes) {
  FrontOptions options;
  options.list_txt = bytes;
  return options;
}

FrontOptions with_command_line(const std::wstring& line) {
  FrontOptions options;
  options.command_line = line;
  return options;
}

FolderFile parse(const std::string& bytes) { return folder_rows(test::from_utf16le(bytes)); }

// "text" for a checked row, ":text" for an unchecked one.
std::vector<std::wstring> rows_of(const FolderFile& content) {
  std::vector<std::wstring> rows;
  for (const FolderRow& row : content.rows) rows.push_back((row.checked ? L"" : L":") + row.text);
  return rows;
}

struct WindowRow {
  std::wstring text;
  bool checked;
  bool operator==(const WindowRow&) const = default;
};

std::vector<WindowRow> window_rows(HWND window) {
  HWND list = GetDlgItem(window, IDC_FOLDER_LIST);
  std::vector<WindowRow> rows;
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    wchar_t text[2048] = L"";
    ListView_GetItemText(list, i, 0, text, 2048);
    rows.push_back({text, ListView_GetCheckState(list, i) != 0});
  }
  return rows;
}

TEST(FolderFileFormat, Reading) {
  struct Case {
    const char* what;
    std::wstring text;
    std::vector<std::wstring> rows;
  };
  const Case cases[] = {
      {"as the list writes it", L"\uFEFFC:\\A\r\n:C:\\Temp\r\n", {L"C:\\A", L":C:\\Temp"}},
      {"as the command line writes it", L"C:\\A\r\n:C:\\Temp\r\n", {L"C:\\A", L":C:\\Temp"}},
      {"an empty line is a checked empty row", L"C:\\A\r\n\r\nD:\\\r\n", {L"C:\\A", L"", L"D:\\"}},
      {"a mark on a later line", L"C:\\A\r\n\uFEFF:D:\\\r\n", {L"C:\\A", L":D:\\"}},
      {"LF only, and a last line without an end", L"C:\\A\nD:\\B", {L"C:\\A", L"D:\\B"}},
      {"text after a CR on its line", L"C:\\A\rjunk\r\n", {L"C:\\A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(rows_of(parse(test::utf16le(c.text))), c.rows);
  }
}

TEST(FolderFileFormat, LinesTheListCannotKeepAreRefusedWhole) {
  std::wstring long_path = L"C:\\" + std::wstring(5000, L'x');
  std::wstring longest = L":C:\\" + std::wstring(1031, L'y');  // 1,034 characters after the mark
  std::wstring with_nul = std::wstring(L"C:\\B") + L'\0' + L"C";
  FolderFile content =
      parse(test::utf16le(L"C:\\A\r\n" + long_path + L"\r\n" + longest + L"\r\n" + with_nul + L"\r\nD:\\\r\n"));
  EXPECT_EQ(rows_of(content), (std::vector<std::wstring>{L"C:\\A", longest, L"D:\\"}));
  EXPECT_EQ(content.refused_lines, (std::vector<int>{2, 4}));
}

TEST(FolderFileFormat, Writing) {
  std::vector<FolderRow> rows = {{L"C:\\A", true}, {L"C:\\Temp", false}, {L"", true}};
  EXPECT_EQ(folder_file_bytes(rows), test::utf16le(L"\uFEFFC:\\A\r\n:C:\\Temp\r\n\r\n"));
  EXPECT_EQ(argument_file_bytes({L"C:\\A", L""}), test::utf16le(L"C:\\A\r\n\r\n"));
}

TEST(FolderFileFormat, CommandLineFolders) {
  struct Case {
    const wchar_t* line;
    std::vector<std::wstring> folders;
  };
  const Case cases[] = {
      {L"moxwin.exe", {}},
      {L"  \"C:\\Program Files\\moxwin.exe\"   ", {}},
      {L"moxwin.exe C:\\A \"D:\\My Files\"", {L"C:\\A", L"D:\\My Files"}},
      {L"\"C:\\x y\\moxwin.exe\"C:\\A", {L"C:\\A"}},
      {L"moxwin.exe \"\" C:\\A", {L"", L"C:\\A"}},
      {L"moxwin.exe a\tb  \"c\"d", {L"a\tb", L"c", L"d"}},
      {L"moxwin.exe \"C:\\open", {L"C:\\open"}},
  };
  for (const Case& c : cases) EXPECT_EQ(command_line_folders(c.line), c.folders) << test::to_utf8(c.line);
}

TEST(FolderListWindow, LoadsAndSavesLISTTXT) {
  std::string list = test::utf16le(L"C:\\A\r\n:C:\\Temp\r\n\r\n");
  Front front(with_list(list));
  EXPECT_EQ(window_rows(front.window),
            (std::vector<WindowRow>{{L"C:\\A", true}, {L"C:\\Temp", false}, {L"", true}}));
  EXPECT_TRUE(g_asked.boxes.empty());
  front.close(IDC_CLOSE);
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFF") + list);
}

TEST(FolderListWindow, CommandLineReplacesTheList) {
  FrontOptions options = with_command_line(L"moxwin.exe C:\\A \"D:\\My Files\"");
  options.list_txt = test::utf16le(L"\uFEFFE:\\old\r\n");
  Front front(options);
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"C:\\A\r\nD:\\My Files\r\n"));
  EXPECT_EQ(window_rows(front.window), (std::vector<WindowRow>{{L"C:\\A", true}, {L"D:\\My Files", true}}));
}

TEST(FolderListWindow, ManyFoldersOnTheCommandLine) {
  std::wstring line = L"moxwin.exe";
  for (int i = 0; i < 300; ++i) line += L" \"C:\\folder " + std::to_wstring(i) + L"\"";
  Front front(with_command_line(line));
  std::vector<WindowRow> rows = window_rows(front.window);
  ASSERT_EQ(rows.size(), 300u);
  EXPECT_EQ(rows[299].text, L"C:\\folder 299");
}

TEST(FolderListWindow, UnwritableListFileFromTheCommandLine) {
  // LIST.TXT is a folder here: it cannot be created, so the user is told and
  // the arguments are shown all the same.
  FrontOptions options = with_command_line(L"moxwin.exe C:\\A");
  options.prepare = [](const test::TempDir& folder) { test::make_dir(folder / L"LIST.TXT"); };
  Front front(options);
  EXPECT_EQ(window_rows(front.window), (std::vector<WindowRow>{{L"C:\\A", true}}));
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_EQ(g_asked.boxes[0].text.rfind(L"LIST.TXT: ", 0), 0u) << test::to_utf8(g_asked.boxes[0].text);
  EXPECT_EQ(g_asked.boxes[0].title, L"moxwin");
  EXPECT_TRUE(g_asked.boxes[0].type & MB_ICONWARNING);
}

TEST(FolderListWindow, BadLinesAreReportedAndTheRestLoads) {
  std::wstring text = L"C:\\A\r\n" + std::wstring(5000, L'x') + L"\r\nC:\\B\r\n";
  Front front(with_list(test::utf16le(text)));
  EXPECT_EQ(window_rows(front.window), (std::vector<WindowRow>{{L"C:\\A", true}, {L"C:\\B", true}}));
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_NE(g_asked.boxes[0].text.find(L"LIST.TXT の 2 行目"), std::wstring::npos);

  std::string noise;
  std::srand(7);
  for (int i = 0; i < 20000; ++i) noise += static_cast<char>(std::rand() & 0xFF);
  Front random(with_list(noise));
  HWND list = GetDlgItem(random.window, IDC_FOLDER_LIST);
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    wchar_t text[2048] = L"";
    ListView_GetItemText(list, i, 0, text, 2048);
    EXPECT_LE(wcslen(text), 1034u);
  }
}

TEST(FolderListWindow, HeaderClicksSortUpThenDown) {
  Front front(with_list(test::utf16le(L"C:\\b\r\n:C:\\a\r\nC:\\c\r\n")));
  NMLISTVIEW click{};
  click.hdr.hwndFrom = GetDlgItem(front.window, IDC_FOLDER_LIST);
  click.hdr.idFrom = IDC_FOLDER_LIST;
  click.hdr.code = LVN_COLUMNCLICK;
  SendMessageW(front.window, WM_NOTIFY, IDC_FOLDER_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(window_rows(front.window),
            (std::vector<WindowRow>{{L"C:\\a", false}, {L"C:\\b", true}, {L"C:\\c", true}}));
  SendMessageW(front.window, WM_NOTIFY, IDC_FOLDER_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(window_rows(front.window),
            (std::vector<WindowRow>{{L"C:\\c", true}, {L"C:\\b", true}, {L"C:\\a", false}}));
  front.command(IDC_REMOVE_FOLDER);  // nothing selected: the sorted order is saved
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFFC:\\c\r\nC:\\b\r\n:C:\\a\r\n"));
}

TEST(FolderListWindow, MenuEnablingAndRemoving) {
  NMHDR click{};
  auto right_click = [&](const Front& front) {
    click.hwndFrom = GetDlgItem(front.window, IDC_FOLDER_LIST);
    click.idFrom = IDC_FOLDER_LIST;
    click.code = NM_RCLICK;
    SendMessageW(front.window, WM_NOTIFY, IDC_FOLDER_LIST, reinterpret_cast<LPARAM>(&click));
    return g_asked.menus.back().items;
  };
  using Items = std::vector<std::pair<std::wstring, bool>>;
  {
    Front front;
    EXPECT_EQ(right_click(front), (Items{{L"フォルダ名を編集(&F)", false}, {L"削除(&D)", false}}));
  }
  Front front(with_list(test::utf16le(L"C:\\a\r\nC:\\b\r\nC:\\c\r\n")));
  HWND list = GetDlgItem(front.window, IDC_FOLDER_LIST);
  ListView_SetItemState(list, 1, LVIS_FOCUSED, LVIS_FOCUSED | LVIS_SELECTED);
  EXPECT_EQ(right_click(front), (Items{{L"フォルダ名を編集(&F)", true}, {L"削除(&D)", false}}));
  ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
  g_answers.menu_choices = {IDC_REMOVE_FOLDER};
  EXPECT_EQ(right_click(front), (Items{{L"フォルダ名を編集(&F)", true}, {L"削除(&D)", true}}));
  EXPECT_EQ(window_rows(front.window), (std::vector<WindowRow>{{L"C:\\a", true}, {L"C:\\b", true}}));
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFFC:\\a\r\nC:\\b\r\n"));
}

TEST(FolderListWindow, EditingTheFocusedRow) {
  Front front(with_list(test::utf16le(L"C:\\a\r\nC:\\b\r\n")));
  HWND list = GetDlgItem(front.window, IDC_FOLDER_LIST);
  ListView_SetItemState(list, 1, LVIS_FOCUSED, LVIS_FOCUSED);
  front.command(IDM_EDIT_FOLDER);
  HWND edit = ListView_GetEditControl(list);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetFocus(), edit);
  SetWindowTextW(edit, L"D:\\new");
  SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  front.pump();
  EXPECT_EQ(window_rows(front.window), (std::vector<WindowRow>{{L"C:\\a", true}, {L"D:\\new", true}}));
  // Not saved until the next save.
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"C:\\a\r\nC:\\b\r\n"));
  front.command(IDM_EDIT_FOLDER);
  edit = ListView_GetEditControl(list);
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, L"E:\\dropped");
  SendMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  front.pump();
  EXPECT_EQ(window_rows(front.window)[1].text, L"D:\\new");
}

TEST(FolderListWindow, ThePickerAddsEveryChosenFolder) {
  Front front;
  std::wstring long_path = front / (std::wstring(120, L'a') + L"\\" + std::wstring(120, L'b') + L"\\写真");
  g_answers.pick_result = S_OK;
  g_answers.picked = {long_path, L"D:\\データ"};
  front.command(IDC_ADD_FOLDER);
  EXPECT_EQ(g_asked.pick_titles, std::vector<std::wstring>{L"フォルダ"});
  EXPECT_TRUE(g_asked.browse_titles.empty());
  EXPECT_EQ(window_rows(front.window), (std::vector<WindowRow>{{long_path, true}, {L"D:\\データ", true}}));
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFF" + long_path + L"\r\nD:\\データ\r\n"));
  // Cancelled: nothing added, and no other browser instead.
  g_answers.pick_result = HRESULT_FROM_WIN32(ERROR_CANCELLED);
  front.command(IDC_ADD_FOLDER);
  EXPECT_EQ(window_rows(front.window).size(), 2u);
  EXPECT_TRUE(g_asked.browse_titles.empty());
}

TEST(FolderListWindow, WithoutThePickerTheBrowserAddsTheChosenFolder) {
  Front front;
  g_answers.pick_result = E_NOINTERFACE;
  test::make_dir(front / L"Chosen");
  g_answers.browse_choice = front / L"Chosen";
  g_answers.browse_virtual_first = true;
  front.command(IDC_ADD_FOLDER);
  EXPECT_EQ(g_asked.browse_titles, std::vector<std::wstring>{L"フォルダ"});
  ASSERT_EQ(g_asked.browse_selections.size(), 2u);
  EXPECT_EQ(g_asked.browse_selections[0], (std::pair<std::wstring, bool>{L"", false}));
  EXPECT_EQ(g_asked.browse_selections[1], (std::pair<std::wstring, bool>{front / L"Chosen", true}));
  EXPECT_EQ(window_rows(front.window), (std::vector<WindowRow>{{front / L"Chosen", true}}));
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFF" + (front / L"Chosen") + L"\r\n"));
  // Cancelled: nothing added, the list is saved all the same.
  DeleteFileW((front / L"LIST.TXT").c_str());
  g_answers.browse_choice.clear();
  front.command(IDC_ADD_FOLDER);
  EXPECT_EQ(window_rows(front.window).size(), 1u);
  EXPECT_NE(GetFileAttributesW((front / L"LIST.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FolderListWindow, DroppedFilesAndFoldersArriveSpeltAsStored) {
  Front front;
  test::make_dir(front / L"Dropped Folder");
  test::write_file(front / L"File.TXT", "x");
  std::wstring names = front / L"dropped folder" + L'\0' + (front / L"file.txt") + L'\0' + L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(drop + 1, names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  SendMessageW(front.window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  EXPECT_EQ(window_rows(front.window),
            (std::vector<WindowRow>{{front / L"Dropped Folder", true}, {front / L"File.TXT", true}}));
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"),
            test::utf16le(L"\uFEFF" + (front / L"Dropped Folder") + L"\r\n" + (front / L"File.TXT") + L"\r\n"));
}

TEST(FolderListWindow, Utf8FromAnEditorIsReadAndSavedAsUtf16) {
  const std::wstring text = L"C:\\写真\r\n:D:\\データ 2\r\n";
  for (const std::string& mark : {std::string("\xEF\xBB\xBF"), std::string()}) {
    SCOPED_TRACE(mark.empty() ? "without a mark" : "with a mark");
    Front front(with_list(mark + test::to_utf8(text)));
    EXPECT_EQ(window_rows(front.window),
              (std::vector<WindowRow>{{L"C:\\写真", true}, {L"D:\\データ 2", false}}));
    EXPECT_TRUE(g_asked.boxes.empty());
    EXPECT_TRUE(front.status().ends_with(L"  LIST.TXT を UTF-8 として読み込みました (保存すると UTF-16LE になります)"))
        << test::to_utf8(front.status());
    front.close(IDC_CLOSE);
    EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFF" + text));
  }
}

TEST(FolderListWindow, AGarbledFileIsKeptUntilTheListChanges) {
  // Shift-JIS, as an older editor saves it: neither UTF-16LE nor UTF-8.
  const std::string garbled = "C:\\\x8E\xCA\x90\x5E\r\nD:\\\x83\x66\x81\x5B\x83\x5E\r\n";
  {
    Front front(with_list(garbled));
    EXPECT_EQ(window_rows(front.window).size(), 0u);
    ASSERT_EQ(g_asked.boxes.size(), 1u);
    EXPECT_EQ(g_asked.boxes[0].text.rfind(L"LIST.TXT は UTF-16LE でも UTF-8 でもないため", 0), 0u)
        << test::to_utf8(g_asked.boxes[0].text);
    EXPECT_TRUE(g_asked.boxes[0].type & MB_ICONWARNING);
    front.command(IDC_REMOVE_FOLDER);  // saves nothing: the list is as it was
    front.close(IDC_CLOSE);
    EXPECT_EQ(test::read_file(front / L"LIST.TXT"), garbled);
    EXPECT_EQ(GetFileAttributesW((front / L"LIST.TXT.bak").c_str()), INVALID_FILE_ATTRIBUTES);
  }
  Front front(with_list(garbled));
  g_answers.pick_result = S_OK;
  g_answers.picked = {L"C:\\New"};
  front.command(IDC_ADD_FOLDER);
  EXPECT_EQ(test::read_file(front / L"LIST.TXT.bak"), garbled);
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFFC:\\New\r\n"));
}

TEST(FolderListWindow, AnUnreadableFileIsNeverOverwritten) {
  const std::string list = test::utf16le(L"\uFEFFC:\\Kept\r\n");
  HANDLE held = INVALID_HANDLE_VALUE;
  FrontOptions options = with_list(list);
  // Another program holds the file without sharing it.
  options.prepare = [&](const test::TempDir& folder) {
    held = CreateFileW((folder / L"LIST.TXT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  };
  Front front(options);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(window_rows(front.window).size(), 0u);
  ASSERT_EQ(g_asked.boxes.size(), 1u);
  EXPECT_EQ(g_asked.boxes[0].text.rfind(L"LIST.TXT を開けないため読み込みませんでした: ", 0), 0u)
      << test::to_utf8(g_asked.boxes[0].text);
  EXPECT_NE(g_asked.boxes[0].text.find(L" (32)"), std::wstring::npos);  // a sharing violation
  CloseHandle(held);
  // Readable now, but what the user saw was an empty list: a change is
  // refused, with a word, while the file is there.
  g_answers.pick_result = S_OK;
  g_answers.picked = {L"C:\\New"};
  front.command(IDC_ADD_FOLDER);
  ASSERT_EQ(g_asked.boxes.size(), 2u);
  EXPECT_EQ(g_asked.boxes[1].text, L"LIST.TXT は読み込めなかったため上書きしません。フォルダ一覧は保存されていません。");
  front.close(IDC_CLOSE);
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), list);
}

TEST(FolderListWindow, KeysOfTheList) {
  Front front(with_list(test::utf16le(L"C:\\a\r\nC:\\b\r\nC:\\c\r\n")));
  HWND list = GetDlgItem(front.window, IDC_FOLDER_LIST);
  // Delete removes the selected rows and saves.
  ListView_SetItemState(list, 1, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  SendMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(window_rows(front.window), (std::vector<WindowRow>{{L"C:\\a", true}, {L"C:\\c", true}}));
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFFC:\\a\r\nC:\\c\r\n"));
  // F2 edits the focused row.
  ListView_SetItemState(list, 1, LVIS_FOCUSED, LVIS_FOCUSED);
  SendMessageW(list, WM_KEYDOWN, VK_F2, 0);
  HWND edit = ListView_GetEditControl(list);
  ASSERT_NE(edit, nullptr);
  SetWindowTextW(edit, L"D:\\new");
  SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  front.pump();
  EXPECT_EQ(window_rows(front.window)[1].text, L"D:\\new");
  // The context-menu key (or Shift+F10): the system sends the list's
  // context-menu message without a point; the menu opens below the focused
  // row.
  RECT row = {LVIR_LABEL, 0, 0, 0};
  ListView_GetItemRect(list, 1, &row, LVIR_LABEL);
  POINT below = {row.left, row.bottom};
  ClientToScreen(list, &below);
  SendMessageW(front.window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(-1, -1));
  ASSERT_EQ(g_asked.menus.size(), 1u);
  EXPECT_EQ(g_asked.menus[0].x, below.x);
  EXPECT_EQ(g_asked.menus[0].y, below.y);
  EXPECT_TRUE(g_asked.menus[0].items[0].second);  // フォルダ名を編集(&F)
  // A right click shows the menu once: no context-menu message follows.
  NMHDR click = {list, IDC_FOLDER_LIST, static_cast<UINT>(NM_RCLICK)};
  EXPECT_TRUE(SendMessageW(front.window, WM_NOTIFY, IDC_FOLDER_LIST, reinterpret_cast<LPARAM>(&click)));
  EXPECT_EQ(g_asked.menus.size(), 2u);
}

}  // namespace
}  // namespace mox::shell
