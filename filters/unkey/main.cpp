// unkey: name-size-path lines to the dated list.
#include "common/frame.h"
#include "unkey.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  frame_start(argv[0], Family::wide);
  set_binary(stdin);
  set_binary(stdout);
  set_binary(stderr);
  OptionLetters letters;
  letters.valued = "L";
  letters.usage = L"usage: %ls [-L logfile] dir..\r\n";
  OptionState options;
  parse_options_or_exit(argc, argv, letters, options);
  log_open(opt_value(options, 'L'));
  if (options.first_operand < argc && !stdin_reopen(argv[options.first_operand])) {
    log_close();
    return 1;
  }
  unkey_run(stdin, stdout);
  log_close();
  return 0;
}
