#include "moxwin/shell/run.h"

#include <cwchar>
#include <cwctype>
#include <memory>

#include "common/lines.h"
#include "common/size_syntax.h"
#include "moxwin/resource.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/folder_list.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/numbers.h"
#include "moxwin/shell/process.h"
#include "moxwin/shell/settings.h"

namespace mox::shell {

namespace {

constexpr int kCountLineCap = 512;  // LIST5.TXT lines: 511 characters
// Blanks allowed around a size, the ideographic one of a Japanese input
// method too.
constexpr const wchar_t* kSizeBlanks = L" \t\u3000";

bool begins_with_mox(const std::wstring& line) { return line.size() >= 3 && _wcsnicmp(line.c_str(), L"mox", 3) == 0; }

// The box's whole text: a cut text would be another filter.
std::wstring box_text(HWND window, int id) {
  HWND box = GetDlgItem(window, id);
  return Control(box).text(GetWindowTextLengthW(box) + 1);
}

// Stores the text as the box's last value and offers it in its list.
std::wstring remember_box(HWND window, int id, const wchar_t* key) {
  std::wstring value = box_text(window, id);
  settings_write(L"history0", key, value.c_str());
  if (!value.empty()) ComboBox(window, id).insert_at_top_unless_present(value.c_str());
  return value;
}

void move_to_top(HWND window, const std::wstring& line) {
  ComboBox programs(window, IDC_PROGRAM);
  int index = programs.find_exact(line.c_str());
  if (index == 0) return;
  if (index != CB_ERR) programs.remove(index);
  programs.insert(0, line.c_str());
  if (index != CB_ERR) programs.set_text(line.c_str());
}

bool write_config(const std::wstring& path, const wchar_t* section, const wchar_t* key, const std::wstring& value) {
  return WritePrivateProfileStringW(section, key, value.c_str(), path.c_str()) != 0;
}

// config.ini key by key; false after telling the user that a key could not
// be written (the search would run with the old filters).
bool write_filters(HWND window) {
  wchar_t folder[kFolderPathCap] = L"";
  GetCurrentDirectoryW(kFolderPathCap, folder);
  std::wstring config = format_text(kCommandCap, L"%s\\config.ini", folder);
  std::wstring minimum = std::to_wstring(minimum_size(remember_box(window, IDC_MIN, L"min0").c_str()));
  std::wstring maximum = std::to_wstring(maximum_size(remember_box(window, IDC_MAX, L"max0").c_str()));
  std::wstring attribute = remember_box(window, IDC_ATTRIBUTE, L"attribute0");
  // Copies, since the next read reuses the settings buffer.
  std::wstring buffer = settings_read(L"Options", L"buffer");
  std::wstring files = settings_read(L"Options", L"files");
  bool written = write_config(config, L"exclude", L"min", minimum) && write_config(config, L"exclude", L"max", maximum) &&
                 write_config(config, L"exclude", L"attribute", attribute) &&
                 write_config(config, L"Options", L"buffer", buffer) && write_config(config, L"Options", L"files", files);
  if (!written) {
    DWORD error = GetLastError();
    std::wstring reason = system_message_text(error);
    message_box(window, MB_OK | MB_ICONWARNING, text(IDS_FILE_NOT_WRITTEN), L"config.ini", reason.c_str(),
                static_cast<int>(error));
  }
  return written;
}

// Refuses what would make a wrong search: a size box that is not a size, a
// reversed range, a search line with no folder checked. Told in the status
// line, with the focus where the fault is.
bool inputs_refused(HWND window, const std::wstring& line) {
  if (begins_with_mox(line) && !folder_list::any_checked(window)) {
    show_status(window, text(IDS_NO_FOLDER_CHECKED));
    Control(window, IDC_FOLDER_LIST).focus();
    return true;
  }
  std::wstring minimum = box_text(window, IDC_MIN), maximum = box_text(window, IDC_MAX);
  SizeCheck sizes = check_sizes(minimum.c_str(), maximum.c_str());
  if (sizes == SizeCheck::kValid) return false;
  int box = sizes == SizeCheck::kBadMaximum ? IDC_MAX : IDC_MIN;
  if (sizes == SizeCheck::kReversed)
    show_status(window, text(IDS_REVERSED_RANGE));
  else
    show_status(window, format_text(kMessageTextCap, text(sizes == SizeCheck::kBadMinimum ? IDS_BAD_MINIMUM : IDS_BAD_MAXIMUM),
                                    (box == IDC_MIN ? minimum : maximum).c_str()));
  Control(window, box).focus();
  SendDlgItemMessageW(window, box, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
  return true;
}

struct Launch {
  bool running = false;  // the child is still running: its handles are kept
  DWORD exit_code = kCannotRun;
};

// COMSPEC, or "" when it is unset (the start then fails).
std::wstring interpreter() {
  DWORD length = GetEnvironmentVariableW(L"COMSPEC", nullptr, 0);
  std::wstring value(length, L'\0');
  if (length == 0 || GetEnvironmentVariableW(L"COMSPEC", value.data(), length) != length - 1) return {};
  value.resize(length - 1);
  return value;
}

// The exit code of an ended child; 255 with the system's error kept when the
// wait or the code failed.
DWORD exit_code_of(RunState& run, HANDLE process, DWORD waited) {
  DWORD exit_code = kCannotRun;
  if (waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &exit_code)) return exit_code;
  run.start_error = waited == WAIT_ABANDONED ? ERROR_ABANDONED_WAIT_0 : GetLastError();
  return kCannotRun;
}

Launch launch(RunState& run) {
  std::wstring command;
  if (!build_command(run.program_line.c_str(), interpreter().c_str(), &command)) {
    run.start_error = ERROR_FILENAME_EXCED_RANGE;
    return {};
  }
  PROCESS_INFORMATION child{};
  if (!create_child(nullptr, command.data(), &child)) {
    run.start_error = GetLastError();
    return {};
  }
  Launch result;
  DWORD waited = WaitForSingleObject(child.hProcess, 1000);
  if (waited == WAIT_TIMEOUT) {
    run.process = child.hProcess;
    run.thread = child.hThread;
    result.running = true;
    return result;
  }
  result.exit_code = exit_code_of(run, child.hProcess, waited);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return result;
}

// Whether the running child has ended; its exit code then.
bool child_ended(RunState& run, DWORD* exit_code) {
  DWORD waited = WaitForSingleObject(run.process, 200);
  if (waited == WAIT_TIMEOUT) return false;
  *exit_code = exit_code_of(run, run.process, waited);
  CloseHandle(run.thread);
  CloseHandle(run.process);
  run.thread = run.process = nullptr;
  return true;
}

}  // namespace

bool uses_interpreter(const wchar_t* line) {
  const wchar_t* end = std::wcschr(line, L' ');
  if (!end) end = line + std::wcslen(line);
  for (const wchar_t* p = line; p + 4 <= end; ++p) {
    if (p[0] == L'.' && std::towupper(p[1]) == L'B' && std::towupper(p[2]) == L'A' && std::towupper(p[3]) == L'T' &&
        p + 4 == end)
      return true;
  }
  return false;
}

bool build_command(const wchar_t* line, const wchar_t* interpreter, std::wstring* command) {
  *command = uses_interpreter(line) ? L"\"" + std::wstring(interpreter) + L"\" /c " + line : std::wstring(line);
  return command->size() < static_cast<size_t>(kCommandCap);
}

std::string exclusion_file_bytes(const std::wstring& patterns) {
  std::string bytes;
  append_utf16le(bytes, L"\uFEFF");
  for (size_t start = 0;;) {
    size_t bar = patterns.find(L'|', start);
    append_utf16le(bytes, patterns.substr(start, bar == std::wstring::npos ? bar : bar - start) + L"\r\n");
    if (bar == std::wstring::npos) break;
    start = bar + 1;
  }
  return bytes;
}

bool parse_size_box(const wchar_t* text, long long* size) {
  std::wstring trimmed = text;
  trimmed.erase(0, trimmed.find_first_not_of(kSizeBlanks));
  trimmed.erase(trimmed.find_last_not_of(kSizeBlanks) + 1);
  return parse_size(trimmed.c_str(), size);
}

int64_t minimum_size(const wchar_t* text) {
  long long size;
  return parse_size_box(text, &size) ? size : 0;
}

int64_t maximum_size(const wchar_t* text) {
  long long size;
  return parse_size_box(text, &size) ? size : INT64_MAX;
}

SizeCheck check_sizes(const wchar_t* minimum, const wchar_t* maximum) {
  auto blank = [](const wchar_t* text) { return std::wcsspn(text, kSizeBlanks) == std::wcslen(text); };
  long long size;
  if (!blank(minimum) && !parse_size_box(minimum, &size)) return SizeCheck::kBadMinimum;
  if (!blank(maximum) && !parse_size_box(maximum, &size)) return SizeCheck::kBadMaximum;
  return minimum_size(minimum) > maximum_size(maximum) ? SizeCheck::kReversed : SizeCheck::kValid;
}

void read_counts(FILE* file, long* files, long* groups) {
  auto reader = std::make_unique<LineReader>();
  line_reader_init(*reader, file);
  wchar_t line[kCountLineCap];
  *files = *groups = 0;
  for (long* count : {files, groups}) {
    if (read_wide_line(*reader, line, kCountLineCap) < 0) return;
    clean_line(line);
    *count = std::wcstol(line, nullptr, 10);
  }
}

bool take_folder_lock() {
  wchar_t name[kFolderPathCap] = L"";
  DWORD length = GetCurrentDirectoryW(kFolderPathCap, name);
  if (length == 0 || length >= static_cast<DWORD>(kFolderPathCap)) return true;
  for (wchar_t* p = name; *p; ++p)
    if (*p == L'\\') *p = L'/';
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name);
  if (event && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(event);
    return false;
  }
  g_app.folder_lock = event;
  return true;
}

