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
  OptionLetters letters;
  letters.flags = "ON";
  letters.valued = "FL";
  letters.usage = L"usage: %ls [-o] [-L logfile]\n";
  OptionState options;
  if (!filter_start(argc, argv, letters, options)) return 1;
  find_compressed_size_service();
  SizeTotals totals = sizesum_run(stdin, stdout);
  bool written = finish_output();
  if (opt(options, 'O')) msg(L"%d, %llu\r\n", totals.lines, totals.nominal);
  if (opt(options, 'F')) write_totals_file(opt_value(options, 'F'), totals);
  log_close();
  return written ? 0 : 1;
}
