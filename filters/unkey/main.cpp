// unkey: name-size-path lines to the dated list.
#include "common/frame.h"
#include "unkey.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  OptionLetters letters;
  letters.valued = "L";
  letters.usage = L"usage: %ls [-L logfile] dir..\r\n";
  OptionState options;
  if (!filter_start(argc, argv, letters, options)) return 1;
  unkey_run(stdin, stdout);
  bool written = finish_output();
  log_close();
  return written ? 0 : 1;
}
