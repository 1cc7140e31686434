// purge: deletes the files a list names; lists the ones it did not delete.
#include "common/frame.h"
#include "common/byte_lines.h"
#include "purge.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  frame_start(argv[0], Family::byte);
  OptionLetters letters;
  letters.flags = "R";
  letters.valued = "L";
  letters.column = true;
  letters.usage = L"%ls [-r] [-N] [-L logfile] key key key < file \n";
  OptionState options;
  parse_options_or_exit(argc, argv, letters, options);
  log_open(opt_value(options, 'L'));
  set_binary(stdin);  // a Ctrl+Z inside a line must not end the input there
  // Three operands guard against a slip of the hand; their text is unused.
  if (argc - options.first_operand != 3) {
    msg(letters.usage, g_frame.program);
    log_close();
    return 1;
  }
  PurgeOptions purge;
  purge.column = column_or_exit(options, purge.column);
  purge.force = opt(options, 'R');
  purge_run(stdin, stdout, purge, g_system_fs);
  bool written = finish_output();
  log_close();
  return written ? 0 : 1;
}
