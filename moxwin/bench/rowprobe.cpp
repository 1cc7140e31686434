// Benchmark helper, run by hand, not part of the front end: what one result
// row costs the file system when a list is loaded, per file, in microseconds
// and in units of one open-and-close pair measured in the same round.
//   rowprobe [files] [folder]   files: how many to make (default 2000);
//                               folder: where (default the temporary folder)
// Medians of five rounds, so that a busy machine disturbs the figures less.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "moxwin/results/file_identity.h"
#include "moxwin/shell/file_status.h"

namespace {

using mox::results::FileIdentity;
using mox::results::SystemFileFacts;

bool make_files(const std::wstring& folder, int count, std::vector<std::wstring>* paths) {
  if (!CreateDirectoryW(folder.c_str(), nullptr)) return false;
  for (int i = 0; i < count; ++i) {
    std::wstring path = folder + L"\\file" + std::to_wstring(i) + L".txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written;
    WriteFile(file, path.data(), static_cast<DWORD>(path.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    paths->push_back(path);
  }
  return true;
}

void remove_files(const std::wstring& folder, const std::vector<std::wstring>& paths) {
  for (const std::wstring& path : paths) DeleteFileW(path.c_str());
  RemoveDirectoryW(folder.c_str());
}

// One pass of a probe over all files; false when a call failed.
struct Probe {
  const char* name;
  bool (*run)(SystemFileFacts& facts, const wchar_t* path);
};

bool open_and_close(SystemFileFacts&, const wchar_t* path) {
  HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

bool status(SystemFileFacts& facts, const wchar_t* path) {
  mox::shell::FileStatus status;
  return facts.status(path, &status) == 0;
}

bool identity(SystemFileFacts& facts, const wchar_t* path) {
  FileIdentity identity;
  return facts.identity(path, &identity);
}

bool identity_by_handle(SystemFileFacts&, const wchar_t* path) {
  FileIdentity identity;
  return mox::results::identity_by_handle_information(path, &identity);
}

bool row(SystemFileFacts& facts, const wchar_t* path) { return status(facts, path) && identity(facts, path); }

// Microseconds per file; a fresh facts object per pass, as per load.
double per_file(const Probe& probe, const std::vector<std::wstring>& paths, int* failed) {
  SystemFileFacts facts;
  LARGE_INTEGER frequency, from, to;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&from);
  for (const std::wstring& path : paths) {
    if (!probe.run(facts, path.c_str())) ++*failed;
  }
  QueryPerformanceCounter(&to);
  return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart) /
         static_cast<double>(paths.size());
}

double median(std::vector<double> figures) {
  std::sort(figures.begin(), figures.end());
  return figures[figures.size() / 2];
}

// The same values both ways, or the figures would compare different work.
int count_differences(const std::vector<std::wstring>& paths) {
  SystemFileFacts facts;
  int differences = 0;
  for (const std::wstring& path : paths) {
    FileIdentity cheap, reference;
    bool cheap_known = facts.identity(path.c_str(), &cheap);
    bool reference_known = mox::results::identity_by_handle_information(path.c_str(), &reference);
    if (cheap_known != reference_known || cheap.volume_serial != reference.volume_serial ||
        cheap.index_high != reference.index_high || cheap.index_low != reference.index_low ||
        cheap.links != reference.links) {
      ++differences;
    }
  }
  return differences;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int count = argc > 1 ? _wtoi(argv[1]) : 2000;
  std::wstring place;
  if (argc > 2) {
    place = argv[2];
  } else {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    place = temp;
  }
  if (count <= 0) {
    fprintf(stderr, "usage: rowprobe [files] [folder]\n");
    return 1;
  }
  if (!place.empty() && place.back() != L'\\') place += L'\\';
  std::wstring folder = place + L"mox-rowprobe-" + std::to_wstring(GetCurrentProcessId());
  std::vector<std::wstring> paths;
  if (!make_files(folder, count, &paths)) {
    fprintf(stderr, "rowprobe: cannot make the files in %ls\n", folder.c_str());
    remove_files(folder, paths);
    return 1;
  }

  const Probe pair = {"CreateFileW+CloseHandle", open_and_close};
  const Probe probes[] = {
      {"file_status", status},
      {"identity", identity},
      {"identity_by_handle_information", identity_by_handle},
      {"row (file_status + identity)", row},
  };
  constexpr int kRounds = 5;
  constexpr int kProbes = sizeof probes / sizeof probes[0];
  int failed = 0;
  per_file(pair, paths, &failed);  // warms the caches of the system and of Wine
  std::vector<double> units;
  std::vector<double> micros[kProbes], ratios[kProbes];
  for (int round = 0; round < kRounds; ++round) {
    double unit = per_file(pair, paths, &failed);
    units.push_back(unit);
    for (int i = 0; i < kProbes; ++i) {
      double figure = per_file(probes[i], paths, &failed);
      micros[i].push_back(figure);
      ratios[i].push_back(figure / unit);
    }
  }

  printf("files %d in %ls, %d rounds\n", count, folder.c_str(), kRounds);
  printf("%-32s %8.1f us\n", pair.name, median(units));
  for (int i = 0; i < kProbes; ++i) {
    printf("%-32s %8.1f us %5.2f pairs\n", probes[i].name, median(micros[i]), median(ratios[i]));
  }
  int differences = count_differences(paths);
  if (failed || differences) printf("failed calls %d, identities unlike the reference %d\n", failed, differences);
  remove_files(folder, paths);
  return failed || differences ? 1 : 0;
}
