#include "testkit.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

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

void remove_tree(const std::wstring& path) {
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
    if (attempt > 0) Sleep(200);
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

void start_watchdog(unsigned long milliseconds) {
  CreateThread(
      nullptr, 0,
      [](void* wait) -> DWORD {
        Sleep(static_cast<DWORD>(reinterpret_cast<uintptr_t>(wait)));
        std::fputs("watchdog: the test hung (a modal loop no one answered?)\n", stderr);
        std::fflush(stderr);
        ExitProcess(3);
      },
      reinterpret_cast<void*>(static_cast<uintptr_t>(milliseconds)), 0, nullptr);
}

}  // namespace mox::test
