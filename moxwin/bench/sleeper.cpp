// Benchmark helper: a program line that works for a while and ends well,
// without the command interpreter (whose wait commands Wine lacks).
//   sleeper [seconds]   default 30
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  Sleep(static_cast<DWORD>(1000 * (argc > 1 ? _wtoi(argv[1]) : 30)));
  return 0;
}
