// Sorting the result list in the window: header clicks and the sort dialog,
// with check boxes, selection and colours carried through.
#include "moxwin/results/sort_commands.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/window/window_harness.h"

namespace mox::results {
namespace {

using test::dated_line;
using test::Front;
using test::FrontOptions;
using test::result_checks;
using test::result_column;

constexpr const char* kColours =
    "[Window]\r\nR1=1\r\nG1=1\r\nB1=1\r\nR2=2\r\nG2=2\r\nB2=2\r\nR3=3\r\nG3=3\r\nB3=3\r\nR4=4\r\nG4=4\r\nB4=4\r\n";

// A file of the size, made sparse so that sizes above 4 GiB cost nothing.
void make_file(const std::wstring& path, int64_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD ignored;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = size;
  SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
}

// Names and sizes; groups as given ('|' ends one).
void load(Front& front, const std::vector<std::pair<std::wstring, int64_t>>& files) {
  std::wstring dlist;
  int count = 0;
  for (const auto& [name, size] : files) {
    if (name == L"|") {
      dlist += L"\r\n";
      continue;
    }
    make_file(front / name, size);
    dlist += dated_line(front / name);
    ++count;
  }
  front.finish_search(dlist + L"\r\n", count);
}

void click_column(const Front& front, int column) {
  NMLISTVIEW click{};
  click.hdr.hwndFrom = GetDlgItem(front.window, IDC_RESULT_LIST);
  click.hdr.idFrom = IDC_RESULT_LIST;
  click.hdr.code = LVN_COLUMNCLICK;
  click.iSubItem = column;
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
  EXPECT_EQ(GetWindowLongPtrW(front.window, DWLP_MSGRESULT), 1);
}

std::vector<int> header_images(const Front& front) {
  HWND header = ListView_GetHeader(GetDlgItem(front.window, IDC_RESULT_LIST));
  std::vector<int> images;
  for (int i = 0; i < Header_GetItemCount(header); ++i) {
    HDITEMW item{};
    item.mask = HDI_IMAGE;
    Header_GetItem(header, i, &item);
    images.push_back(item.iImage - shell::g_app.header_base);
  }
  return images;
}

std::vector<int> colour_numbers(const Front& front, int rows) {
  std::vector<int> numbers;
  for (int p = 0; p < rows; ++p) numbers.push_back(static_cast<int>(GetRValue(test::result_background(front.window, p))));
  return numbers;
}

// Sets the dialog's key rows (key index, descending) and presses OK.
std::function<void(HWND)> choose_keys(std::vector<std::pair<int, bool>> rows) {
  return [rows](HWND dialog) {
    for (size_t i = 0; i < 6; ++i) {
      int key = i < rows.size() ? rows[i].first : 0;
      bool descending = i < rows.size() && rows[i].second;
      SendDlgItemMessageW(dialog, static_cast<int>(IDC_SORT_KEY1 + i), CB_SETCURSEL, static_cast<WPARAM>(key), 0);
      int ascending = IDC_SORT_ASCENDING1 + 2 * static_cast<int>(i);
      CheckRadioButton(dialog, ascending, ascending + 1, descending ? ascending + 1 : ascending);
    }
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
}

const std::vector<std::pair<std::wstring, int64_t>> kFiles = {
    {L"b", 5LL << 32}, {L"d", 1}, {L"|", 0}, {L"a", (5LL << 32) + 1}, {L"c", 4LL << 32}, {L"|", 0}, {L"e", 2}};

TEST(SortCommands, HeaderClicks) {
  FrontOptions options;
  options.ini = kColours;
  Front front(options);
  load(front, kFiles);
  test::set_result_checks(front.window, "x...x");
  click_column(front, 3);
  EXPECT_EQ(result_column(front.window, 6), L"d|e|c|b|a");
  EXPECT_EQ(header_images(front), (std::vector<int>{0, 0, 0, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(result_checks(front.window), ".x.x.");  // the checks moved with their rows
  EXPECT_EQ(colour_numbers(front, 5), (std::vector<int>{3, 4, 3, 4, 3}));
  click_column(front, 3);
  EXPECT_EQ(result_column(front.window, 6), L"a|b|c|e|d");
  EXPECT_EQ(header_images(front), (std::vector<int>{0, 0, 0, 2, 0, 0, 0, 0, 0, 0}));
  click_column(front, 6);
  EXPECT_EQ(result_column(front.window, 6), L"a|b|c|d|e");
  EXPECT_EQ(header_images(front), (std::vector<int>{0, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
  // ID descending: the natural colours, read backwards.
  click_column(front, 1);
  click_column(front, 1);
  EXPECT_EQ(result_column(front.window, 1), L"5|4|3|2|1");
  EXPECT_EQ(colour_numbers(front, 5), (std::vector<int>{1, 2, 2, 1, 1}));
}

TEST(SortCommands, DialogSortsByItsKeysAndSavesThem) {
  FrontOptions options;
  options.ini = std::string(kColours) + "[history0]\r\nsort0=H2A1A1A1A1A1\r\n";
  Front front(options);
  load(front, kFiles);
  // The dialog shows the saved keys.
  std::vector<int> shown;
  std::wstring last_text;
  test::g_answers.dialog = [&](HWND dialog) {
    for (int i = 0; i < 6; ++i)
      shown.push_back(static_cast<int>(SendDlgItemMessageW(dialog, IDC_SORT_KEY1 + i, CB_GETCURSEL, 0, 0)));
    wchar_t text[64];
    SendDlgItemMessageW(dialog, IDC_SORT_KEY1, CB_GETLBTEXT, 12, reinterpret_cast<LPARAM>(text));
    last_text = text;
    shown.push_back(IsDlgButtonChecked(dialog, IDC_SORT_ASCENDING1 + 1));
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  };
  front.command(IDC_SORT);
  EXPECT_EQ(shown, (std::vector<int>{7, 0, 0, 0, 0, 0, BST_CHECKED}));
  EXPECT_EQ(last_text, L"Selected 選択");
  EXPECT_EQ(result_column(front.window, 6), L"b|d|a|c|e");  // cancelled: nothing sorted

  test::set_result_checks(front.window, ".x.x");
  test::g_answers.dialog = choose_keys({{3, false}, {7, true}});  // Group up, Name down
  front.command(IDC_SORT);
  EXPECT_EQ(result_column(front.window, 6), L"d|b|c|a|e");
  EXPECT_EQ(result_checks(front.window), "x.x..");
  EXPECT_EQ(colour_numbers(front, 5), (std::vector<int>{1, 1, 2, 2, 1}));
  EXPECT_NE(test::read_file(front.ini_path).find("sort0=D1H2A1A1A1A1"), std::string::npos);

  test::g_answers.dialog = choose_keys({{7, false}});  // Name first: colours by position
  front.command(IDC_SORT);
  EXPECT_EQ(result_column(front.window, 6), L"a|b|c|d|e");
  EXPECT_EQ(colour_numbers(front, 5), (std::vector<int>{3, 4, 3, 4, 3}));

  // Rows 1 and 3 with row 2 none: Checked, then Name descending.
  test::g_answers.dialog = choose_keys({{11, false}, {0, false}, {7, true}});
  front.command(IDC_SORT);
  EXPECT_EQ(result_column(front.window, 6), L"e|b|a|d|c");
  EXPECT_EQ(result_checks(front.window), "...xx");

  // Every key none: the order stays, and so do the saved keys.
  std::string saved = test::read_file(front.ini_path);
  test::g_answers.dialog = choose_keys({});
  front.command(IDC_SORT);
  EXPECT_EQ(result_column(front.window, 6), L"e|b|a|d|c");
  EXPECT_EQ(test::read_file(front.ini_path), saved);
  EXPECT_EQ(header_images(front), (std::vector<int>(10, 0)));
}

}  // namespace
}  // namespace mox::results
