// Benchmark, run by hand: what a large duplicate list of real files costs
// the result list, in the program's own window in this process: the load
// (file status and identity of every row), the fill of the list control,
// the sort dialog's multi-key sort with its moving of the items, a header
// click, and the
// memory the rows take. Under Wine every file call is a round trip to its
// server, so times are also given in units of one CreateFileW+CloseHandle
// pair measured in the same run: those carry over to Windows.
//   listbench [rows] [rounds] [folder]
//     rows: 10000 by default; rounds: 3 (medians are printed);
//     folder: where the tree of files is kept for the next run (default the
//     temporary folder)
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <numeric>
#include <string>
#include <vector>

#include "moxwin/bench/figures.h"
#include "moxwin/resource.h"
#include "moxwin/results/file_identity.h"
#include "moxwin/results/result_list.h"
#include "moxwin/results/sort_commands.h"
#include "moxwin/results/sorting.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/window/window_harness.h"

namespace mox {
namespace {

using bench::median;
using bench::now_seconds;
using results::SortKey;
using shell::g_app;

constexpr int kNameColumn = 6;
// Sort keys of the dialog (a key's index is its column plus one).
constexpr int kSizeKey = 4, kTimeKey = 5, kFolderKey = 6, kNameKey = 7;
// Name, then Folder, Time and Size among equal names.
constexpr SortKey kSortKeys[] = {{kNameKey, results::kAscending},
                                 {kFolderKey, results::kAscending},
                                 {kTimeKey, results::kAscending},
                                 {kSizeKey, results::kAscending}};
constexpr int kSortKeyCount = sizeof kSortKeys / sizeof kSortKeys[0];

// Groups of files with equal contents, as a search would list them.
struct Tree {
  std::wstring root;
  std::vector<std::vector<std::wstring>> groups;
  int links = 0;  // groups whose last path is a hard link to their first
  int rows = 0;
};

std::wstring folder_of(const std::wstring& root, int folder) {
  return root + L"\\d" + std::to_wstring(folder / 10) + L"\\album " + std::to_wstring(folder % 10);
}

// Groups of 2 to 5 files spread over 100 folders; copies mostly keep their
// name, every fourth group numbers them "name (k)"; every tenth group of
// three or more ends with a hard link.
Tree plan_tree(const std::wstring& root, int rows) {
  static const wchar_t* const kPrefixes[] = {L"IMG_", L"report ", L"track ", L"scan"};
  static const wchar_t* const kExtensions[] = {L".jpg", L".txt", L".docx", L".mp3", L".pdf"};
  Tree tree{root, {}, 0, rows};
  for (int group = 0, placed = 0; placed < rows; ++group) {
    int size = std::min(2 + (group * 3) % 4, rows - placed);
    std::wstring stem = kPrefixes[group % 4] + std::to_wstring(group);
    std::vector<std::wstring> paths;
    for (int k = 0; k < size; ++k) {
      std::wstring copy = group % 4 == 3 && k > 0 ? L" (" + std::to_wstring(k) + L")" : L"";
      paths.push_back(folder_of(root, (group * 7 + k * 31) % 100) + L"\\" + stem + copy + kExtensions[group % 5]);
    }
    if (group % 10 == 0 && size >= 3) ++tree.links;
    tree.groups.push_back(paths);
    placed += size;
  }
  return tree;
}

bool is_link(const Tree& tree, size_t group, size_t member) {
  return group % 10 == 0 && tree.groups[group].size() >= 3 && member + 1 == tree.groups[group].size();
}

// Makes the tree unless a complete one from an earlier run is there; *made
// tells which.
bool make_tree(const Tree& tree, bool* made) {
  std::wstring done = tree.root + L"\\complete.txt";
  *made = GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES;
  if (!*made) return true;
  test::remove_tree(tree.root);
  test::make_dir(tree.root);
  for (int parent = 0; parent < 10; ++parent) test::make_dir(tree.root + L"\\d" + std::to_wstring(parent));
  for (int folder = 0; folder < 100; ++folder) test::make_dir(folder_of(tree.root, folder));
  for (size_t g = 0; g < tree.groups.size(); ++g) {
    std::string content(100 + g % 400, static_cast<char>('a' + g % 26));
    for (size_t k = 0; k < tree.groups[g].size(); ++k) {
      const std::wstring& path = tree.groups[g][k];
      bool written = is_link(tree, g, k) ? CreateHardLinkW(path.c_str(), tree.groups[g][0].c_str(), nullptr) != 0
                                         : test::write_file(path, content);
      if (!written) return false;
    }
  }
  return test::write_file(done, std::to_string(tree.rows));
}

std::vector<std::wstring> all_paths(const Tree& tree) {
  std::vector<std::wstring> paths;
  for (const auto& group : tree.groups) paths.insert(paths.end(), group.begin(), group.end());
  return paths;
}

std::wstring duplicate_list(const Tree& tree) {
  std::wstring list;
  for (const auto& group : tree.groups) {
    for (const std::wstring& path : group) list += test::dated_line(path);
    list += L"\r\n";
  }
  return list;
}

// The unit of every file figure: one open without access rights and its
// close, seconds per pair.
double pair_seconds(const std::vector<std::wstring>& paths) {
  double from = now_seconds();
  for (const std::wstring& path : paths) {
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
  return (now_seconds() - from) / static_cast<double>(paths.size());
}

// The program's file facts, with the time each kind of call took.
struct TimedFacts : results::FileFacts {
  results::SystemFileFacts system;
  double status_seconds = 0, identity_seconds = 0;

  int status(const wchar_t* path, shell::FileStatus* status) override {
    double from = now_seconds();
    int result = system.status(path, status);
    status_seconds += now_seconds() - from;
    return result;
  }
  bool identity(const wchar_t* path, results::FileIdentity* identity) override {
    double from = now_seconds();
    bool known = system.identity(path, identity);
    identity_seconds += now_seconds() - from;
    return known;
  }
};

struct Load {
  double status = 0, identity = 0, whole = 0;  // seconds
  int rows = 0;
};

// As a finished run loads DLIST.TXT, into the program's model.
Load load(const std::wstring& list, int rows) {
  TimedFacts facts;
  double from = now_seconds();
  results::load_file(results::g_results.model, list.c_str(), rows, facts);
  return {facts.status_seconds, facts.identity_seconds, now_seconds() - from, results::g_results.model.count()};
}

// Private bytes are the commit charge (PagefileUsage): Wine leaves
// PrivateUsage zero and gives no peak of it.
struct Memory {
  double working_set = 0, private_bytes = 0, peak_working_set = 0;
};

Memory memory_now() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return {static_cast<double>(counters.WorkingSetSize), static_cast<double>(counters.PagefileUsage),
          static_cast<double>(counters.PeakWorkingSetSize)};
}

// The model's own allocations: its tables at their capacity and every row's
// text, without the heap's overhead.
double model_bytes(const results::Model& model) {
  size_t bytes = model.rows.capacity() * sizeof(results::Row) + model.order.capacity() * sizeof(int) +
                 model.position_colours.capacity() * sizeof(uint32_t);
  for (const results::Row& row : model.rows) bytes += (std::wcslen(row.path) + std::wcslen(row.folder) + 2) * sizeof(wchar_t);
  return static_cast<double>(bytes);
}

shell::ListView result_list(const test::Front& front) { return shell::ListView(front.window, IDC_RESULT_LIST); }

// What the user waits for after a run: the list filled hidden in storage
// order, as the program does it, and the paint that follows.
double fill_seconds(const test::Front& front) {
  double from = now_seconds();
  results::list::fill_storage_order(front.window);
  front.pump();
  return now_seconds() - from;
}

// The texts of columns 1 to 9 of every row (column 0 is the path as it
// stands): what the fill leaves to the moment the control shows a row.
double texts_seconds() {
  double from = now_seconds();
  for (const results::Row& row : results::g_results.model.rows)
    for (int column = 1; column < results::kColumnCount; ++column) results::column_text(row, column);
  return now_seconds() - from;
}

double clear_seconds(const test::Front& front) {
  double from = now_seconds();
  result_list(front).clear();
  return now_seconds() - from;
}

// The user's choice in the sort dialog: the benchmark's keys, then OK.
void choose_sort_keys(HWND dialog) {
  for (int row = 0; row < results::kKeyRows; ++row) {
    int key = row < kSortKeyCount ? kSortKeys[row].key : 0;
    SendDlgItemMessageW(dialog, IDC_SORT_KEY1 + row, CB_SETCURSEL, static_cast<WPARAM>(key), 0);
    int ascending = IDC_SORT_ASCENDING1 + 2 * row;
    CheckRadioButton(dialog, ascending, ascending + 1, ascending);
  }
  SendMessageW(dialog, WM_COMMAND, IDOK, 0);
}

double sort_command_seconds(const test::Front& front) {
  test::g_answers.dialog = choose_sort_keys;
  double from = now_seconds();
  front.command(IDC_SORT);
  front.pump();
  return now_seconds() - from;
}

// The multi-key sort alone, over storage order; the sorted order.
std::vector<int> sorted_by_keys(double* seconds) {
  std::vector<int> order(static_cast<size_t>(results::g_results.model.count()));
  std::iota(order.begin(), order.end(), 0);
  double from = now_seconds();
  results::multi_key_sort(results::g_results.model, kSortKeys, kSortKeyCount, order.data(), order.data() + order.size());
  *seconds = now_seconds() - from;
  return order;
}

double click_name_header_seconds(const test::Front& front) {
  NMLISTVIEW click{};
  click.hdr.hwndFrom = result_list(front).handle();
  click.hdr.idFrom = IDC_RESULT_LIST;
  click.hdr.code = LVN_COLUMNCLICK;
  click.iSubItem = kNameColumn;
  double from = now_seconds();
  SendMessageW(front.window, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&click));
  front.pump();
  return now_seconds() - from;
}

bool in_name_order(const results::Model& model) {
  for (size_t p = 1; p < model.order.size(); ++p) {
    if (results::compare_rows(kNameColumn, model.rows[model.order[p - 1]], model.rows[model.order[p]],
                              results::kAscending) > 0)
      return false;
  }
  return true;
}

struct Figures {
  std::vector<double> pair, status, identity, rest, whole;  // seconds per row
  std::vector<double> fill, texts, clear, sort, sort_command, sort_rest, click;  // seconds
};

void print_line(const char* what, const std::vector<double>& seconds, int rows, double pair) {
  double s = median(seconds);
  std::printf("%-48s %9.3f %9.1f %8.2f\n", what, s, 1e6 * s / rows, s / rows / pair);
}

void print_per_row(const char* what, const std::vector<double>& per_row, int rows, double pair) {
  double s = median(per_row);
  std::printf("%-48s %9.3f %9.1f %8.2f\n", what, s * rows, 1e6 * s, s / pair);
}

double mib(double bytes) { return bytes / (1024.0 * 1024.0); }

void print_memory(const Memory& before, const Memory& loaded, const Memory& filled, const Memory& end, int rows,
                  double model) {
  std::printf("\n%-16s %8s %11s %11s %8s %11s %11s %11s\n", "memory (MiB)", "before", "after load", "after fill",
              "peak", "load B/row", "fill B/row", "peak B/row");
  std::printf("%-16s %8.1f %11.1f %11.1f %8.1f %11.0f %11.0f %11.0f\n", "working set", mib(before.working_set),
              mib(loaded.working_set), mib(filled.working_set), mib(end.peak_working_set),
              (loaded.working_set - before.working_set) / rows, (filled.working_set - loaded.working_set) / rows,
              (end.peak_working_set - before.working_set) / rows);
  std::printf("%-16s %8.1f %11.1f %11.1f %8s %11.0f %11.0f %11s\n", "private bytes", mib(before.private_bytes),
              mib(loaded.private_bytes), mib(filled.private_bytes), "", (loaded.private_bytes - before.private_bytes) / rows,
              (filled.private_bytes - loaded.private_bytes) / rows, "");
  std::printf("model's own bytes per row: %.0f (tables and texts, without heap overhead; sizeof(Row) %zu)\n",
              model / rows, sizeof(results::Row));
}

std::wstring default_place() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return temp;
}

}  // namespace
}  // namespace mox

