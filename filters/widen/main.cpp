// widen: the scanner's escaped OEM text to UTF-16LE, repeats dropped.
#include "common/frame.h"
#include "widen.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  frame_start(argv[0], Family::wide);
  set_binary(stdin);
  set_binary(stdout);
  set_binary(stderr);
  OptionLetters letters;
  letters.flags = "O";
  letters.valued = "L";
  letters.usage = L"usage: %ls [-L logfile] dir..\r\n";
  OptionState options;
  parse_options_or_exit(argc, argv, letters, options);
  log_open(opt_value(options, 'L'));
  if (options.first_operand < argc && !stdin_reopen(argv[options.first_operand])) {
    log_close();
    return 1;
  }
  int written = widen_run(stdin, stdout);
  fflush(stdout);
  if (opt(options, 'O')) msg(L"%d\r\n", written);
  log_close();
  return 0;
}
