// Helpers for tests: scratch folders, file bytes, UTF-16LE conversions and
// running the tool set's programs with captured streams.
#pragma once
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace mox::test {

// Folder holding the test program, where every program of the build lands.
std::wstring program_dir();

// A new empty folder under the temporary folder; removed by remove_tree.
std::wstring make_temp_dir(const std::wstring& tag);
void remove_tree(const std::wstring& path);

// RAII scratch folder.
struct TempDir {
  std::wstring path;
  explicit TempDir(const std::wstring& tag) : path(make_temp_dir(tag)) {}
  ~TempDir() { remove_tree(path); }
  std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
};

bool write_file(const std::wstring& path, const std::string& bytes);
std::string read_file(const std::wstring& path);
// The lines of a program's output, each with its line end, sorted: for
// outputs whose order the test does not fix.
std::vector<std::string> sorted_lines(const std::string& text);
// The same lines sorted, to compare with sorted_lines.
std::vector<std::string> sorted(std::vector<std::string> lines);
bool make_dir(const std::wstring& path);

std::string utf16le(const std::wstring& text);
std::wstring from_utf16le(const std::string& bytes);
std::string to_utf8(const std::wstring& text);

struct RunResult {
  int exit_code = -1;
  std::string out;  // standard output bytes
  std::string err;  // standard error bytes
};

// Runs program (a name in program_dir(), or a full path) with the given
// argument text, standard input from the bytes, in folder cwd (the current
// folder when empty). Standard output and error are files, never a console.
// With stdout_writable false, standard output is a handle that refuses writes.
// A program that cannot be started gives exit_code -1 and the reason in err.
// A start that failed and was tried again is said on standard error.
// Says on standard error that starting exe failed (the system's error) and
// is tried again: a retry is never silent.
void report_retry(const std::wstring& exe, unsigned long error);

RunResult run(const std::wstring& program, const std::wstring& args, const std::string& input = "",
              const std::wstring& cwd = L"", bool stdout_writable = true);

// Wine's trash for the tests: XDG_DATA_HOME (kept in the build tree, one per
// test program), made when missing (without it Wine deletes for good what
// was to go to the recycle bin) and emptied, so that what a test finds in
// its Trash\files folder came from that test. Empty when it is not set.
std::wstring trash_folder();

// Seeded random input for the readers' random tests. Every case has its own
// seed, printed by a failing check; MOX_SEED=<seed> in the environment runs
// that case alone.
struct Random {
  unsigned long long state;
  explicit Random(unsigned long long seed) : state(seed) {}
  unsigned long long next();
  size_t below(size_t n);  // 0 to n - 1; 0 when n is 0
};

// The seeds of count cases from first on, or the one MOX_SEED names.
std::vector<unsigned long long> random_seeds(unsigned long long first, int count);

// Up to max_length random bytes, at times biased to line ends, NULs, '?' and
// the bytes of U+FEFF, which the readers treat specially.
std::string random_bytes(Random& r, size_t max_length);

// A valid list made hostile by one to four changes: a line cut short, a line
// doubled, U+FEFF inside a line, a lone surrogate (8-bit lists: a stray high
// byte), a NUL, a line of 100,000 units, a random unit, the final line end
// dropped. unit is 2 for UTF-16LE lists and 1 for 8-bit ones.
std::string mutate_list(Random& r, const std::string& valid, int unit);

// The lines of a list as a reader cleans them. UTF-16LE (unit 2): split at
// the unit LF, a leading U+FEFF removed, cut at the first CR. 8-bit (unit 1),
// as the byte-family programs read them: split at LF, the CR before it
// dropped, one byte a unit.
std::vector<std::wstring> cleaned_lines(const std::string& list, int unit);

// Checks a reader's UTF-16LE output: every line that is not empty carries,
// from unit `offset` on (after a blank), one of the texts in `whole`.
// Returns how many such lines there were.
int count_carried_lines(unsigned long long seed, const std::string& out, const std::set<std::wstring>& whole,
                        size_t offset = 0);

// Checks that every message is a refused line's ("...: line N ... skipped").
void expect_only_refusals(unsigned long long seed, const std::string& err, int unit);

// A line of a mutated list that the mutation left as it was: a whole line of
// the input (line end included) that is a line of the valid list, cleaned as
// cleaned_lines does; number counts the input's lines from 1.
struct InputLine {
  int number;
  std::wstring text;
};
std::vector<InputLine> untouched_lines(const std::string& valid, const std::string& input, int unit);

// Checks that every line came through (through says so) or was reported
// refused by its number ("...: line N ..." in err).
void expect_through_or_refused(unsigned long long seed, const std::vector<InputLine>& lines,
                               const std::function<bool(const InputLine&)>& through, const std::string& err,
                               int unit);

// Valid UTF-16LE lists to start from: size-path lines sorted by size with
// runs of equal sizes, and name-size-path lines sorted by name with runs of
// equal names (groups separated by empty lines when separated is set).
std::string random_size_path_list(Random& r);
std::string random_name_list(Random& r, bool separated);

// Runs a reader in this process: body gets input open for binary reading
// and a scratch file for its output; what it writes to standard error
// meanwhile is captured too.
struct Captured {
  std::string out;
  std::string err;
};
Captured run_reader(const std::string& input, const std::function<void(FILE* in, FILE* out)>& body);

// Wine makes no links of its own (CreateSymbolicLinkW does nothing there):
// tests make them with the host's programs. The host path of a path under
// Wine ("" where there is none), and a host program run by its full path
// (waited for up to 30 s).
std::string unix_path(const std::wstring& path);
void run_unix(const std::wstring& command);
// A host symbolic link at `link` (a Windows path) to the host path `target`;
// false when it did not appear within ten seconds.
bool make_unix_link(const std::string& target, const std::wstring& link);
std::wstring from_utf8(const std::string& text);

// Ends the test program when one test runs longer than the time, for a test
// that hangs (a modal box no one answers, a child that never ends), so that
// a run never blocks CI. The time counts from each test's start (and again
// from its end, for what runs between tests); a program without tests is
// bounded as a whole.
void start_watchdog(unsigned long milliseconds);

// Whether the run is the Japanese one (MOX_LOCALE=japanese). Every test
// program checks before its tests that the OEM code page is the one its
// locale promises (932 Japanese, 437 otherwise), so a machine without the
// Japanese locale fails instead of testing code page 437 twice.
bool japanese_locale();

}  // namespace mox::test