void release_folder_lock() {
  if (g_app.folder_lock) CloseHandle(g_app.folder_lock);
  g_app.folder_lock = nullptr;
}

void ensure_count_file() {
  const wchar_t* name = text(IDS_COUNT_FILE);
  if (FILE* file = _wfopen(name, L"rb")) {
    std::fclose(file);
    return;
  }
  std::string zeros;
  append_utf16le(zeros, L"0\r\n0\r\n");
  int error_number;
  write_file_bytes(name, zeros, &error_number);
}

int start_run(HWND window) {
  RunState& run = g_app.run;
  std::wstring line = box_text(window, IDC_PROGRAM);
  if (line.empty()) {
    show_status(window, L"no program");
    return -2;
  }
  std::wstring command;
  if (line.size() > kProgramLineCap - 1 || !build_command(line.c_str(), interpreter().c_str(), &command)) {
    // Refused before anything is written: a cut line would run another command.
    show_status(window, format_text(kMessageTextCap, text(IDS_PROGRAM_TOO_LONG), static_cast<int>(line.size())));
    return -3;
  }
  if (inputs_refused(window, line)) return -4;
  show_status(window, line);
  move_to_top(window, line);
  if (begins_with_mox(line)) settings_write(L"history0", L"program0", line.c_str());
  std::wstring patterns = box_text(window, IDC_EXCLUDE);
  settings_write(L"history0", L"exclude0", patterns.c_str());
  if (!patterns.empty()) ComboBox(window, IDC_EXCLUDE).insert_at_top_unless_present(patterns.c_str());
  int error_number = 0;
  if (!write_file_bytes(text(IDS_EXCLUDE_FILE), exclusion_file_bytes(patterns), &error_number)) {
    report_file_error(window, text(IDS_EXCLUDE_FILE), error_number);
    return -1;
  }
  // The search runs only with the folders and filters the user sees.
  if (!write_filters(window) || folder_list::save(window) != 0) return -1;
  Control(window, IDC_START).enable(false);
  Control(window, IDC_ERASE).enable(false);
  run.previous_cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  run.program_line = line;
  run.start_error = 0;
  run.start_time = current_time();
  run.poll_interval = 50;
  run.wait_state = 0;
  run.pending = true;
  return 0;
}

int wait_loop(MSG* message, DWORD* ended_with) {
  RunState& run = g_app.run;
  for (;;) {
    while (PeekMessageW(message, nullptr, 0, 0, PM_REMOVE)) {
      if (message->message == WM_QUIT) return 2;
      TranslateMessage(message);
      DispatchMessageW(message);
    }
    DWORD exit_code = kCannotRun;
    bool finished = true;
    if (run.wait_state == 0 || run.wait_state == 1) {
      run.wait_state = 1;
      Launch launched = launch(run);
      if (launched.running) {
        run.wait_state = 2;
        finished = false;
      }
      exit_code = launched.exit_code;
    } else if (run.wait_state == 2) {
      finished = child_ended(run, &exit_code);
    }
    if (finished) {
      run.wait_state = 0;
      *ended_with = exit_code;
      return 0;
    }
    Sleep(static_cast<DWORD>(run.poll_interval));
  }
}

}  // namespace mox::shell
