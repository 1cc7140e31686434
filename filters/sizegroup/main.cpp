// sizegroup: candidates for duplicates by size, as a dated list.
#include "common/frame.h"
#include "sizegroup.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  OptionLetters letters;
  letters.flags = "OT";
  letters.valued = "FL";
  letters.usage = L"usage: %ls [-L logfile] dir..\r\n";
  OptionState options;
  if (!filter_start(argc, argv, letters, options)) return 1;
  GroupCounts counts = sizegroup_run(stdin, stdout);
  bool written = finish_output();
  report_counts(options, counts.files, counts.groups);
  log_close();
  return written ? 0 : 1;
}
