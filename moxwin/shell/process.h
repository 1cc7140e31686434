// Starting programs and documents without waiting for them. The calls go
// through a table so that tests can see what would be started.
#pragma once
#include <windows.h>

namespace mox::shell {

struct Programs {
  // Creates the process (the program, when given, as application name) with
  // inheritable handles in the current folder; 0 or the system error code.
  DWORD (*start)(const wchar_t* program, wchar_t* command_line);
  // Opens a file with its associated program, current folder as start
  // folder, shown normally.
  void (*open_document)(const wchar_t* file);
  // Runs a verb on a file through the shell's extended execute.
  HINSTANCE (*shell_verb)(const wchar_t* file, const wchar_t* verb, ULONG mask);
};

extern const Programs kSystemPrograms;
extern Programs g_programs;

// Creates a child as every start of the program does: inheritable handles,
// the program's environment, current folder and start-up information.
bool create_child(const wchar_t* program, wchar_t* command_line, PROCESS_INFORMATION* child);

// The command line of a program and its arguments: both joined by one blank,
// or whichever is given. Returns 0 or the system error code of the start.
DWORD start_without_waiting(const wchar_t* program, const wchar_t* arguments);

}  // namespace mox::shell
