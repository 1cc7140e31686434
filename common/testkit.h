// Helpers for tests: scratch folders, file bytes, UTF-16LE conversions and
// running the tool set's programs with captured streams.
#pragma once
#include <string>

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
RunResult run(const std::wstring& program, const std::wstring& args, const std::string& input = "",
              const std::wstring& cwd = L"", bool stdout_writable = true);

// Wine's trash for the tests: XDG_DATA_HOME (kept in the build tree, one per
// test program), made when missing (without it Wine deletes for good what
// was to go to the recycle bin) and emptied, so that what a test finds in
// its Trash\files folder came from that test. Empty when it is not set.
std::wstring trash_folder();

// Ends the test program after the time, for a test that hangs (a modal box
// no one answers, a child that never ends), so that a run never blocks CI.
void start_watchdog(unsigned long milliseconds);

}  // namespace mox::test
