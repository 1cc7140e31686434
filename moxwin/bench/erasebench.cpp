// Benchmark, run by hand: what Erase's comparison of every deleted file with
// its survivor costs, in the program's own window in this process. A list of
// pairs of identical files is loaded, the first file of every pair checked
// and erased (for good), with and without `verify`. Figures, as ratios to one
// plain read of the same files in the same run (they carry over to Windows
// where absolute times do not): the comparison Erase makes, alone, with the
// bytes it reads per byte deleted, and the whole Erase less the shell's
// delete (the system's, timed apart).
//   erasebench [MiB] [counts...]
//     MiB: the bytes deleted in each run (1024 by default); counts: the
//     numbers of files they are spread over (1000 and 4 by default)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "moxwin/bench/figures.h"
#include "moxwin/resource.h"
#include "moxwin/results/content_compare.h"
#include "moxwin/shell/modal.h"
#include "moxwin/window/window_harness.h"

namespace mox {
namespace {

using bench::now_seconds;

// Reads every file once, in blocks as large as the comparison's.
uint64_t plain_read(const std::vector<std::wstring>& paths) {
  std::vector<char> block(256 * 1024);
  uint64_t total = 0;
  for (const std::wstring& path : paths) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD n = 0;
    while (ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &n, nullptr) && n > 0) total += n;
    CloseHandle(file);
  }
  return total;
}

// The shell's delete is the system's: timed apart from Erase's own work.
double g_shell_seconds = 0;
int (*g_harness_delete)(SHFILEOPSTRUCTW*) = nullptr;
int timed_shell_delete(SHFILEOPSTRUCTW* operation) {
  double start = now_seconds();
  int result = g_harness_delete(operation);
  g_shell_seconds += now_seconds() - start;
  return result;
}

struct Figures {
  double erase_seconds = 0, read_seconds = 0, compare_seconds = 0, shell_seconds = 0;
  uint64_t compared_bytes = 0, deleted_bytes = 0;
  int deleted = 0;
};

Figures run(int64_t deleted_bytes, int files, bool verify) {
  test::FrontOptions options;
  options.ini = verify ? "[Options]\r\n" : "[Options]\r\nverify=0\r\n";
  test::Front front(options);
  int64_t size = deleted_bytes / files;
  std::string bytes(static_cast<size_t>(size), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  std::wstring dlist;
  std::vector<std::wstring> paths;
  for (int i = 0; i < files; ++i) {
    std::memcpy(bytes.data(), &i, sizeof i);  // every pair its own contents
    for (const wchar_t* side : {L"a", L"b"}) {
      std::wstring path = front / (side + std::to_wstring(i));
      test::write_file(path, bytes);
      paths.push_back(path);
      dlist += test::dated_line(path);
    }
    dlist += L"\r\n";
  }
  front.finish_search(dlist, 2L * files);
  Figures figures;
  double start = now_seconds();
  plain_read(paths);
  figures.read_seconds = now_seconds() - start;
  // The comparison Erase makes, alone: each checked file with its survivor.
  std::vector<results::FileRange> kept, checked;
  for (size_t i = 0; i < paths.size(); i += 2) {
    checked.push_back({paths[i], 0, size});
    kept.push_back({paths[i + 1], 0, size});
  }
  results::CompareBlocks blocks;
  results::ComparedBytes compared;
  start = now_seconds();
  for (size_t i = 0; i < kept.size(); ++i) results::compare_with_kept({kept[i]}, {checked[i]}, blocks, &compared, nullptr);
  figures.compare_seconds = now_seconds() - start;
  figures.compared_bytes = verify ? static_cast<uint64_t>(compared.read) : 0;  // Erase reads nothing without it
  std::string checks;
  for (int i = 0; i < files; ++i) checks += "x.";
  test::set_result_checks(front.window, checks);
  test::g_answers.boxes = {IDYES};
  g_harness_delete = shell::g_modal.shell_delete;
  shell::g_modal.shell_delete = timed_shell_delete;
  g_shell_seconds = 0;
  start = now_seconds();
  front.command(IDC_ERASE);
  figures.erase_seconds = now_seconds() - start;
  figures.shell_seconds = g_shell_seconds;
  for (int i = 0; i < files; ++i)
    if (GetFileAttributesW((front / (L"a" + std::to_wstring(i))).c_str()) == INVALID_FILE_ATTRIBUTES) ++figures.deleted;
  figures.deleted_bytes = static_cast<uint64_t>(figures.deleted) * static_cast<uint64_t>(size);
  return figures;
}

}  // namespace
}  // namespace mox

int wmain(int argc, wchar_t** argv) {
  int64_t mib = argc > 1 ? _wtoi64(argv[1]) : 1024;
  std::vector<int> counts;
  for (int i = 2; i < argc; ++i) counts.push_back(_wtoi(argv[i]));
  if (counts.empty()) counts = {1000, 4};
  std::printf("files  verify  deleted  plain read s  compare s  compare/read  erase s  shell's delete s  "
              "(erase - shell)/read  compared bytes per byte deleted\n");
  for (int files : counts) {
    for (bool verify : {true, false}) {
      mox::Figures f = mox::run(mib << 20, files, verify);
      std::printf("%5d  %6s  %7d  %12.2f  %9.2f  %12.2f  %7.2f  %16.2f  %20.2f  %.2f\n", files,
                  verify ? "on" : "off", f.deleted, f.read_seconds, f.compare_seconds,
                  f.compare_seconds / f.read_seconds, f.erase_seconds, f.shell_seconds,
                  (f.erase_seconds - f.shell_seconds) / f.read_seconds,
                  f.deleted_bytes ? static_cast<double>(f.compared_bytes) / static_cast<double>(f.deleted_bytes) : 0.0);
      std::fflush(stdout);
    }
  }
  return 0;
}