int wmain(int argc, wchar_t** argv) {
  using namespace mox;
  int rows = argc > 1 ? _wtoi(argv[1]) : 10000;
  int rounds = argc > 2 ? _wtoi(argv[2]) : 3;
  std::wstring place = argc > 3 ? argv[3] : default_place();
  if (rows < 2 || rounds < 1) {
    std::fprintf(stderr, "usage: listbench [rows] [rounds] [folder]\n");
    return 2;
  }
  if (place.back() != L'\\') place += L'\\';
  test::start_watchdog(60 * 60 * 1000);

  Tree tree = plan_tree(place + L"mox-listbench-" + std::to_wstring(rows), rows);
  bool made = false;
  if (!make_tree(tree, &made)) {
    std::fprintf(stderr, "listbench: cannot make the files in %ls\n", tree.root.c_str());
    return 1;
  }
  std::vector<std::wstring> paths = all_paths(tree);

  test::Front front;
  std::wstring list = front / L"DLIST.TXT";
  test::write_file(list, test::utf16le(duplicate_list(tree)));
  pair_seconds(paths);  // warms the caches of the system and of Wine

  Figures f;
  Memory before = memory_now(), loaded, filled;
  for (int round = 0; round < rounds; ++round) {
    f.pair.push_back(pair_seconds(paths));
    Load l = load(list, rows);
    if (l.rows != rows) {
      std::fprintf(stderr, "listbench: loaded %d rows of %d\n", l.rows, rows);
      return 1;
    }
    f.status.push_back(l.status / rows);
    f.identity.push_back(l.identity / rows);
    f.rest.push_back((l.whole - l.status - l.identity) / rows);
    f.whole.push_back(l.whole / rows);
    if (round == 0) loaded = memory_now();
  }
  double own = model_bytes(results::g_results.model);
  for (int round = 0; round < rounds; ++round) {
    if (round > 0) f.clear.push_back(clear_seconds(front));
    f.fill.push_back(fill_seconds(front));
    f.texts.push_back(texts_seconds());
    if (round == 0) filled = memory_now();
  }
  if (result_list(front).count() != rows) {
    std::fprintf(stderr, "listbench: the list holds %d items of %d\n", result_list(front).count(), rows);
    return 1;
  }

  bool orders_agree = true, name_order = true;
  for (int round = 0; round < rounds; ++round) {
    fill_seconds(front);  // back to storage order
    double sort;
    std::vector<int> expected = sorted_by_keys(&sort);
    f.sort.push_back(sort);
    f.sort_command.push_back(sort_command_seconds(front));
    orders_agree = orders_agree && results::g_results.model.order == expected;
    f.sort_rest.push_back(f.sort_command.back() - sort);

    fill_seconds(front);
    results::commands::reset_sort_state(front.window);  // the click sorts ascending
    f.click.push_back(click_name_header_seconds(front));
    name_order = name_order && in_name_order(results::g_results.model);
  }
  Memory end = memory_now();

  double pair = median(f.pair);
  std::printf("listbench: %d rows in %zu groups (%d with a hard link), %d rounds, medians\n", rows, tree.groups.size(),
              tree.links, rounds);
  std::printf("tree %ls (%s)\n", tree.root.c_str(), made ? "made now" : "kept from an earlier run");
  std::printf("unit: CreateFileW+CloseHandle pair %.1f us\n\n", 1e6 * pair);
  std::printf("%-48s %9s %9s %8s\n", "step", "s", "us/row", "pairs");
  print_per_row("load: file status", f.status, rows, pair);
  print_per_row("load: identity", f.identity, rows, pair);
  print_per_row("load: the rest (list, rows, links)", f.rest, rows, pair);
  print_per_row("load: whole row", f.whole, rows, pair);
  print_line("fill, list empty (hidden, then paint)", f.fill, rows, pair);
  print_line("column texts of every row (made when shown)", f.texts, rows, pair);
  if (rounds > 1) print_line("delete all items", f.clear, rows, pair);
  print_line("sort dialog: the multi-key sort", f.sort, rows, pair);
  print_line("sort dialog: the rest (dialog, snapshot, items moved)", f.sort_rest, rows, pair);
  print_line("sort dialog: whole command", f.sort_command, rows, pair);
  print_line("header click on Name (LVM_SORTITEMS)", f.click, rows, pair);
  std::printf("sort keys: Name, Folder, Time, Size ascending; dialog order %s the direct sort; header click %s\n",
              orders_agree ? "equals" : "DIFFERS FROM", name_order ? "in name order" : "NOT IN NAME ORDER");
  print_memory(before, loaded, filled, end, rows, own);
  return orders_agree && name_order ? 0 : 1;
}
