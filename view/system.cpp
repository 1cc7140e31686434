// The launcher's edges: message boxes, the shell, process start, files and
// the string table.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

#include "common/lines.h"
#include "common/paths.h"
#include "view/view.h"

namespace mox::view {

namespace {

int message_box(const wchar_t* text, const wchar_t* caption) {
  return MessageBoxW(nullptr, text, caption, MB_OKCANCEL | MB_ICONEXCLAMATION);
}

intptr_t shell_open(const wchar_t* file, const wchar_t* directory) {
  return reinterpret_cast<intptr_t>(ShellExecuteW(nullptr, nullptr, file, nullptr, directory, SW_SHOWNORMAL));
}

// Started without waiting; the child inherits the launcher's handles.
unsigned long start_program(wchar_t* command_line) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line, &inheritable, &inheritable, TRUE,
                      CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process))
    return GetLastError();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

std::wstring load_string(HINSTANCE module, unsigned id, int cap) {
  std::vector<wchar_t> buffer(static_cast<size_t>(cap));
  int length = LoadStringW(module, id, buffer.data(), cap);
  return std::wstring(buffer.data(), length > 0 ? static_cast<size_t>(length) : 0);
}

}  // namespace

const System kRealSystem = {message_box, shell_open, start_program};
System g_system = kRealSystem;

bool association_path(wchar_t (&path)[kModulePathCap]) {
  DWORD length = GetModuleFileNameW(nullptr, path, kModulePathCap);
  // A full buffer means the path was cut.
  if (length < 3 || length >= static_cast<DWORD>(kModulePathCap)) return false;
  std::wmemcpy(path + length - 3, L"prg", 3);
  return true;
}

Associations read_association_file(const wchar_t* path) {
  Associations assoc;
  FILE* file = _wfopen(path, L"r");
  if (!file) return assoc;
  char line[kAssociationLineCap];
  wchar_t wide[kAssociationLineCap];
  while (std::fgets(line, sizeof line, file)) {
    if (MultiByteToWideChar(CP_OEMCP, MB_PRECOMPOSED, line, -1, wide, kAssociationLineCap) == 0) continue;
    add_association_line(assoc, wide);
  }
  std::fclose(file);
  return assoc;
}

std::vector<std::wstring> read_list_file(const wchar_t* path) {
  std::vector<std::wstring> arguments;
  // A plain "COM1" or "aux.txt" would be read from the device, for ever.
  if (!plain_path_reaches(path)) return arguments;
  FILE* file = _wfopen(path, L"rb");
  if (!file) return arguments;
  static LineReader reader;
  line_reader_init(reader, file);
  wchar_t piece[kListLineCap];
  while (read_wide_line(reader, piece, kListLineCap) >= 0 && add_list_line(arguments, piece)) {
  }
  std::fclose(file);
  return arguments;
}

const wchar_t* current_directory(wchar_t (&buffer)[kDirectoryCap]) {
  DWORD length = GetCurrentDirectoryW(kDirectoryCap, buffer);
  return length > 0 && length < static_cast<DWORD>(kDirectoryCap) ? buffer : nullptr;
}

Texts load_texts(void* module) {
  HINSTANCE instance = static_cast<HINSTANCE>(module);
  Texts texts;
  texts.caption = load_string(instance, kStringCaption, kFormatCap);
  texts.shell_failed = load_string(instance, kStringShellFailed, kFormatCap);
  texts.start_failed = load_string(instance, kStringStartFailed, kFormatCap);
  texts.pipe_message = load_string(instance, kStringPipeMessage, kFormatCap);
  texts.command_too_long = load_string(instance, kStringCommandTooLong, 64);
  set_fallback_errors(texts);
  static wchar_t table[kErrorTableCap];
  if (LoadStringW(instance, kStringErrorTable, table, kErrorTableCap) > 0) set_errors_from_table(texts, table);
  return texts;
}

}  // namespace mox::view
