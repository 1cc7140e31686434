// widen: the scanner's escaped OEM text to UTF-16LE, repeats dropped.
#include "common/frame.h"
#include "widen.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  OptionLetters letters;
  letters.flags = "O";
  letters.valued = "L";
  letters.usage = L"usage: %ls [-L logfile] dir..\r\n";
  OptionState options;
  if (!filter_start(argc, argv, letters, options)) return 1;
  int lines = widen_run(stdin, stdout);
  bool written = finish_output();
  if (opt(options, 'O')) msg(L"%d\r\n", lines);
  log_close();
  return written ? 0 : 1;
}
