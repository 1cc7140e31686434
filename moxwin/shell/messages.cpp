#include "moxwin/shell/messages.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <string>

#include "moxwin/resource.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/modal.h"

namespace mox::shell {

namespace {

constexpr int kFirstText = 400;
constexpr int kTextSlots = 200;  // ids 400 to 599
std::wstring g_texts[kTextSlots];
std::wstring g_save_types;
wchar_t* g_system_text = nullptr;

// The ids of every text the program shows or uses as a name.
const int kTextIds[] = {
    IDS_TITLE, IDS_VERSION, IDS_BROWSE_TITLE, IDS_FOLDER_COLUMN,
    410, 411, 412, 413, 414, 415, 416, 417, 418, 419,
    420, 421, 422, 423, 424, 425, 426, 427, 428, 429, 430, 431, 432,
    IDS_DELETE_QUESTION, IDS_CONFIRM_LINE, IDS_DELETED_ALL, IDS_DELETED_SOME, IDS_FOLDER_IN_USE,
    IDS_NOTHING_CHECKED, IDS_PROGRAMS, IDS_LIST_FILE, IDS_DLIST_FILE, IDS_COUNT_FILE, IDS_CLIST_FILE,
    IDS_DELETE_LOG, IDS_DELETING, IDS_SUMMARY, IDS_RUN_FAILED, IDS_CHECKS_UPDATED, IDS_EXCLUDE_FILE,
    IDS_EXCLUDE_PRESET, IDS_SAVE_TYPES, IDS_SAME_FILE_KEPT, IDS_PROGRAM_TOO_LONG, IDS_WHOLE_GROUPS,
    IDS_DELETE_NO_MEMORY, IDS_LOAD_NO_MEMORY, IDS_FOLDER_LINE_REFUSED, IDS_FOLDER_TOO_LONG,
    IDS_LIST_UTF8, IDS_LIST_GARBLED, IDS_LIST_UNREADABLE, IDS_LIST_NOT_OVERWRITTEN, IDS_LIST_BACKUP_FAILED,
    IDS_BAD_MINIMUM, IDS_BAD_MAXIMUM, IDS_REVERSED_RANGE, IDS_NO_FOLDER_CHECKED, IDS_RUN_NOT_STARTED,
    IDS_FILE_NOT_WRITTEN,
    IDS_VERIFYING, IDS_REFUSED_LINE, IDS_NO_COPY_LINE, IDS_NO_BIN_QUESTION, IDS_NOT_DELETED_HEAD,
    IDS_NOT_DELETED_LINE, IDS_NOT_DELETED_MORE, IDS_MODE_FILE, IDS_REASON_CHANGED, IDS_REASON_NO_SURVIVOR, IDS_REASON_NOT_REGULAR,
    IDS_REASON_WILDCARD, IDS_REASON_SAME_PATH, IDS_REASON_DIFFERS, IDS_REASON_UNREADABLE, IDS_REASON_NO_BIN,
    IDS_REASON_KEPT_BY_SHELL,
};

std::wstring load_string(HINSTANCE instance, int id) {
  wchar_t buffer[kStringCap];
  int length = LoadStringW(instance, static_cast<UINT>(id), buffer, kStringCap);
  if (length > 0) return std::wstring(buffer, static_cast<size_t>(length));
  DWORD code = GetLastError();
  SetLastError(code);  // the report appends the system's text for it
  report_system_error(L"LoadString(,%d,) error=%d ", id, static_cast<int>(code));
  return format_text(kStringCap, L"LoadString %d failed (%d)", id, static_cast<int>(code));
}

int show_error_box(const std::wstring& text) {
  if (g_modal.message_box(nullptr, text.c_str(), L"mox front-end", MB_OKCANCEL | MB_ICONERROR) == IDCANCEL)
    PostQuitMessage(1);
  return static_cast<int>(text.size());
}

}  // namespace

void load_texts(HINSTANCE instance) {
  for (int id : kTextIds) g_texts[id - kFirstText] = load_string(instance, id);
  g_save_types = g_texts[IDS_SAVE_TYPES - kFirstText];
  for (wchar_t& c : g_save_types)
    if (c == L'|') c = 0;
  g_save_types.push_back(0);
}

const wchar_t* text(int id) {
  if (id < kFirstText || id >= kFirstText + kTextSlots) return L"";
  return g_texts[id - kFirstText].c_str();
}

const wchar_t* save_types() { return g_save_types.c_str(); }

int error_box(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring message = format_text_v(kErrorTextCap, format, args);
  va_end(args);
  return show_error_box(message);
}

int report_system_error(const wchar_t* format, ...) {
  DWORD code = GetLastError();
  va_list args;
  va_start(args, format);
  std::wstring message = format_text_v(kErrorTextCap, format, args);
  va_end(args);
  message += system_message_text(code);
  if (message.size() > kErrorTextCap - 1) message.resize(kErrorTextCap - 1);
  return show_error_box(message);
}

int message_box(HWND owner, UINT type, const wchar_t* format, ...) {
  std::wstring message = L"NULL";
  if (format && format[0]) {
    va_list args;
    va_start(args, format);
    message = format_text_v(kMessageTextCap, format, args);
    va_end(args);
  }
  return g_modal.message_box(owner, message.c_str(), text(IDS_TITLE), type);
}

void show_status(HWND window, const std::wstring& status) { SetDlgItemTextW(window, IDC_STATUS, status.c_str()); }

void report_file_error(HWND owner, const wchar_t* file_name, int error_number) {
  message_box(owner, MB_OK | MB_ICONWARNING, L"%s: %s (%d)", file_name, _wcserror(error_number), error_number);
}

const wchar_t* system_message_text(DWORD code) {
  if (g_system_text) LocalFree(g_system_text);
  g_system_text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<wchar_t*>(&g_system_text), 0,
                 nullptr);
  if (!g_system_text) return L"";
  for (wchar_t* p = g_system_text; *p; ++p) {
    if (*p != L'\r' && *p != L'\n') continue;
    // A line end that closes the text (CR, LF, CR LF) is cut off.
    if (p[1] == 0 || (p[1] == L'\n' && p[2] == 0)) {
      *p = 0;
      break;
    }
    *p = L' ';
  }
  return g_system_text;
}

}  // namespace mox::shell
