// Test support: the real moxwin.exe as a separate process, driven from
// outside through its windows: commands, control texts, the boxes it shows,
// and the rows of its list views. The in-process counterpart is
// window_harness.h.
#pragma once
#include <windows.h>

#include <optional>
#include <string>

namespace mox::test {

// Copies moxwin.exe of the build into folder, with moxwin.ini beside it when
// ini is given (the program reads its settings beside its executable).
// Returns the copy's path.
std::wstring copy_program(const std::wstring& folder, const std::optional<std::string>& ini);

// One started program. Every process started here belongs to a job that ends
// with the test program, so a test that dies (or its watchdog) leaves no
// window behind.
class RemoteProgram {
 public:
  // Runs exe with the arguments (after the program name) in working_folder.
  RemoteProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& working_folder);
  ~RemoteProgram();  // kills the process when it still runs
  RemoteProgram(const RemoteProgram&) = delete;
  RemoteProgram& operator=(const RemoteProgram&) = delete;

  HANDLE process() const { return process_; }

  // The visible main dialog, or nullptr when it did not appear in time.
  HWND wait_main_window(DWORD timeout_ms = 10000) const;
  // A visible dialog of the program other than the main window (a message
  // box, the About box), or nullptr.
  HWND wait_dialog(DWORD timeout_ms = 10000) const;
  // The exit code, or -1 when the process still runs after the timeout.
  int wait_exit(DWORD timeout_ms = 10000) const;

 private:
  HANDLE process_ = nullptr;
  DWORD process_id_ = 0;
};

// Posted, so that a command which opens a modal box does not block the test.
void post_command(HWND window, int id);
// WM_GETTEXT, which the system carries across processes.
std::wstring window_text(HWND window);
std::wstring control_text(HWND dialog, int id);
// Waits (up to a minute) until the status line shows a text that begins
// with `prefix`; returns the last text it showed.
std::wstring wait_for_status(HWND window, const std::wstring& prefix);
void set_control_text(HWND dialog, int id, const std::wstring& text);
// The message of a message box (its static text).
std::wstring box_text(HWND box);
// Presses the button with that id (IDOK, IDYES, ...); false when the box has
// no such button.
bool answer(HWND box, int button_id);

// A list view of the program. Messages that carry pointers go through a
// block of memory allocated in the program's process.
class RemoteList {
 public:
  RemoteList(const RemoteProgram& program, HWND dialog, int list_id);
  ~RemoteList();
  RemoteList(const RemoteList&) = delete;
  RemoteList& operator=(const RemoteList&) = delete;

  int count() const;
  std::wstring text(int item, int column = 0) const;
  bool checked(int item) const;  // state image 2
  bool selected(int item) const;
  void set_checked(int item, bool checked) const;
  void set_selected(int item, bool selected) const;
  void set_focused(int item) const;

 private:
  void set_state(int item, UINT state, UINT mask) const;

  HANDLE process_;
  HWND list_;
  void* remote_block_;  // an LVITEMW followed by its text buffer, in the program
};

}  // namespace mox::test
