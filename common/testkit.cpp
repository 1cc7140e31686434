#include "testkit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iterator>

#include "common/frame.h"
#include "common/paths.h"

namespace mox::test {

std::wstring program_dir() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring make_temp_dir(const std::wstring& tag) {
  static std::atomic<int> counter{0};
  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  for (;;) {
    std::wstring path = std::wstring(tmp) + L"mox-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                        std::to_wstring(counter++);
    if (CreateDirectoryW(path.c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return path;
  }
}

// Through the \\?\ form, so that names a plain path would alter ("a.",
// "aux") go too.
void remove_tree(const std::wstring& plain) {
  std::wstring path = extended_path(plain);
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        remove_tree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(h, &data));
    FindClose(h);
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(path.c_str());
}

bool write_file(const std::wstring& path, const std::string& bytes) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

std::string read_file(const std::wstring& path) {
  std::string bytes;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return bytes;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  fclose(f);
  return bytes;
}

std::vector<std::string> sorted_lines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(at, end - at));
    at = end;
  }
  return sorted(std::move(lines));
}

std::vector<std::string> sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

bool make_dir(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

std::string utf16le(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

std::wstring from_utf16le(const std::string& bytes) {
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  return text;
}

std::string to_utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

void report_retry(const std::wstring& exe, unsigned long error) {
  std::fprintf(stderr, "testkit: starting %s failed (error %lu), trying again\n", to_utf8(exe).c_str(), error);
  std::fflush(stderr);
}

RunResult run(const std::wstring& program, const std::wstring& args, const std::string& input,
              const std::wstring& cwd, bool stdout_writable) {
  RunResult result;
  TempDir io(L"run");
  std::wstring in_path = io / L"in", out_path = io / L"out", err_path = io / L"err";
  write_file(in_path, input);
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE in = CreateFileW(in_path.c_str(), GENERIC_READ, FILE_SHARE_READ, &sa, OPEN_EXISTING, 0, nullptr);
  HANDLE out = CreateFileW(out_path.c_str(), stdout_writable ? GENERIC_WRITE : GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS, 0, nullptr);
  HANDLE err = CreateFileW(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  std::wstring exe = program.find_first_of(L"\\/:") == std::wstring::npos ? program_dir() + L"\\" + program : program;
  if (exe.size() < 4 || _wcsicmp(exe.c_str() + exe.size() - 4, L".exe") != 0) exe += L".exe";
  std::wstring cmd = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  // Under a loaded Wine a process start now and then fails for no reason of
  // the program's: try again a few times, and say so when it never starts.
  bool started = false;
  DWORD start_error = 0;
  for (int attempt = 0; attempt < 3 && !started; ++attempt) {
    if (attempt > 0) {
      report_retry(exe, start_error);
      Sleep(200);
    }
    started = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             cwd.empty() ? nullptr : cwd.c_str(), &si, &pi) != 0;
    if (!started) start_error = GetLastError();
  }
  if (started) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    result.exit_code = static_cast<int>(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  result.out = read_file(out_path);
  result.err = started ? read_file(err_path) : "CreateProcessW failed: " + std::to_string(start_error);
  return result;
}

std::wstring trash_folder() {
  wchar_t home[MAX_PATH] = L"";
  DWORD length = GetEnvironmentVariableW(L"XDG_DATA_HOME", home, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring folder = L"Z:" + std::wstring(home);
  for (wchar_t& c : folder) c = c == L'/' ? L'\\' : c;
  CreateDirectoryW(folder.c_str(), nullptr);
  remove_tree(folder + L"\\Trash");
  return folder;
}

unsigned long long Random::next() {
  // splitmix64: every seed, 0 included, gives a full-period sequence.
  unsigned long long z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

size_t Random::below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(next() % n); }

std::vector<unsigned long long> random_seeds(unsigned long long first, int count) {
  wchar_t text[32];
  DWORD n = GetEnvironmentVariableW(L"MOX_SEED", text, 32);
  if (n > 0 && n < 32) return {std::wcstoull(text, nullptr, 10)};
  std::vector<unsigned long long> seeds;
  for (int i = 0; i < count; ++i) seeds.push_back(first + static_cast<unsigned long long>(i));
  return seeds;
}

std::string random_bytes(Random& r, size_t max_length) {
  static const char kSpecial[] = {'\n', '\r', '\0', '?', '\xFF', '\xFE', '|', '\t', ' ', '0', ':', '\\'};
  size_t length = r.below(max_length + 1);
  std::string bytes(length, '\0');
  for (char& b : bytes)
    b = r.below(4) == 0 ? kSpecial[r.below(sizeof kSpecial)] : static_cast<char>(r.below(256));
  return bytes;
}

namespace {

// One unit of the list's width, little-endian.
std::string unit_bytes(unsigned value, int unit) {
  if (unit == 1) return std::string(1, static_cast<char>(value & 0xFF));
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

bool is_lf(const std::string& list, size_t at, int unit) {
  return list[at] == '\n' && (unit == 1 || list[at + 1] == '\0');
}

// Lines with their LF; a last line without one stands as it is.
std::vector<std::string> split_units(const std::string& list, int unit) {
  std::vector<std::string> lines;
  size_t start = 0, at = 0;
  for (; at + static_cast<size_t>(unit) <= list.size(); at += static_cast<size_t>(unit))
    if (is_lf(list, at, unit)) {
      lines.push_back(list.substr(start, at + static_cast<size_t>(unit) - start));
      start = at + static_cast<size_t>(unit);
    }
  if (start < list.size()) lines.push_back(list.substr(start));
  return lines;
}

size_t unit_offset(Random& r, const std::string& line, int unit) {
  return r.below(line.size() / static_cast<size_t>(unit) + 1) * static_cast<size_t>(unit);
}

}  // namespace

std::string mutate_list(Random& r, const std::string& valid, int unit) {
  std::vector<std::string> lines = split_units(valid, unit);
  if (lines.empty()) lines.emplace_back();
  const std::string bom = unit == 2 ? std::string("\xFF\xFE") : std::string("\xEF\xBB\xBF");
  const std::string lf = unit_bytes('\n', unit);
  for (size_t changes = 1 + r.below(4); changes > 0; --changes) {
    size_t i = r.below(lines.size());
    std::string& line = lines[i];
    size_t at = unit_offset(r, line, unit);
    switch (r.below(8)) {
      case 0:  // cut short, the line end kept or not
        line = line.substr(0, at) + (r.below(2) ? lf : std::string());
        break;
      case 1:
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), line);
        break;
      case 2:
        line.insert(at, bom);
        break;
      case 3:
        line.insert(at, unit == 2 ? unit_bytes(0xD800 + static_cast<unsigned>(r.below(0x800)), 2)
                                  : unit_bytes(0x80 + static_cast<unsigned>(r.below(0x80)), 1));
        break;
      case 4:
        line.insert(at, unit_bytes(0, unit));
        break;
      case 5: {  // 100,000 units that begin like the line
        std::string longer = line.substr(0, at);
        while (longer.size() < 100000 * static_cast<size_t>(unit)) longer += unit_bytes('x', unit);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(i), longer + unit_bytes('\r', unit) + lf);
        break;
      }
      case 6:
        if (at < line.size()) line.replace(at, static_cast<size_t>(unit), unit_bytes(static_cast<unsigned>(r.next()), unit));
        break;
      default: {  // no final line end
        std::string& last = lines.back();
        const size_t width = static_cast<size_t>(unit);
        for (char end : {'\n', '\r'})
          if (last.size() >= width && last.compare(last.size() - width, width, unit_bytes(end, unit)) == 0)
            last.resize(last.size() - width);
        break;
      }
    }
  }
  std::string out;
  for (const std::string& line : lines) out += line;
  return out;
}

std::vector<std::wstring> cleaned_lines(const std::string& list, int unit) {
  std::vector<std::wstring> out;
  for (const std::string& piece : split_units(list, unit)) {
    std::wstring line;
    if (unit == 2)
      line = from_utf16le(piece);
    else
      for (char c : piece) line += static_cast<wchar_t>(static_cast<unsigned char>(c));
    if (unit == 1) {
      if (!line.empty() && line.back() == L'\n') line.pop_back();
      if (!line.empty() && line.back() == L'\r') line.pop_back();
    } else {
      if (!line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
      size_t end = line.find_first_of(L"\r\n");
      if (end != std::wstring::npos) line.resize(end);
    }
    out.push_back(line);
  }
  return out;
}

int count_carried_lines(unsigned long long seed, const std::string& out, const std::set<std::wstring>& whole,
                        size_t offset) {
  int lines = 0;
  for (const std::wstring& line : cleaned_lines(out, 2)) {
    if (line.empty()) continue;
    ++lines;
    if (offset > 0) {
      EXPECT_GT(line.size(), offset) << "seed " << seed << ": " << to_utf8(line.substr(0, 100));
      if (line.size() <= offset) continue;
      EXPECT_EQ(line[offset - 1], L' ') << "seed " << seed << ": " << to_utf8(line.substr(0, 100));
    }
    EXPECT_TRUE(whole.count(line.substr(offset))) << "seed " << seed << ": " << to_utf8(line.substr(0, 100));
  }
  return lines;
}

void expect_only_refusals(unsigned long long seed, const std::string& err, int unit) {
  for (const std::wstring& m : cleaned_lines(err, unit))
    EXPECT_TRUE(m.rfind(L": line ", 0) == 0 && m.find(L" skipped") != std::wstring::npos)
        << "seed " << seed << ": " << to_utf8(m);
}

std::vector<InputLine> untouched_lines(const std::string& valid, const std::string& input, int unit) {
  std::multiset<std::string> left;
  for (const std::string& piece : split_units(valid, unit))
    if (is_lf(piece, piece.size() - static_cast<size_t>(unit), unit)) left.insert(piece);
  std::vector<InputLine> lines;
  int number = 0;
  for (const std::string& piece : split_units(input, unit)) {
    ++number;
    auto same = left.find(piece);
    if (same == left.end() || !is_lf(piece, piece.size() - static_cast<size_t>(unit), unit)) continue;
    left.erase(same);
    lines.push_back({number, cleaned_lines(piece, unit)[0]});
  }
  return lines;
}

void expect_through_or_refused(unsigned long long seed, const std::vector<InputLine>& lines,
                               const std::function<bool(const InputLine&)>& through, const std::string& err,
                               int unit) {
  std::set<int> refused;
  for (const std::wstring& m : cleaned_lines(err, unit)) {
    size_t at = m.find(L": line ");
    if (at != std::wstring::npos) refused.insert(static_cast<int>(std::wcstol(m.c_str() + at + 7, nullptr, 10)));
  }
  for (const InputLine& line : lines)
    EXPECT_TRUE(through(line) || refused.count(line.number))
        << "seed " << seed << ": line " << line.number << " lost: " << to_utf8(line.text.substr(0, 100));
}

namespace {

// A path below C:\d, now and then with names no single code page holds.
std::wstring random_path(Random& r) {
  static const wchar_t* const kNames[] = {L"a.txt", L"\u00E9t\u00E9.doc", L"\u65E5\u672C.jpg", L"x y.bin",
                                          L"\U0001F600.png"};
  std::wstring path = L"C:\\d";
  for (size_t depth = r.below(3); depth > 0; --depth) path += L"\\sub" + std::to_wstring(r.below(5));
  return path + L"\\" + std::to_wstring(r.below(100)) + kNames[r.below(std::size(kNames))];
}

std::wstring size20(unsigned long long size) {
  wchar_t digits[24];
  std::swprintf(digits, 24, L"%020llu", size);
  return digits;
}

}  // namespace

std::string random_size_path_list(Random& r) {
  std::wstring text;
  unsigned long long size = r.below(3);
  for (size_t lines = 1 + r.below(30); lines > 0; --lines) {
    if (r.below(3) == 0) size += 1 + r.below(1000);
    text += size20(size) + (r.below(4) == 0 ? L"c" : L" ") + random_path(r) + L"\r\n";
  }
  return utf16le(text);
}

std::string random_name_list(Random& r, bool separated) {
  std::wstring text;
  int name = 0;
  for (size_t lines = 1 + r.below(30); lines > 0; --lines) {
    if (r.below(3) == 0) {
      ++name;
      if (separated) text += L"\r\n";
    }
    std::wstring field = L"n" + std::to_wstring(name) + (name % 3 ? L".txt" : L"\u00E9.TXT");
    if (r.below(10) == 0) field += std::wstring(80, L'w');  // longer than its 70 columns
    field.resize(field.size() < 70 ? 70 : field.size(), L' ');
    text += field + L"|" + size20(r.below(5)) + L" " + random_path(r) + L"\r\n";
  }
  return utf16le(text);
}

Captured run_reader(const std::string& input, const std::function<void(FILE* in, FILE* out)>& body) {
  static TempDir scratch(L"reader");
  const std::wstring in_path = scratch / L"in", out_path = scratch / L"out", err_path = scratch / L"err";
  write_file(in_path, input);
  FILE* in = _wfopen(in_path.c_str(), L"rb");
  FILE* out = _wfopen(out_path.c_str(), L"wb");
  std::fflush(stderr);
  int saved = _dup(2);
  int err = _wopen(err_path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
  _dup2(err, 2);
  _close(err);
  body(in, out);
  std::fflush(stderr);
  _dup2(saved, 2);
  _close(saved);
  std::fclose(in);
  std::fclose(out);
  return {read_file(out_path), read_file(err_path)};
}

namespace {

// One watchdog thread for the program; the deadline moves on at every
// test's start and end.
struct Watchdog {
  std::atomic<unsigned long long> deadline{0};
  std::atomic<unsigned long> span{0};
  char test[256] = "";

  void arm() { deadline = GetTickCount64() + span; }
};
Watchdog g_watchdog;

class WatchdogListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo& info) override {
    std::snprintf(g_watchdog.test, sizeof g_watchdog.test, "%s.%s", info.test_suite_name(), info.name());
    g_watchdog.arm();
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::snprintf(g_watchdog.test, sizeof g_watchdog.test, "(between tests)");
    g_watchdog.arm();
  }
};

DWORD WINAPI watch(void*) {
  for (;;) {
    unsigned long long now = GetTickCount64(), deadline = g_watchdog.deadline;
    if (now >= deadline) break;
    Sleep(static_cast<DWORD>(std::min<unsigned long long>(deadline - now, 1000)));
  }
  std::fprintf(stderr, "watchdog: %s ran longer than %lu s (a modal loop no one answered?)\n", g_watchdog.test,
               g_watchdog.span.load() / 1000);
  std::fflush(stderr);
  ExitProcess(3);
}

}  // namespace

void start_watchdog(unsigned long milliseconds) {
  const bool first = g_watchdog.span.exchange(milliseconds) == 0;
  g_watchdog.arm();
  if (!first) return;
  ::testing::UnitTest::GetInstance()->listeners().Append(new WatchdogListener);
  CreateThread(nullptr, 0, watch, nullptr, 0, nullptr);
}

bool japanese_locale() {
  const char* locale = std::getenv("MOX_LOCALE");
  return locale && std::strcmp(locale, "japanese") == 0;
}

namespace {

// What every test program sets up around its tests: the OEM code page its
// locale promises, a scratch folder as the current folder (so that no test
// reads a config.ini or writes a file where the programs live), and the
// console tools' frame as a program start leaves it, before and after every
// test, whatever order the tests run in.
class Surroundings : public ::testing::Environment {
 public:
  void SetUp() override {
    if (std::getenv("MOX_LOCALE")) {
      ASSERT_EQ(GetOEMCP(), japanese_locale() ? 932u : 437u)
          << "the locale of this run (MOX_LOCALE) does not give its OEM code page; is ja_JP.UTF-8 installed?";
    }
    wchar_t folder[MAX_PATH * 4];
    DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, folder);
    ASSERT_TRUE(length > 0 && length < MAX_PATH * 4);
    previous_folder_.assign(folder, length);
    scratch_ = make_temp_dir(L"cwd");
    ASSERT_TRUE(SetCurrentDirectoryW(scratch_.c_str()));
  }
  void TearDown() override {
    if (previous_folder_.empty()) return;
    SetCurrentDirectoryW(previous_folder_.c_str());
    remove_tree(scratch_);
  }

 private:
  std::wstring previous_folder_, scratch_;
};

class FrameReset : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { reset(); }
  void OnTestEnd(const ::testing::TestInfo&) override { reset(); }
  static void reset() {
    log_close();
    g_frame = Frame{};
  }
};

const bool kSurroundings = [] {
  ::testing::AddGlobalTestEnvironment(new Surroundings);
  ::testing::UnitTest::GetInstance()->listeners().Append(new FrameReset);
  return true;
}();

}  // namespace

std::string unix_path(const std::wstring& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  auto to_unix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  if (!to_unix) return {};
  char* name = to_unix(path.c_str());
  if (!name) return {};
  std::string result = name;
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

std::wstring from_utf8(const std::string& text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

void run_unix(const std::wstring& command) {
  std::wstring line = command;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
  WaitForSingleObject(pi.hProcess, 30000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

bool make_unix_link(const std::string& target, const std::wstring& link) {
  std::string host = unix_path(link);
  if (host.empty()) return false;
  run_unix(L"/bin/ln -s \"" + from_utf8(target) + L"\" \"" + from_utf8(host) + L"\"");
  // Wine gives a host program's process no handle to wait on: look for the link.
  for (int i = 0; i < 500; ++i) {
    if (GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace mox::test
