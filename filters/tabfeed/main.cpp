// tabfeed: imports a tab-separated .dat duplicate list as dlist.txt and
// list5.txt in the current folder.
#include "common/frame.h"
#include "dialog.h"
#include "tabfeed.h"

using namespace mox;

int wmain(int argc, wchar_t** argv) {
  OptionLetters letters;
  letters.flags = "O";
  letters.valued = "L";
  letters.usage = L"usage: %ls [file]\r\n";
  OptionState options;
  wide_start(argc, argv, letters, options);
  static wchar_t chosen[kDatNameCap];
  const wchar_t* input = options.first_operand < argc ? argv[options.first_operand] : nullptr;
  if (!input) {
    if (!choose_dat_file(chosen) || chosen[0] == 0) {
      log_close();
      return 1;
    }
    input = chosen;
  }
  if (!stdin_reopen(input)) {
    log_close();
    return 1;
  }
  FILE* dlist = _wfopen(L"dlist.txt", L"wb");
  if (!dlist) {
    msg_log(L"%ls: can't create %ls\r\n", g_frame.program, L"dlist.txt");
    log_close();
    return 1;
  }
  TabCounts counts;
  bool written = tabfeed_run(stdin, dlist, counts);
  if (fclose(dlist) != 0 || !written) {
    msg_log(L"%ls: can't write %ls\r\n", g_frame.program, L"dlist.txt");
    log_close();
    return 1;
  }
  write_count_file(L"list5.txt", counts.files, counts.groups);
  log_close();
  return 0;
}
