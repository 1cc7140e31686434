// Console tool frame shared by every console program: program name, option
// loop, messages, log file, input reopen, count file.
#pragma once
#include <cstdio>

namespace mox {

// The wide family reads and writes raw UTF-16LE on binary streams; the byte
// family keeps text-mode streams and one byte per character.
enum class Family { wide, byte };

struct Frame {
  const wchar_t* program = L"";
  Family family = Family::wide;
  FILE* log = nullptr;
};
extern Frame g_frame;

void frame_start(const wchar_t* program, Family family);

// Which letters a program knows. Letters are upper-case ASCII.
struct OptionLetters {
  const char* flags = "";            // letters that only set a flag
  const char* valued = "";           // letters that take the next whole argument
  const char* value_optional = "";   // valued letters that may stand last with no value
  const char* char_valued = "";      // letters that take the next character (kept as typed)
  bool column = false;               // a digit starts a column number
  const wchar_t* usage = L"";        // usage format, one %ls for the program name
};

struct OptionState {
  bool set[128] = {};
  int met[128] = {};                 // when the letter was last met (1, 2, ...): of two
                                     // letters that write one setting, the later wins
  const wchar_t* value[128] = {};    // value of a valued letter; last one wins
  wchar_t char_value[128] = {};
  bool has_column = false;
  long column = 0;
  int first_operand = 0;             // index of the first operand in argv
};

enum class ParseStatus { ok, usage, bad_option, missing_value };

struct ParseResult {
  ParseStatus status = ParseStatus::ok;
  wchar_t letter = 0;                // the bad or value-less letter, upper-cased
};

// The option loop without side effects, for tests.
ParseResult scan_options(int argc, wchar_t** argv, const OptionLetters& letters, OptionState& state);

// The option loop as the programs use it: on a usage request, a bad option or
// a missing value it prints the messages and ends the program with status 1.
void parse_options_or_exit(int argc, wchar_t** argv, const OptionLetters& letters, OptionState& state);

inline bool opt(const OptionState& s, char letter) { return s.set[static_cast<unsigned char>(letter)]; }
inline const wchar_t* opt_value(const OptionState& s, char letter) { return s.value[static_cast<unsigned char>(letter)]; }

// Messages to standard error in the family's form; msg_log copies to the log too.
int msg(const wchar_t* fmt, ...);
int msg_log(const wchar_t* fmt, ...);

// Opens the -L log for append ("ab" wide, "a" byte); silently off on failure.
void log_open(const wchar_t* name);
void log_close();

// Replaces standard input with the named file ("rb"). On failure reports
// "can't reopen" to standard error and the log and returns false.
bool stdin_reopen(const wchar_t* operand);

void set_binary(FILE* stream);

// Start of a wide-family program: program name, binary standard streams,
// the option loop and the -L log.
void wide_start(int argc, wchar_t** argv, const OptionLetters& letters, OptionState& options);

// Start of a wide-family list filter: wide_start, then the first operand, if
// any, in place of standard input. False (message written, log closed) when
// it cannot be opened.
bool filter_start(int argc, wchar_t** argv, const OptionLetters& letters, OptionState& options);

// The grouping filters' reports, in this order: -O the files, -T "files,
// groups" on standard error, -F the count file.
void report_counts(const OptionState& options, int files, int groups);

// Flushes standard output. A list that did not reach its file (disk full, a
// closed pipe) must not pass for a whole one: reports "can't write output"
// to standard error and the log and returns false.
bool finish_output();

// Count file: "%d\r\n%d\r\n" in UTF-16LE without byte-order mark. Reports
// "ffp == NULL" and returns false when it cannot be created.
bool write_count_file(const wchar_t* name, int files, int groups);

}  // namespace mox
