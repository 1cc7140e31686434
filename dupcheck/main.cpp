// dupcheck: reads a size-sorted list of size-path lines and writes the sets
// of files whose contents are byte-for-byte equal.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "common/console.h"
#include "common/frame.h"
#include "common/lines.h"
#include "dupcheck/compare.h"
#include "dupcheck/file_access.h"
#include "dupcheck/grouping.h"
#include "dupcheck/output.h"
#include "dupcheck/settings.h"

namespace mox {
namespace {

struct Run {
  Engine* engine;
  SetSink sink;
  bool progress;
};

bool compare_candidates(void* ctx, EntryList& list, uint64_t size, long line_number) {
  auto* run = static_cast<Run*>(ctx);
  if (run->progress) msg(L"\r%ld ", line_number);
  return compare_run(*run->engine, list, size, run->sink);
}

// Reads and groups the whole input; false when the run had to end early.
bool check_input(Engine& engine, ListOutput& output, bool progress) {
  static LineReader reader;
  static wchar_t line[kLineCap];
  static Grouper grouper;
  Run run{&engine, list_output_sink(output), progress};
  RunHandler handler{compare_candidates, &run};
  line_reader_init(reader, stdin);
  bool too_long = false;
  while (read_list_line(reader, line, &too_long))
    if (!grouper_line(grouper, line, too_long, handler)) return false;
  return grouper_finish(grouper, handler);
}

int dupcheck_main(int argc, wchar_t** argv) {
  OptionLetters letters;
  letters.flags = "TVWBMS";
  letters.valued = "FLA";
  letters.usage = L"usage: %ls [-btv] [-f outfile] [-L logfile]\r\n";
  static OptionState options;
  wide_start(argc, argv, letters, options);
  uint32_t buffer_size = read_buffer_setting();

  const wchar_t* count_file = opt_value(options, 'F');
  int64_t total = count_file ? read_count_total(count_file) : 0;

  EngineConfig cfg;
  cfg.buffer_size = buffer_size;
  cfg.keep_first = opt(options, 'M');
  cfg.same_file = opt(options, 'S');
  cfg.title = opt(options, 'W');
  const wchar_t* mode = opt_value(options, 'A');
  cfg.jpeg = mode && _wcsicmp(mode, L"jpeg") == 0;
  // JPEG tails start anywhere and are read in 512-byte steps, which disks
  // with larger sectors refuse without the cache; they are small anyway.
  cfg.cached = opt(options, 'B') || cfg.jpeg || total_fits_in_memory(total, system_free_memory());

  Buffers buffers;
  if (!buffers_alloc(buffer_size, cfg.jpeg, &buffers)) {
    msg_log(L"%ls: can't allocate buffer\r\n", g_frame.program);
    log_close();
    return 1;
  }
  if (options.first_operand < argc && !stdin_reopen(argv[options.first_operand])) {
    buffers_free(buffers);
    log_close();
    return 1;
  }
  static Engine engine;
  engine_setup(engine, &kSystemFileOps, cfg, buffers, system_page_size());

  ListOutput output;
  output.stream = stdout;
  con_printf(stdout, L"\xFEFF");
  bool finished = check_input(engine, output, opt(options, 'V'));
  bool written = finish_output();
  buffers_free(buffers);
  if (!finished) {
    log_close();
    return 1;
  }

  if (opt(options, 'V')) msg(L"\r\n");
  if (opt(options, 'T')) msg(L"%d, %d\r\n", output.files, output.groups);
  int status = written ? 0 : 1;
  if (count_file && !write_count_file(count_file, output.files, output.groups)) {
    // The front end would show stale counts: say so and fail the run.
    msg_log(L"%ls: can't write count file %ls\r\n", g_frame.program, count_file);
    status = 1;
  }
  log_close();
  return status;
}

}  // namespace
}  // namespace mox

int wmain(int argc, wchar_t** argv) { return mox::dupcheck_main(argc, argv); }
