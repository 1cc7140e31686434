// Throughput of dupcheck beside a plain sequential read of the same files.
//
//   dupcheck_bench <folder> [MiB] [groups]
//
// Generates (once) about MiB mebibytes in `groups` candidate groups of two to
// four files, all equal or differing only in their last byte, so dupcheck has
// to read every byte, as a plain read does. Both run as programs of their own
// (the plain read is this program started with --plain-read) and are timed on
// a warm cache; the best of five runs counts.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct BenchFile {
  std::wstring path;
  uint64_t size;
};

double now_seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void fill(std::vector<unsigned char>& data, uint64_t seed) {
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (size_t i = 0; i + 8 <= data.size(); i += 8) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    memcpy(&data[i], &x, 8);
  }
}

bool write_whole(const std::wstring& path, const std::vector<unsigned char>& data) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  bool ok = fwrite(data.data(), 1, data.size(), f) == data.size();
  return fclose(f) == 0 && ok;
}

// Groups of 2 to 4 files with sizes growing by group, so each group is one
// run of the size-sorted list.
std::vector<BenchFile> make_set(const std::wstring& dir, uint64_t mib, int groups, std::wstring* list_text) {
  std::vector<BenchFile> files;
  uint64_t per_group = mib * 1048576 / static_cast<uint64_t>(groups);
  bool exists = GetFileAttributesW((dir + L"\\ready").c_str()) != INVALID_FILE_ATTRIBUTES;
  CreateDirectoryW(dir.c_str(), nullptr);
  std::vector<unsigned char> data;
  for (int g = 0; g < groups; ++g) {
    int n = 2 + g % 3;
    uint64_t size = per_group / 3 + static_cast<uint64_t>(g) * 512 + 17;  // about 3 files a group
    if (!exists) {
      data.assign(size, 0);
      fill(data, static_cast<uint64_t>(g) + 1);
    }
    for (int i = 0; i < n; ++i) {
      wchar_t name[64];
      swprintf(name, 64, L"\\g%03d-%d.bin", g, i);
      BenchFile f{dir + name, size};
      if (!exists) {
        if (i == n - 1 && g % 2) data[size - 1] ^= 1;  // differs in its last byte only
        if (!write_whole(f.path, data)) {
          fwprintf(stderr, L"cannot write %ls\n", f.path.c_str());
          exit(1);
        }
      }
      wchar_t key[32];
      swprintf(key, 32, L"%020llu ", static_cast<unsigned long long>(size));
      *list_text += key + f.path + L"\r\n";
      files.push_back(f);
    }
  }
  if (!exists) write_whole(dir + L"\\ready", {});
  return files;
}

void write_utf16(const std::wstring& path, const std::wstring& text) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  fwrite(text.data(), sizeof(wchar_t), text.size(), f);
  fclose(f);
}

// Reads every file named in a size-path list from start to end.
int plain_read(const wchar_t* list_path) {
  static std::vector<unsigned char> buffer(1048576);
  FILE* list = _wfopen(list_path, L"rb");
  if (!list) return 1;
  std::wstring text;
  wchar_t chunk[4096];
  size_t n;
  while ((n = fread(chunk, sizeof(wchar_t), 4096, list)) > 0) text.append(chunk, n);
  fclose(list);
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find(L"\r\n", at);
    if (end == std::wstring::npos) end = text.size();
    std::wstring path = text.substr(at + 21, end - at - 21);
    at = end + 2;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    DWORD got = 0;
    while (ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
    }
    CloseHandle(h);
  }
  return 0;
}

double run_program(const std::wstring& command, const std::wstring& out_path) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, 0, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = command;
  double start = now_seconds();
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    fwprintf(stderr, L"cannot start %ls\n", command.c_str());
    exit(1);
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  double seconds = now_seconds() - start;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(out);
  return seconds;
}

std::wstring exe_dir() {
  wchar_t buf[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
  std::wstring p(buf, n);
  return p.substr(0, p.find_last_of(L"\\/"));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && wcscmp(argv[1], L"--plain-read") == 0) return plain_read(argv[2]);
  if (argc < 2) {
    fwprintf(stderr, L"usage: dupcheck_bench folder [MiB] [groups]\n");
    return 1;
  }
  std::wstring dir = argv[1];
  uint64_t mib = argc > 2 ? _wtoi64(argv[2]) : 1024;
  int groups = argc > 3 ? _wtoi(argv[3]) : 300;
  std::wstring list_text;
  std::vector<BenchFile> files = make_set(dir, mib, groups, &list_text);
  uint64_t total = 0;
  for (const BenchFile& f : files) total += f.size;
  std::wstring list = dir + L"\\list.txt", count = dir + L"\\count.txt", empty = dir + L"\\empty.txt";
  write_utf16(list, list_text);
  write_utf16(empty, L"");
  std::wstring dupcheck = L"\"" + exe_dir() + L"\\dupcheck.exe\" ";
  std::wstring reader = L"\"" + exe_dir() + L"\\dupcheck_bench.exe\" --plain-read \"" + list + L"\"";
  std::wstring out = dir + L"\\dlist.txt";

  run_program(reader, out);  // warm the cache
  double plain = 1e9, checked = 1e9, startup = 1e9;
  for (int round = 0; round < 5; ++round) {
    // The count file carries the byte total, as the search script's chain
    // leaves it; dupcheck rewrites it each run.
    write_utf16(count, std::to_wstring(files.size()) + L"\r\n" + std::to_wstring(total) + L"\r\n");
    double t = run_program(dupcheck + L"-F \"" + count + L"\" \"" + list + L"\"", out);
    if (t < checked) checked = t;
    t = run_program(reader, out);
    if (t < plain) plain = t;
    t = run_program(dupcheck + L"\"" + empty + L"\"", out);
    if (t < startup) startup = t;
  }
  double mb = static_cast<double>(total) / 1e6;
  wprintf(L"files %zu in %d groups, %.1f MB (start-up of a program: %.3f s)\n", files.size(), groups, mb, startup);
  wprintf(L"plain read  %7.3f s  %8.1f MB/s\n", plain, mb / plain);
  wprintf(L"dupcheck    %7.3f s  %8.1f MB/s  (%.2f x plain read)\n", checked, mb / checked, plain / checked);
  return 0;
}
