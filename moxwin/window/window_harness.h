// Test support: the real main window in the test's own process, created from
// its resources in a scratch working folder, with every question to the user
// answered by the test and every program start recorded instead of made.
#pragma once
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/testkit.h"

namespace mox::test {

struct AskedBox {
  std::wstring text, title;
  UINT type = 0;
};

struct ShownMenu {
  int x = 0, y = 0;
  UINT flags = 0;
  std::vector<std::pair<std::wstring, bool>> items;  // text, enabled
};

struct ShellDelete {
  std::vector<std::wstring> paths;
  FILEOP_FLAGS flags = 0;
  HWND owner = nullptr;
  bool owner_enabled = false;  // whether the owner took input while the shell ran
};

struct Started {
  std::wstring program;  // the application name, empty when none was given
  std::wstring command_line;
};

struct ShellVerb {
  std::wstring verb, file;
  ULONG mask = 0;
};

// What the program asked and started, in order.
struct Asked {
  std::vector<AskedBox> boxes;
  std::vector<ShownMenu> menus;
  std::vector<std::wstring> browse_titles;
  std::vector<std::wstring> pick_titles;  // the folder picker's
  // What the browser's callback showed for its selection: status text and
  // whether OK was enabled.
  std::vector<std::pair<std::wstring, bool>> browse_selections;
  std::vector<ShellDelete> deletes;
  std::vector<std::wstring> documents;  // opened with their associated program
  std::vector<Started> starts;          // programs started without waiting
  std::vector<ShellVerb> verbs;
};

// How the fakes answer; each queue falls back to its default when empty.
struct Answers {
  std::deque<int> boxes;          // default IDOK
  std::deque<UINT> menu_choices;  // default 0 (nothing chosen)
  std::wstring browse_choice;     // a folder path; empty: cancelled
  bool browse_virtual_first = false;  // the selection passes a folder without a path first
  // The folder picker: its result and, on S_OK, the folders chosen. A failure
  // other than cancelling makes the program fall back to the browser above.
  HRESULT pick_result = HRESULT_FROM_WIN32(ERROR_CANCELLED);
  std::vector<std::wstring> picked;
  // Acts on a modal dialog inside its real modal loop and ends it (by a
  // command); without one, dialogs are cancelled.
  std::function<void(HWND dialog)> dialog;
  // Before the shell's delete runs (for real, without any window of its own).
  std::function<void()> before_delete;
  DWORD start_error = 0;  // what every program start returns
};

extern Asked g_asked;
extern Answers g_answers;

struct FrontOptions {
  std::optional<std::string> ini;        // moxwin.ini bytes; nullopt: no file
  bool ini_read_only = false;
  std::optional<std::string> list_txt;   // LIST.TXT bytes in the working folder
  std::wstring command_line = L"moxwin.exe";
  // Runs in the working folder before the window is created.
  std::function<void(const TempDir& folder)> prepare;
};

// One front end: a scratch working folder (the current folder while it
// lives), its settings file beside, and the window.
class Front {
 public:
  explicit Front(const FrontOptions& options = {});
  ~Front();
  Front(const Front&) = delete;
  Front& operator=(const Front&) = delete;

  TempDir dir{L"front"};
  std::wstring ini_path;
  HWND window = nullptr;

  std::wstring operator/(const std::wstring& name) const { return dir / name; }
  void command(int id) const { SendMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0); }
  // Runs the window's pending messages the way the message loop does.
  void pump() const;
  std::wstring status() const;
  std::wstring control_text(int id) const;
  // Writes DLIST.TXT (its lines as given, UTF-16LE), LIST5.TXT with the
  // file count and LASTMODE.TXT with the search's kind (none: no file), then
  // finishes a search run as if MOX.BAT had written them.
  void finish_search(const std::wstring& dlist, long files, const char* kind = "content");
  // Closes the window by the given command (or WM_CLOSE when 0), pumps and
  // saves as the program does at exit; returns the quit code.
  int close(int command = 0);

 private:
  std::wstring previous_folder_;
  bool closed_ = false;
};

// The result list as the user sees it: one text per column of every row;
// "x" for a checked row and "." for an unchecked one; "s" for a selected row.
std::vector<std::vector<std::wstring>> result_texts(HWND window);
std::wstring result_column(HWND window, int column);  // the rows' texts joined by "|"
std::string result_checks(HWND window);
std::string result_selection(HWND window);
// Sets the check boxes ("x") and the selection ("s") of the first rows.
void set_result_checks(HWND window, const std::string& checks);
void set_result_selection(HWND window, const std::string& selection);

// The colour the window gives a result row through its custom-draw answer.
uint32_t result_background(HWND window, int position);

// A second name for a file of drive C: under Wine: drive Z: is the root of
// the Linux file system, so this path goes through the prefix's link for C:.
std::wstring other_drive_name(const std::wstring& path);

// A dated list line for a path: time and size as the comparer writes them
// (the front end reads both from the file system).
std::wstring dated_line(const std::wstring& path);

}  // namespace mox::test
