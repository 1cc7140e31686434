// markcheck: checks the marks of a group list, or lists the d-marked lines.
#include "common/byte_lines.h"
#include "common/frame.h"
#include "markcheck.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  frame_start(argv[0], Family::byte);
  OptionLetters letters;
  letters.flags = "F";
  letters.valued = "L";
  letters.char_valued = "SD";
  letters.column = true;
  letters.usage = L"%ls [-N] [-sX] [-dX] [-f] < file \n";
  OptionState options;
  parse_options_or_exit(argc, argv, letters, options);
  MarkOptions marks;
  marks.column = column_or_exit(options, marks.column);
  if (opt(options, 'S')) marks.s_mark = options.char_value['S'];
  if (opt(options, 'D')) marks.d_mark = options.char_value['D'];
  marks.list_mode = opt(options, 'F');
  log_open(opt_value(options, 'L'));
  set_binary(stdin);  // a Ctrl+Z inside a line must not end the input there
  markcheck_run(stdin, stdout, marks);
  bool written = finish_output();
  log_close();
  return written ? 0 : 1;
}
