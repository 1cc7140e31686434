#include "moxwin/shell/remote_window.h"

#include <commctrl.h>

#include "common/testkit.h"
#include "moxwin/resource.h"

namespace mox::test {

namespace {

constexpr DWORD kPollMs = 20;
constexpr int kItemTextCap = 2048;
// Message boxes give their message this control id (Windows and Wine alike).
constexpr int kBoxTextId = 0xFFFF;

// Closing the job's last handle kills its processes; that happens when the
// test program ends, however it ends.
HANDLE program_job() {
  static HANDLE job = [] {
    HANDLE created = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return created;
  }();
  return job;
}

bool is_dialog(HWND window) {
  wchar_t type[16] = L"";
  GetClassNameW(window, type, 16);
  return wcscmp(type, L"#32770") == 0;
}

// The main dialog is the only one holding the result list; its message boxes
// share its caption.
bool is_main_window(HWND window) {
  wchar_t caption[16] = L"";
  GetWindowTextW(window, caption, 16);
  return is_dialog(window) && wcscmp(caption, L"moxwin") == 0 && GetDlgItem(window, IDC_RESULT_LIST) != nullptr;
}

struct WindowSearch {
  DWORD process_id;
  bool main_window;  // else any other dialog
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM search_address) {
  auto* search = reinterpret_cast<WindowSearch*>(search_address);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !IsWindowVisible(window) || !is_dialog(window)) return TRUE;
  if (is_main_window(window) != search->main_window) return TRUE;
  search->found = window;
  return FALSE;
}

// Polls until the window appears, the process ends or the time is up.
HWND wait_window(HANDLE process, DWORD process_id, bool main_window, DWORD timeout_ms) {
  for (DWORD waited = 0;; waited += kPollMs) {
    WindowSearch search{process_id, main_window, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    if (waited >= timeout_ms || WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0) return nullptr;
  }
}

}  // namespace

std::wstring copy_program(const std::wstring& folder, const std::optional<std::string>& ini) {
  std::wstring exe = folder + L"\\moxwin.exe";
  CopyFileW((program_dir() + L"\\moxwin.exe").c_str(), exe.c_str(), FALSE);
  if (ini) write_file(folder + L"\\moxwin.ini", *ini);
  return exe;
}

RemoteProgram::RemoteProgram(const std::wstring& exe, const std::wstring& arguments,
                             const std::wstring& working_folder) {
  std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW start_info{};
  start_info.cb = sizeof start_info;
  PROCESS_INFORMATION info{};
  // Under a loaded Wine a start now and then fails for no reason of the
  // program's; suspended until it is in the job, so it cannot escape it.
  DWORD error = 0;
  for (int attempt = 0; attempt < 3 && !process_; ++attempt) {
    if (attempt > 0) {
      report_retry(exe, error);
      Sleep(200);
    }
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                       working_folder.c_str(), &start_info, &info)) {
      process_ = info.hProcess;
      process_id_ = info.dwProcessId;
    } else {
      error = GetLastError();
    }
  }
  if (!process_) return;
  AssignProcessToJobObject(program_job(), process_);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
}

RemoteProgram::~RemoteProgram() {
  if (!process_) return;
  if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

HWND RemoteProgram::wait_main_window(DWORD timeout_ms) const {
  return process_ ? wait_window(process_, process_id_, true, timeout_ms) : nullptr;
}

HWND RemoteProgram::wait_dialog(DWORD timeout_ms) const {
  return process_ ? wait_window(process_, process_id_, false, timeout_ms) : nullptr;
}

int RemoteProgram::wait_exit(DWORD timeout_ms) const {
  if (!process_ || WaitForSingleObject(process_, timeout_ms) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return static_cast<int>(code);
}

void post_command(HWND window, int id) { PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(id), 0); }

std::wstring window_text(HWND window) {
  // Room for any text the program shows: a length asked first could be out
  // of date when the text itself arrives.
  std::wstring text(65536, L'\0');
  LRESULT length = SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

std::wstring control_text(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control ? window_text(control) : L"";
}

std::wstring wait_for_status(HWND window, const std::wstring& prefix) {
  std::wstring status;
  for (int i = 0; i < 3000 && !(status = control_text(window, IDC_STATUS)).starts_with(prefix); ++i) Sleep(20);
  return status;
}

void set_control_text(HWND dialog, int id, const std::wstring& text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring box_text(HWND box) { return control_text(box, kBoxTextId); }

bool answer(HWND box, int button_id) {
  HWND button = GetDlgItem(box, button_id);
  if (!button) return false;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  return true;
}

RemoteList::RemoteList(const RemoteProgram& program, HWND dialog, int list_id)
    : process_(program.process()),
      list_(GetDlgItem(dialog, list_id)),
      remote_block_(VirtualAllocEx(process_, nullptr, sizeof(LVITEMW) + kItemTextCap * sizeof(wchar_t),
                                   MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}

RemoteList::~RemoteList() {
  if (remote_block_) VirtualFreeEx(process_, remote_block_, 0, MEM_RELEASE);
}

int RemoteList::count() const { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }

std::wstring RemoteList::text(int item, int column) const {
  if (!remote_block_) return L"";
  auto* remote_text = reinterpret_cast<wchar_t*>(static_cast<char*>(remote_block_) + sizeof(LVITEMW));
  LVITEMW request{};
  request.iSubItem = column;
  request.pszText = remote_text;
  request.cchTextMax = kItemTextCap;
  WriteProcessMemory(process_, remote_block_, &request, sizeof request, nullptr);
  LRESULT length = SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                                reinterpret_cast<LPARAM>(remote_block_));
  std::wstring text(static_cast<size_t>(length), L'\0');
  ReadProcessMemory(process_, remote_text, text.data(), text.size() * sizeof(wchar_t), nullptr);
  return text;
}

bool RemoteList::checked(int item) const {
  LRESULT state = SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK);
  return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}

bool RemoteList::selected(int item) const {
  return SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) != 0;
}

void RemoteList::set_checked(int item, bool checked) const {
  set_state(item, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

void RemoteList::set_selected(int item, bool selected) const {
  set_state(item, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void RemoteList::set_focused(int item) const { set_state(item, LVIS_FOCUSED, LVIS_FOCUSED); }

void RemoteList::set_state(int item, UINT state, UINT mask) const {
  if (!remote_block_) return;
  LVITEMW request{};
  request.state = state;
  request.stateMask = mask;
  WriteProcessMemory(process_, remote_block_, &request, sizeof request, nullptr);
  SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(remote_block_));
}

}  // namespace mox::test
