// Test helper: appends the command line it was started with, and a CR LF, to
// recorder.log beside itself (UTF-16LE), so that tests can see what the
// launcher started. Several copies may run at once: the log is opened
// exclusively and the open retried.
#include <windows.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t path[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  wchar_t* name = std::wcsrchr(path, L'\\');
  std::wcscpy(name ? name + 1 : path, L"recorder.log");
  HANDLE log = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 500 && log == INVALID_HANDLE_VALUE; ++attempt) {
    log = CreateFileW(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) Sleep(10);
  }
  if (log == INVALID_HANDLE_VALUE) return 1;
  const wchar_t* line = GetCommandLineW();
  DWORD written = 0;
  WriteFile(log, line, static_cast<DWORD>(std::wcslen(line) * sizeof(wchar_t)), &written, nullptr);
  WriteFile(log, L"\r\n", 2 * sizeof(wchar_t), &written, nullptr);
  CloseHandle(log);
  return 0;
}
