// The main window in process: built from its resources, driven by messages,
// with the user's answers given through the fakes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/window/window_harness.h"

namespace mox {
namespace {

using test::Front;
using test::FrontOptions;
using test::g_answers;
using test::g_asked;

class Environment : public ::testing::Environment {
 public:
  void SetUp() override { test::start_watchdog(300000); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

FrontOptions with_list(const std::string& bytes) {
  FrontOptions options;
  options.list_txt = bytes;
  return options;
}

FrontOptions with_ini(const std::string& text) {
  FrontOptions options;
  options.ini = text;
  return options;
}

std::wstring class_of(HWND window) {
  wchar_t name[64];
  GetClassNameW(window, name, 64);
  return name;
}

// As the dialog manager places a control: each of the four units converted
// on its own.
RECT dialog_rect(HWND window, int x, int y, int w, int h) {
  RECT r = {x, y, w, h};
  MapDialogRect(window, &r);
  return {r.left, r.top, r.left + r.right, r.top + r.bottom};
}

RECT client_rect_of(HWND window, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(window, id), &r);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST(MainWindow, ControlsFromTheResource) {
  Front front;
  ASSERT_NE(front.window, nullptr);
  EXPECT_EQ(front.control_text(0), L"");
  wchar_t caption[64];
  GetWindowTextW(front.window, caption, 64);
  EXPECT_STREQ(caption, L"moxwin");
  struct Control {
    int id;
    const wchar_t* type;
    const wchar_t* caption;
    RECT units;  // x, y, width, height; the three lists follow the window
  };
  const Control controls[] = {
      {1001, L"Static", L"フォルダ(&F)", {1, 2, 46, 11}},
      {1055, L"Static", L"除外(&X)", {40, 2, 40, 11}},
      {1054, L"ComboBox", L"", {66, 0, 220, 0}},
      {1060, L"Static", L"属性(&U)", {289, 2, 40, 11}},
      {1061, L"ComboBox", L"", {314, 0, 31, 0}},  // inside the 345 units of the window
      {1004, L"Button", L"追加(&A)...", {1, 71, 41, 13}},
      {1009, L"Button", L"削除(&D)", {48, 71, 41, 13}},
      {1010, L"Static", L"プログラム(&P)", {95, 73, 45, 9}},
      {1049, L"Button", L"開始(&S)", {236, 71, 41, 13}},
      {1062, L"Button", L"閉じる(&C)", {283, 71, 41, 13}},
      {1056, L"Static", L"最小(&I)", {1, 87, 22, 9}},
      {1057, L"Static", L"最大(&J)", {57, 87, 24, 9}},
      {1016, L"Button", L"エディタ表示(&V)", {116, 85, 60, 15}},
      {1044, L"Button", L"削除時に問い合わせない(&W)", {178, 85, 100, 15}},
      {1048, L"Button", L"ごみ箱を使用(&B)", {281, 85, 61, 15}},
      {1045, L"Static", L"結果(&L)", {1, 116, 41, 11}},
      {1012, L"Button", L"並替(&O)...", {48, 113, 41, 13}},
      {1013, L"Button", L"確認(&T)", {95, 113, 41, 13}},
      {1014, L"Button", L"抹消(&R)", {142, 113, 41, 13}},
      {1047, L"Button", L"編集(&E)...", {189, 113, 41, 13}},
      {1043, L"Button", L"マーク(&M)", {236, 113, 41, 13}},
      {1042, L"Static", L"", {281, 114, 16, 11}},
      {1050, L"Button", L"ヘルプ(&H)...", {301, 113, 41, 13}},
      {1002, L"SysListView32", L"", {}},
      {1005, L"Edit", L"", {}},
      {1011, L"SysListView32", L"", {}},
      {1003, L"ComboBox", L"", {}},
      {1058, L"ComboBox", L"", {}},
      {1059, L"ComboBox", L"", {}},
  };
  for (const Control& c : controls) {
    SCOPED_TRACE(c.id);
    HWND control = GetDlgItem(front.window, c.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(class_of(control), c.type);
    if (c.type == std::wstring(L"Static") || c.type == std::wstring(L"Button")) {
      EXPECT_EQ(front.control_text(c.id), c.caption);
    }
    if (c.type == std::wstring(L"Button")) {
      EXPECT_EQ(GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK,
                c.id == 1016 || c.id == 1044 || c.id == 1048 ? BS_AUTOCHECKBOX : BS_PUSHBUTTON);
    }
    if (c.units.right) {
      RECT expected = dialog_rect(front.window, c.units.left, c.units.top, c.units.right, c.units.bottom);
      RECT actual = client_rect_of(front.window, c.id);
      EXPECT_EQ(actual.left, expected.left);
      EXPECT_EQ(actual.top, expected.top);
      EXPECT_EQ(actual.right, expected.right);
      if (c.units.bottom) {
        EXPECT_EQ(actual.bottom, expected.bottom);
      }
    }
  }
  EXPECT_TRUE(GetWindowLongW(GetDlgItem(front.window, 1042), GWL_STYLE) & SS_NOPREFIX);
  EXPECT_TRUE(GetWindowLongW(GetDlgItem(front.window, 1005), GWL_STYLE) & ES_READONLY);
  DWORD folders = static_cast<DWORD>(GetWindowLongW(GetDlgItem(front.window, 1002), GWL_STYLE));
  EXPECT_TRUE(folders & LVS_EDITLABELS);
  EXPECT_TRUE(folders & LVS_SHOWSELALWAYS);
  EXPECT_FALSE(GetWindowLongW(GetDlgItem(front.window, 1011), GWL_STYLE) & LVS_EDITLABELS);
}

TEST(MainWindow, MenusAndTexts) {
  Front front;
  struct Item {
    int menu;
    int position;
    UINT id;  // -1 for a submenu
    const wchar_t* text;
  };
  const Item items[] = {
      {shell::kPopupEdit, 0, 220, L"フォルダ名を編集(&F)"},
      {shell::kPopupEdit, 2, 225, L"開く(&O)"},
      {shell::kPopupEdit, 3, static_cast<UINT>(-1), L"プログラムから開く(&G)"},
      {shell::kPopupEdit, 6, 206, L"パス名をコピー(&P)\tCtrl+C"},
      {shell::kPopupEdit, 9, 339, L"新しいファイルを残してチェック(&Y)"},
      {shell::kPopupEdit, 16, 336, L"このフォルダ以下をチェック(&J)\tF5"},
      {shell::kPopupEdit, 25, 338, L"フォルダのプロパティ(&Q)"},
      {shell::kPopupHelp, 0, 221, L"ヘルプ(&H)\tF1"},
      {shell::kPopupHelp, 1, 209, L"moxwinについて(&A)"},
      {shell::kPopupFolders, 1, 1009, L"削除(&D)"},
      {shell::kPopupResults, 3, 215, L"チェック(&1)"},
      {shell::kPopupResults, 7, 341, L"表示順の先頭を残してチェック(&T)"},
      {shell::kPopupResults, 11, 334, L"選択の切り替え(&E)"},
      {shell::kPopupResults, 17, 338, L"フォルダのプロパティ(&Q)"},
  };
  const int counts[shell::kPopupCount] = {26, 2, 2, 18};
  for (int menu = 0; menu < shell::kPopupCount; ++menu)
    EXPECT_EQ(GetMenuItemCount(shell::g_app.popups[menu]), counts[menu]) << menu;
  for (const Item& item : items) {
    HMENU menu = shell::g_app.popups[item.menu];
    wchar_t text[128] = L"";
    GetMenuStringW(menu, static_cast<UINT>(item.position), text, 128, MF_BYPOSITION);
    EXPECT_STREQ(text, item.text);
    EXPECT_EQ(GetMenuItemID(menu, item.position), item.id) << test::to_utf8(item.text);
  }
  HMENU programs = GetSubMenu(shell::g_app.popups[shell::kPopupResults], 1);
  EXPECT_EQ(GetMenuItemID(programs, 0), 230u);

  const wchar_t* version = L"moxwin UNICODE Version 4";
  wchar_t loaded[128];
  LoadStringW(GetModuleHandleW(nullptr), IDS_VERSION, loaded, 128);
  EXPECT_STREQ(loaded, version);
  LoadStringW(GetModuleHandleW(nullptr), IDS_DELETED_SOME, loaded, 128);
  EXPECT_STREQ(loaded, L"1%s 個中 %s 個のファイルを削除しました");
}

TEST(MainWindow, AcceleratorsActFromAComboBoxEditField) {
  Front front;
  HWND combo_edit = FindWindowExW(GetDlgItem(front.window, IDC_EXCLUDE), nullptr, L"Edit", nullptr);
  ASSERT_NE(combo_edit, nullptr);
  SetWindowTextW(combo_edit, L"abc");
  SetFocus(combo_edit);
  // F12 unchecks all; with an empty list it must leave the focus alone, as
  // must the selection commands.
  for (int command : {IDM_SELECT_ALL, IDM_DESELECT_ALL, IDM_SELECT_CHECKED, IDM_SELECT_SAME_FOLDERS,
                      IDM_TOGGLE_GROUP_SELECTION, IDM_UNCHECK_ALL}) {
    front.command(command);
    EXPECT_EQ(GetFocus(), combo_edit) << command;
  }
  // Ctrl+A reaches command 210 through the accelerator table instead of
  // selecting the field's text.
  MSG key = {combo_edit, WM_CHAR, 1, 0, 0, {}};
  EXPECT_NE(TranslateAcceleratorW(front.window, shell::g_app.accelerators, &key), 0);
  MSG copy = {combo_edit, WM_CHAR, 3, 0, 0, {}};
  EXPECT_NE(TranslateAcceleratorW(front.window, shell::g_app.accelerators, &copy), 0);
  MSG f5 = {combo_edit, WM_KEYDOWN, VK_F5, 0, 0, {}};
  EXPECT_NE(TranslateAcceleratorW(front.window, shell::g_app.accelerators, &f5), 0);
}

TEST(MainWindow, EnterActsOnTheFocusedControl) {
  Front front;
  // In a combo box's field Enter does nothing: the window stays.
  HWND combo_edit = FindWindowExW(GetDlgItem(front.window, IDC_PROGRAM), nullptr, L"Edit", nullptr);
  SetFocus(combo_edit);
  front.command(IDOK);
  EXPECT_TRUE(IsWindow(front.window));
  SetFocus(GetDlgItem(front.window, IDC_FOLDER_LIST));
  front.command(IDOK);
  EXPECT_TRUE(IsWindow(front.window));
  EXPECT_TRUE(g_asked.boxes.empty());
  // On the help button it drops the help menu.
  SetFocus(GetDlgItem(front.window, IDC_HELP_MENU));
  front.command(IDOK);
  ASSERT_EQ(g_asked.menus.size(), 1u);
  EXPECT_EQ(g_asked.menus[0].items[1].first, L"moxwinについて(&A)");
  // On Close it closes and saves the folder list.
  SetFocus(GetDlgItem(front.window, IDC_CLOSE));
  EXPECT_EQ(front.close(IDOK), 0);
  EXPECT_FALSE(IsWindow(front.window));
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), "\xFF\xFE");
}

TEST(MainWindow, EscClosesUnlessTheSettingSaysNo) {
  for (const char* setting : {"", "ESC=0\r\n", "ESC=1\r\n", "ESC=0x10\r\n"}) {
    SCOPED_TRACE(setting);
    bool closes = setting == std::string("") || setting == std::string("ESC=0\r\n");
    Front front(with_ini(std::string("[Options]\r\n") + setting));
    front.command(IDCANCEL);
    front.pump();
    EXPECT_EQ(IsWindow(front.window) == FALSE, closes);
    EXPECT_EQ(GetFileAttributesW((front / L"LIST.TXT").c_str()) != INVALID_FILE_ATTRIBUTES, closes);
  }
}

TEST(MainWindow, TheCloseBoxAndAltF4SaveTheFolderList) {
  const std::string list = test::utf16le(L"\uFEFF:C:\\\r\n");
  {
    Front front(with_list(list));
    SendMessageW(GetDlgItem(front.window, IDC_FOLDER_LIST), LVM_DELETEALLITEMS, 0, 0);
    EXPECT_EQ(front.close(), 0);  // WM_CLOSE, as the close box sends it
    EXPECT_EQ(test::read_file(front / L"LIST.TXT"), "\xFF\xFE");
  }
  Front front(with_list(list));
  ListView_SetCheckState(GetDlgItem(front.window, IDC_FOLDER_LIST), 0, TRUE);
  SendMessageW(front.window, WM_SYSCOMMAND, SC_CLOSE, 0);  // Alt+F4
  EXPECT_FALSE(IsWindow(front.window));
  EXPECT_EQ(test::read_file(front / L"LIST.TXT"), test::utf16le(L"\uFEFFC:\\\r\n"));
}

TEST(MainWindow, AboutBoxAndHelp) {
  Front front;
  std::wstring field, title;
  g_answers.dialog = [&](HWND about) {
    wchar_t text[128];
    GetDlgItemTextW(about, IDC_ABOUT_TEXT, text, 128);
    field = text;
    GetWindowTextW(about, text, 128);
    title = text;
    SendMessageW(about, WM_COMMAND, IDOK, 0);
  };
  g_answers.menu_choices = {IDM_ABOUT};
  front.command(IDC_HELP_MENU);
  EXPECT_EQ(field, L"moxwin UNICODE Version 4");
  EXPECT_EQ(title, L"moxwin - About");
  ASSERT_EQ(g_asked.menus.size(), 1u);
  EXPECT_TRUE(g_asked.menus[0].flags & TPM_BOTTOMALIGN);
  front.command(IDM_HELP_DOCUMENT);
  EXPECT_EQ(g_asked.documents, std::vector<std::wstring>{L"HELP\\index.html"});
}

TEST(MainWindow, FilterBoxesStartFromHistory) {
  {
    Front front;
    for (int id : {IDC_EXCLUDE, IDC_MIN, IDC_MAX, IDC_ATTRIBUTE}) EXPECT_EQ(front.control_text(id), L"") << id;
    EXPECT_EQ(front.control_text(IDC_PROGRAM), L"MOX.BAT /v");
    EXPECT_EQ(front.status(), L"buffer size: default");
    HWND exclude = GetDlgItem(front.window, IDC_EXCLUDE);
    EXPECT_EQ(SendMessageW(exclude, CB_GETCOUNT, 0, 0), 2);
    wchar_t first[64];
    SendMessageW(exclude, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, L".log>|.bak>|.tmp>");
    EXPECT_EQ(SendMessageW(GetDlgItem(front.window, IDC_PROGRAM), CB_GETCOUNT, 0, 0), 12);
  }
  Front front(with_ini("[history0]\r\nexclude0=.obj>\r\nmin0=1k\r\nmax0=2,147,483,647\r\n"
                               "attribute0=h\r\nprogram0=mox.bat /v /s\r\n[Options]\r\nbuffer=64M\r\n"
                               "preset=.x>|%30D5>\r\n"));
  EXPECT_EQ(front.control_text(IDC_EXCLUDE), L".obj>");
  EXPECT_EQ(front.control_text(IDC_MIN), L"1k");
  EXPECT_EQ(front.control_text(IDC_MAX), L"2,147,483,647");
  EXPECT_EQ(front.control_text(IDC_ATTRIBUTE), L"h");
  EXPECT_EQ(front.control_text(IDC_PROGRAM), L"mox.bat /v /s");
  EXPECT_EQ(front.status(), L"buffer size: 64M");
  HWND max = GetDlgItem(front.window, IDC_MAX);
  EXPECT_EQ(SendMessageW(max, CB_GETCOUNT, 0, 0), 2);  // the history equals the offered value
  HWND exclude = GetDlgItem(front.window, IDC_EXCLUDE);
  wchar_t entry[64];
  SendMessageW(exclude, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ(entry, L".x>|フ>");
  // A program line in the default list in other letters is not added twice.
  EXPECT_EQ(SendMessageW(GetDlgItem(front.window, IDC_PROGRAM), CB_GETCOUNT, 0, 0), 12);
}

TEST(MainWindow, SettingsAreSavedOnlyToAWritableFile) {
  const std::string placement =
      "[Window]\r\nflags=0\r\nshowCmd=1\r\nMinX=-1\r\nMinY=-1\r\nMaxX=-1\r\nMaxY=-1\r\nleft=10\r\ntop=20\r\n"
      "right=710\r\nbottom=520\r\n";
  {
    Front front(with_ini(placement));
    RECT r;
    GetWindowRect(front.window, &r);
    EXPECT_EQ(r.right - r.left, 700);
    EXPECT_EQ(r.bottom - r.top, 500);
    MoveWindow(front.window, 30, 40, 640, 480, FALSE);
    front.close(IDC_CLOSE);
    std::string saved = test::read_file(front.ini_path);
    EXPECT_NE(saved.find("left=30"), std::string::npos) << saved;
    EXPECT_NE(saved.find("column0="), std::string::npos);
    EXPECT_NE(saved.find("order=ABCDEFGHIJ"), std::string::npos);
  }
  {
    // Nine of the ten values: nothing is restored.
    std::string nine = placement.substr(0, placement.find("bottom="));
    Front front(with_ini(nine));
    RECT r;
    GetWindowRect(front.window, &r);
    EXPECT_NE(r.right - r.left, 700);
  }
  for (bool read_only : {false, true}) {
    FrontOptions options;
    if (read_only) {
      options.ini = placement;
      options.ini_read_only = true;
    }
    Front front(options);
    front.close(IDC_CLOSE);
    EXPECT_EQ(test::read_file(front.ini_path), read_only ? placement : "");
    EXPECT_EQ(GetFileAttributesW(front.ini_path.c_str()) != INVALID_FILE_ATTRIBUTES, read_only);
  }
}

TEST(MainWindow, ResizingFollowsTheWidthUnlessThereIsNoRoom) {
  Front front;
  auto width = [&](int id) {
    RECT r = client_rect_of(front.window, id);
    return r.right - r.left;
  };
  SendMessageW(front.window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
  EXPECT_EQ(width(IDC_FOLDER_LIST), 800);
  EXPECT_EQ(width(IDC_STATUS), 800);
  EXPECT_EQ(width(IDC_RESULT_LIST), 800);
  RECT results = client_rect_of(front.window, IDC_RESULT_LIST);
  EXPECT_EQ(results.bottom, 600);  // down to the bottom edge
  SendMessageW(front.window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 600));
  EXPECT_EQ(width(IDC_FOLDER_LIST), 800);
  EXPECT_EQ(width(IDC_RESULT_LIST), 800);
  // Too low for the result list: only the top follows.
  SendMessageW(front.window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(500, 1));
  EXPECT_EQ(width(IDC_FOLDER_LIST), 500);
  RECT unchanged = client_rect_of(front.window, IDC_RESULT_LIST);
  EXPECT_EQ(unchanged.right - unchanged.left, results.right - results.left);
}

}  // namespace
}  // namespace mox
