// sizesum: candidates for duplicates by size, with their byte totals.
#include "common/console.h"
#include "common/frame.h"
#include "sizesum.h"

using namespace mox;

namespace {

// Same layout as the count file, with the on-disk total as line 2; silent
// when the file cannot be created.
void write_totals_file(const wchar_t* name, const SizeTotals& totals) {
  FILE* f = _wfopen(name, L"wb");
  if (!f) return;
  con_printf(f, L"%d\r\n%llu\r\n", totals.lines, totals.on_disk);
  fclose(f);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  frame_start(argv[0], Family::wide);
  set_binary(stdin);
  set_binary(stdout);
  set_binary(stderr);
  OptionLetters letters;
  letters.flags = "ON";
  letters.valued = "FL";
  letters.usage = L"usage: %ls [-o] [-L logfile]\n";
  OptionState options;
  parse_options_or_exit(argc, argv, letters, options);
  log_open(opt_value(options, 'L'));
  if (options.first_operand < argc && !stdin_reopen(argv[options.first_operand])) {
    log_close();
    return 1;
  }
  find_compressed_size_service();
  SizeTotals totals = sizesum_run(stdin, stdout);
  fflush(stdout);
  if (opt(options, 'O')) msg(L"%d, %llu\r\n", totals.lines, totals.nominal);
  if (opt(options, 'F')) write_totals_file(opt_value(options, 'F'), totals);
  log_close();
  return 0;
}
