#include "frame.h"

#include <fcntl.h>
#include <io.h>

#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "console.h"

namespace mox {

Frame g_frame;

void frame_start(const wchar_t* program, Family family) {
  g_frame.program = program ? program : L"";
  g_frame.family = family;
  g_frame.log = nullptr;
}

namespace {

bool has_letter(const char* set, wchar_t c) {
  return c > 0 && c < 128 && set && std::strchr(set, static_cast<char>(c)) != nullptr;
}

wchar_t upper_ascii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

bool is_switch(const wchar_t* arg) { return arg[0] == L'-' || arg[0] == L'/'; }

// The longest decimal number at p (a fraction or exponent is accepted),
// truncated toward zero; a column past any line stays as large as a long
// holds. wcstod alone would also take "0x..." as hexadecimal.
long read_column(const wchar_t* p, const wchar_t** end) {
  if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) {
    *end = p + 1;
    return 0;
  }
  wchar_t* after = nullptr;
  double number = std::wcstod(p, &after);
  *end = after;
  return number >= static_cast<double>(LONG_MAX) ? LONG_MAX : static_cast<long>(number);
}

int vmsg(FILE* stream, const wchar_t* fmt, va_list args) {
  return g_frame.family == Family::wide ? con_vprintf(stream, fmt, args) : byte_vprintf(stream, fmt, args);
}

// The frame's own texts end in "\r\n" for the wide family, "\n" for the byte family.
const wchar_t* eol() { return g_frame.family == Family::wide ? L"\r\n" : L"\n"; }

}  // namespace

ParseResult scan_options(int argc, wchar_t** argv, const OptionLetters& letters, OptionState& state) {
  int i = 1;
  int met = 0;
  while (i < argc && is_switch(argv[i])) {
    const wchar_t* arg = argv[i];
    if (std::wcscmp(arg, L"--") == 0) {
      ++i;
      break;
    }
    int next = i + 1;  // values come from the next unused arguments, in letter order
    for (const wchar_t* p = arg + 1; *p;) {
      wchar_t c = upper_ascii(*p);
      if (c == L'-' || c == L'/') {
        ++p;
      } else if (letters.column && c >= L'0' && c <= L'9') {
        state.column = read_column(p, &p);
        state.has_column = true;
      } else if (c == L'H' || c == L'?') {
        return {ParseStatus::usage, c};
      } else if (has_letter(letters.char_valued, c)) {
        if (p[1] == 0) return {ParseStatus::missing_value, c};
        state.set[c] = true;
        state.met[c] = ++met;
        state.char_value[c] = p[1];
        p += 2;
      } else if (has_letter(letters.valued, c)) {
        state.set[c] = true;
        state.met[c] = ++met;
        if (next < argc) {
          state.value[c] = argv[next++];
        } else if (!has_letter(letters.value_optional, c)) {
          return {ParseStatus::missing_value, c};
        }
        ++p;
      } else if (has_letter(letters.flags, c)) {
        state.set[c] = true;
        state.met[c] = ++met;
        ++p;
      } else {
        return {ParseStatus::bad_option, c};
      }
    }
    i = next;
  }
  state.first_operand = i;
  return {};
}

void parse_options_or_exit(int argc, wchar_t** argv, const OptionLetters& letters, OptionState& state) {
  ParseResult r = scan_options(argc, argv, letters, state);
  if (r.status == ParseStatus::ok) return;
  const wchar_t* name = g_frame.program;
  wchar_t line[160];
  switch (r.status) {
    case ParseStatus::usage:
      msg(letters.usage, name);
      break;
    case ParseStatus::bad_option:
      std::swprintf(line, 160, L"%%ls: bad option %%lc%ls", eol());
      msg(line, name, r.letter);
      std::swprintf(line, 160, L"for more infomation: %%ls /?%ls", eol());
      msg(line, name);
      break;
    case ParseStatus::missing_value:
      std::swprintf(line, 160, L"%%ls: option %%lc needs a value%ls", eol());
      msg(line, name, r.letter);
      std::swprintf(line, 160, L"for more infomation: %%ls /?%ls", eol());
      msg(line, name);
      break;
    case ParseStatus::ok:
      break;
  }
  fflush(stderr);
  std::exit(1);
}

int msg(const wchar_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = vmsg(stderr, fmt, args);
  va_end(args);
  return n;
}

int msg_log(const wchar_t* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  int n = vmsg(stderr, fmt, args);
  va_end(args);
  if (g_frame.log) {
    va_start(args, fmt);
    vmsg(g_frame.log, fmt, args);
    va_end(args);
    fflush(g_frame.log);
  }
  return n;
}

void log_open(const wchar_t* name) {
  if (!name) return;
  g_frame.log = _wfopen(name, g_frame.family == Family::wide ? L"ab" : L"a");
}

void log_close() {
  if (g_frame.log) fclose(g_frame.log);
  g_frame.log = nullptr;
}

bool stdin_reopen(const wchar_t* operand) {
  if (_wfreopen(operand, L"rb", stdin)) return true;
  wchar_t line[64];
  std::swprintf(line, 64, L"%%ls: can't reopen %%ls%ls", eol());
  msg_log(line, g_frame.program, operand);
  return false;
}

void set_binary(FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

void wide_start(int argc, wchar_t** argv, const OptionLetters& letters, OptionState& options) {
  frame_start(argv[0], Family::wide);
  set_binary(stdin);
  set_binary(stdout);
  set_binary(stderr);
  parse_options_or_exit(argc, argv, letters, options);
  log_open(opt_value(options, 'L'));
}

bool filter_start(int argc, wchar_t** argv, const OptionLetters& letters, OptionState& options) {
  wide_start(argc, argv, letters, options);
  if (options.first_operand < argc && !stdin_reopen(argv[options.first_operand])) {
    log_close();
    return false;
  }
  return true;
}

void report_counts(const OptionState& options, int files, int groups) {
  if (opt(options, 'O')) msg(L"%d\r\n", files);
  if (opt(options, 'T')) msg(L"%d, %d\r\n", files, groups);
  if (opt(options, 'F')) write_count_file(opt_value(options, 'F'), files, groups);
}

bool finish_output() {
  if (fflush(stdout) == 0 && !ferror(stdout)) return true;
  wchar_t line[64];
  std::swprintf(line, 64, L"%%ls: can't write output%ls", eol());
  msg_log(line, g_frame.program);
  return false;
}

bool write_count_file(const wchar_t* name, int files, int groups) {
  FILE* f = _wfopen(name, L"wb");
  if (!f) {
    msg(L"ffp == NULL\r\n");
    return false;
  }
  con_printf(f, L"%d\r\n%d\r\n", files, groups);
  return fclose(f) == 0;
}

}  // namespace mox
