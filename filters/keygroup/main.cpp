// keygroup: files with equal names, in groups.
#include "common/frame.h"
#include "keygroup.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  OptionLetters letters;
  letters.flags = "OT";
  letters.valued = "FL";
  letters.usage = L"usage: %ls [-L logfile] dir..\r\n";
  OptionState options;
  if (!filter_start(argc, argv, letters, options)) return 1;
  GroupCounts counts = keygroup_run(stdin, stdout);
  bool written = finish_output();
  report_counts(options, counts.files, counts.groups);
  log_close();
  return written ? 0 : 1;
}
