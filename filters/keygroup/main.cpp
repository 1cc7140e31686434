// keygroup: files with equal names, in groups.
#include "common/frame.h"
#include "keygroup.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  frame_start(argv[0], Family::wide);
  set_binary(stdin);
  set_binary(stdout);
  set_binary(stderr);
  OptionLetters letters;
  letters.flags = "OT";
  letters.valued = "FL";
  letters.usage = L"usage: %ls [-L logfile] dir..\r\n";
  OptionState options;
  parse_options_or_exit(argc, argv, letters, options);
  log_open(opt_value(options, 'L'));
  if (options.first_operand < argc && !stdin_reopen(argv[options.first_operand])) {
    log_close();
    return 1;
  }
  NameGroupCounts counts = keygroup_run(stdin, stdout);
  fflush(stdout);
  if (opt(options, 'O')) msg(L"%d\r\n", counts.files);
  if (opt(options, 'T')) msg(L"%d, %d\r\n", counts.files, counts.groups);
  if (opt(options, 'F')) write_count_file(opt_value(options, 'F'), counts.files, counts.groups);
  log_close();
  return 0;
}
