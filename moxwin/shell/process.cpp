#include "moxwin/shell/process.h"

#include <shellapi.h>

#include <string>


namespace mox::shell {

namespace {

DWORD system_start(const wchar_t* program, wchar_t* command_line) {
  PROCESS_INFORMATION process{};
  if (!create_child(program, command_line, &process)) return GetLastError();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

void system_open_document(const wchar_t* file) {
  wchar_t folder[MAX_PATH * 4];
  DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, folder);
  ShellExecuteW(nullptr, nullptr, file, nullptr, length && length < MAX_PATH * 4 ? folder : nullptr, SW_SHOWNORMAL);
}

HINSTANCE system_shell_verb(const wchar_t* file, const wchar_t* verb, ULONG mask) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = mask;
  info.lpVerb = verb;
  info.lpFile = file;
  info.nShow = SW_SHOW;
  ShellExecuteExW(&info);
  return info.hInstApp;
}

}  // namespace

bool create_child(const wchar_t* program, wchar_t* command_line, PROCESS_INFORMATION* child) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  return CreateProcessW(program, command_line, &inheritable, &inheritable, TRUE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, child) != 0;
}

const Programs kSystemPrograms = {system_start, system_open_document, system_shell_verb};
Programs g_programs = kSystemPrograms;

DWORD start_without_waiting(const wchar_t* program, const wchar_t* arguments) {
  std::wstring line;
  if (program) line = program;
  if (program && arguments) line += L' ';
  if (arguments) line += arguments;
  return g_programs.start(program, line.data());
}

}  // namespace mox::shell
