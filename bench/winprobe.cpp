// Benchmark helper (bench/run.py), not part of the tool set: times the
// Win32 calls the content search makes for each file, over the paths of a
// size-path list, so the benchmark can tell what a step pays per file under
// the system that runs it (Wine).
//   winprobe list [most]   list: UTF-16LE size-path lines (the path from
//                          column 22); most: paths to sample (default 4000)
// Prints one line per call: name, then microseconds per file.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> read_paths(const wchar_t* name) {
  std::vector<std::wstring> paths;
  FILE* f = _wfopen(name, L"rb");
  if (!f) return paths;
  std::wstring text;
  wchar_t buf[8192];
  size_t n;
  while ((n = fread(buf, sizeof(wchar_t), 8192, f)) > 0) text.append(buf, n);
  fclose(f);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line[0] == 0xFEFF) line.erase(0, 1);
    while (!line.empty() && (line.back() == L'\r' || line.back() == L'\n')) line.pop_back();
    if (line.size() > 21) paths.push_back(line.substr(21));
  }
  return paths;
}

HANDLE open_read(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

std::vector<unsigned char> g_block(32768);

// Each probe does its call for one file and returns false when it failed.
bool probe_open(const std::wstring& p) {
  HANDLE h = open_read(p);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

bool probe_size(const std::wstring& p) {
  HANDLE h = open_read(p);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(h, &size);
  CloseHandle(h);
  return ok;
}

bool probe_info(const std::wstring& p) {
  HANDLE h = open_read(p);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return ok;
}

// What the comparer does for every candidate that differs early.
bool probe_size_read(const std::wstring& p) {
  HANDLE h = open_read(p);
  if (h == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  DWORD got = 0;
  bool ok = GetFileSizeEx(h, &size) &&
            ReadFile(h, g_block.data(), static_cast<DWORD>(g_block.size()), &got, nullptr);
  CloseHandle(h);
  return ok;
}

bool probe_find(const std::wstring& p) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(p.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

bool probe_attributes(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool probe_attributes_ex(const std::wstring& p) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExW(p.c_str(), GetFileExInfoStandard, &data);
}

struct Probe {
  const char* name;
  bool (*run)(const std::wstring&);
};

const Probe kProbes[] = {
    {"CreateFileW+CloseHandle", probe_open},
    {"CreateFileW+GetFileSizeEx+CloseHandle", probe_size},
    {"CreateFileW+GetFileInformationByHandle+CloseHandle", probe_info},
    {"CreateFileW+GetFileSizeEx+ReadFile(32KiB)+CloseHandle", probe_size_read},
    {"FindFirstFileW+FindClose", probe_find},
    {"GetFileAttributesW", probe_attributes},
    {"GetFileAttributesExW", probe_attributes_ex},
};

double seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& freq) {
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: winprobe list [most]\n");
    return 1;
  }
  std::vector<std::wstring> all = read_paths(argv[1]);
  size_t most = argc > 2 ? wcstoul(argv[2], nullptr, 10) : 4000;
  if (all.empty() || most == 0) {
    fprintf(stderr, "winprobe: no paths in the list\n");
    return 1;
  }
  // An even sample over the list, so every size range is in it.
  std::vector<std::wstring> paths;
  size_t step = all.size() > most ? all.size() / most : 1;
  for (size_t i = 0; i < all.size() && paths.size() < most; i += step) paths.push_back(all[i]);

  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  printf("files %zu\n", paths.size());
  for (const Probe& probe : kProbes) {
    size_t failed = 0;
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    for (const std::wstring& p : paths) {
      if (!probe.run(p)) ++failed;
    }
    QueryPerformanceCounter(&to);
    printf("%s %.1f", probe.name, 1e6 * seconds(from, to, freq) / static_cast<double>(paths.size()));
    if (failed) printf(" failed %zu", failed);
    printf("\n");
  }
  return 0;
}
