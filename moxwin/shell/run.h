// Running a program line: Start writes the user's choices into the working
// folder and starts the line as a child process; the wait loop keeps the
// window alive until it ends (the window's top then shows what it found).
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace mox::shell {

constexpr int kProgramLineCap = 1032;  // a program line: 1,031 characters
constexpr int kFolderPathCap = 1032;   // the working folder: 1,031 characters
constexpr DWORD kCannotRun = 255;      // a child that could not be started or observed

struct RunState {
  bool pending = false;  // read by the message loop
  int wait_state = 0;    // 0 not started, 1 starting, 2 running
  std::wstring program_line;
  DWORD exit_code = 0;
  int64_t start_time = 0, end_time = 0;
  HANDLE process = nullptr, thread = nullptr;  // a child that is still running
  DWORD start_error = 0;  // the system's error when the child could not be started or observed
  int poll_interval = 50;  // milliseconds
  HCURSOR previous_cursor = nullptr;
  // The last successful run, for the summary after a group confirmation.
  int64_t last_seconds = 0;
  long last_files = 0, last_groups = 0;
};

}  // namespace mox::shell

namespace mox::shell {

constexpr int kCommandCap = 2048;  // the command built for the interpreter

// True when the line's first word ends in ".BAT" (any case): a batch script,
// started through the command interpreter.
bool uses_interpreter(const wchar_t* program_line);

// The command to start: "\"COMSPEC\" /c LINE" for a script, else the line.
// False when it would not fit in kCommandCap - 1 characters.
bool build_command(const wchar_t* program_line, const wchar_t* interpreter, std::wstring* command);

// XLIST.TXT: U+FEFF, then each "|"-separated pattern and CR LF.
std::string exclusion_file_bytes(const std::wstring& patterns);

// A size box's text: blanks around it are allowed, the rest is the size
// syntax. False for an invalid text, an empty one too.
bool parse_size_box(const wchar_t* text, long long* size);

// The size range for config.ini: an invalid or empty text gives 0 for the
// minimum and the largest size for the maximum.
int64_t minimum_size(const wchar_t* text);
int64_t maximum_size(const wchar_t* text);

// Whether Start may write the two size boxes: an empty (or blank) box is no
// limit; any other text must be a size, and the minimum not above the
// maximum.
enum class SizeCheck { kValid, kBadMinimum, kBadMaximum, kReversed };
SizeCheck check_sizes(const wchar_t* minimum, const wchar_t* maximum);

// The file and group counts of LIST5.TXT's text (0 for a missing line).
void read_counts(FILE* file, long* files, long* groups);

// Takes the working-folder lock (a named event named after the current
// folder); false when another instance holds it.
bool take_folder_lock();
void release_folder_lock();

// LIST5.TXT with two zero counts when it cannot be read.
void ensure_count_file();

// 0 when a run is now pending, -1 when XLIST.TXT, config.ini or LIST.TXT
// could not be written, -2 for an empty program line, -3 for one too long to
// start, -4 when the boxes or the folder list would make a wrong search
// (told in the status line, the focus on the box).
int start_run(HWND window);

// Runs while a run is pending: 2 when it removed a quit message (the program
// ends; `message` holds it), 0 when the run has ended (with `ended_with`).
int wait_loop(MSG* message, DWORD* ended_with);

}  // namespace mox::shell
