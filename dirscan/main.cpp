// dirscan: walks folders depth first and writes one size-path line per file
// as escaped OEM text, for the sort and comparison steps that follow.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/frame.h"
#include "common/lines.h"
#include "common/paths.h"
#include "dirscan/filters.h"
#include "dirscan/scan.h"

using namespace mox;

namespace {

void scan_one(const ScanOptions& options, const std::wstring& root) {
  scan_root(options, kSystemScan, canonical_path(root));
}

// Root lists: one root a line; a line beginning with ':' is an unchecked folder.
void scan_list(const ScanOptions& options, FILE* list) {
  static LineReader reader;
  line_reader_init(reader, list);
  std::wstring line;
  while (read_list_line(reader, line))
    if (line.empty() || line[0] != L':') scan_one(options, line);
}

bool is_jpeg_word(const wchar_t* word) {
  return word && CompareStringOrdinal(word, -1, L"jpeg", -1, TRUE) == CSTR_EQUAL;
}

int fail_open(const wchar_t* name) {
  msg_log(L"%ls: can't open %ls\r\n", g_frame.program, name);
  log_close();
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  frame_start(argv[0], Family::wide);
  set_binary(stderr);
  static ScanOptions options;
  read_scan_config(options.settings);

  OptionLetters letters;
  letters.flags = "NWZ01";
  letters.valued = "LXRAE";
  letters.value_optional = "E";  // -E last with no value: no extension filter
  letters.usage = L"usage: %ls [-L logfile] [-x excludefile] dir..\r\n";
  OptionState state;
  parse_options_or_exit(argc, argv, letters, state);

  if (opt(state, 'Z') && options.settings.min_size == 0) options.settings.min_size = 1;
  options.no_recursion = opt(state, 'N');
  options.set_title = opt(state, 'W');
  options.form = state.met['1'] > state.met['0'] ? 1 : 0;  // -1 -0 ends in form 0
  options.jpeg = is_jpeg_word(opt_value(state, 'A'));
  if (opt(state, 'L')) log_open(opt_value(state, 'L'));

  FILE* list = nullptr;
  if (state.first_operand >= argc) {
    list = stdin;
    set_binary(stdin);
  } else if (opt(state, 'R')) {
    list = _wfopen(opt_value(state, 'R'), L"rb");
    if (!list) return fail_open(opt_value(state, 'R'));
  }

  if (opt(state, 'X')) {
    FILE* patterns = _wfopen(opt_value(state, 'X'), L"rb");
    if (!patterns) return fail_open(opt_value(state, 'X'));
    load_patterns(patterns, options.patterns);
    fclose(patterns);
  }

  set_binary(stdout);
  static char out_buffer[1 << 16];
  setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
  ExtensionList extensions;
  if (opt_value(state, 'E')) {
    extensions = parse_extension_list(opt_value(state, 'E'));
    options.extensions = &extensions;
  }

  if (list) {
    scan_list(options, list);
    if (list != stdin) fclose(list);
  } else {
    for (int i = state.first_operand; i < argc; ++i) scan_one(options, argv[i]);
  }

  bool written = finish_output();
  log_close();
  return written ? 0 : 1;
}
