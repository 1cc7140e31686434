#include "moxwin/results/erase.h"
#include "moxwin/results/state.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "moxwin/resource.h"
#include "moxwin/results/checking.h"
#include "moxwin/results/deletion.h"
#include "moxwin/results/file_identity.h"
#include "moxwin/results/recycle_bin.h"
#include "moxwin/results/result_list.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/modal.h"
#include "moxwin/shell/numbers.h"

namespace mox::results::commands {

using shell::g_app;

namespace {

constexpr size_t kReportedFiles = 20;  // files the report names; the rest are counted
constexpr ULONGLONG kRepaintMilliseconds = 100;

// From the question until the list is refilled the window takes no input:
// the request is frozen, and the shell's boxes are modal to the window.
class DisabledWindow {
 public:
  explicit DisabledWindow(HWND window) : window_(window) { EnableWindow(window_, FALSE); }
  ~DisabledWindow() { EnableWindow(window_, TRUE); }
  DisabledWindow(const DisabledWindow&) = delete;
  DisabledWindow& operator=(const DisabledWindow&) = delete;

 private:
  HWND window_;
};

// Paints what is pending; input meant for the disabled window is dropped.
void repaint(HWND window) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    bool input = (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
                 (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST);
    if (input) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  UpdateWindow(window);
}

bool folder_exists(const wchar_t* folder) {
  DWORD attributes = GetFileAttributesW(folder);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileNow look_at(const Row& row, SystemFileFacts& facts) {
  FileNow now;
  shell::FileStatus status;
  if (shell::has_wildcard(row.path)) return now;  // never looked up: it would name other files
  if (row.kind == FileKind::altered_name) {
    now.kind = FileKind::altered_name;
    return now;
  }
  if (facts.status(row.path, &status) != 0) {
    now.folder_exists = folder_exists(row.folder);
    return now;
  }
  facts.identity(row.path, &now.identity);
  now.kind = kind_of(status, now.identity);
  now.size = status.size;
  now.write_time = status.write_time;
  now.folder_exists = true;
  return now;
}

// The request's files and every row of their groups, as they are now.
std::vector<FileNow> look_now(const Model& model, const EraseRequest& request) {
  std::vector<FileNow> now(model.rows.size());
  std::vector<bool> wanted(model.rows.size(), false);
  for (const EraseEntry& entry : request.entries) wanted[entry.row] = true;
  SystemFileFacts facts;
  for_each_group(model, [&](int begin, int end) {
    if (std::none_of(wanted.begin() + begin, wanted.begin() + end, [](bool w) { return w; })) return;
    for (int i = begin; i < end; ++i) now[i] = look_at(model.rows[i], facts);
  });
  return now;
}

// After the shell only whether each requested file is gone, and whether its
// folder is there, counts.
std::vector<FileNow> look_after(const Model& model, const EraseRequest& request) {
  std::vector<FileNow> now(model.rows.size());
  for (const EraseEntry& entry : request.entries) {
    if (entry.refusal != Refusal::none && entry.refusal != Refusal::gone) continue;
    const Row& row = model.rows[entry.row];
    FileNow& file = now[entry.row];
    DWORD attributes = shell::has_wildcard(row.path) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(row.path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      file.kind = FileKind::regular;  // there: whatever it is, it was not deleted
      file.folder_exists = true;
      continue;
    }
    DWORD error = GetLastError();
    file.folder_exists = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && folder_exists(row.folder);
  }
  return now;
}

// The checked rows, frozen.
EraseRequest freeze_request(Model& model, const ListItems& items) {
  EraseRequest request;
  request.kind = g_results.list_kind;
  request.selected.assign(model.rows.size(), 0);
  for (size_t position = 0; position < items.size() && position < model.order.size(); ++position) {
    const ListItem& item = items[position];
    model.order[position] = item.row;
    request.selected[item.row] = item.selected;
    if (item.checked) request.entries.push_back(EraseEntry{.row = item.row});
  }
  return request;
}

int count_refused(const EraseRequest& request, Refusal refusal) {
  return static_cast<int>(std::count_if(request.entries.begin(), request.entries.end(),
                                        [&](const EraseEntry& entry) { return entry.refusal == refusal; }));
}

int reason_text_id(Refusal refusal) {
  switch (refusal) {
    case Refusal::changed: return IDS_REASON_CHANGED;
    case Refusal::no_survivor: return IDS_REASON_NO_SURVIVOR;
    case Refusal::not_regular: return IDS_REASON_NOT_REGULAR;
    case Refusal::wildcard: return IDS_REASON_WILDCARD;
    case Refusal::same_path: return IDS_REASON_SAME_PATH;
    case Refusal::differs: return IDS_REASON_DIFFERS;
    case Refusal::unreadable: return IDS_REASON_UNREADABLE;
    case Refusal::no_bin: return IDS_REASON_NO_BIN;
    case Refusal::kept_by_shell: return IDS_REASON_KEPT_BY_SHELL;
    default: return 0;
  }
}

// Compares the files the request would delete with the files kept, showing
// how far it is. For a list of identical files a file that differs (or could
// not be read) is refused; for the other kinds nothing is refused and the
// number of files without an identical kept copy is returned.
int compare_contents(HWND window, const Model& model, EraseRequest& request, const std::vector<FileNow>& now) {
  std::vector<GroupComparison> comparisons = plan_comparisons(model, request, now);
  int files_total = 0, files_done = 0;
  int64_t bytes_total = 0;
  for (const GroupComparison& comparison : comparisons) {
    files_total += static_cast<int>(comparison.checked.size());
    for (const FileRange& range : comparison.kept) bytes_total += range.length;
    for (const FileRange& range : comparison.checked) bytes_total += range.length;
  }
  ComparedBytes bytes;
  CompareBlocks blocks;
  ULONGLONG shown = 0;
  auto show = [&](int64_t read, bool always) {
    ULONGLONG tick = GetTickCount64();
    if (!always && tick - shown < kRepaintMilliseconds) return;
    shown = tick;
    shell::show_status(window, shell::format_text(shell::kMessageTextCap, shell::text(IDS_VERIFYING),
                                                  shell::grouped(files_done).c_str(), shell::grouped(files_total).c_str(),
                                                  shell::grouped(read).c_str(), shell::grouped(bytes_total).c_str()));
    repaint(window);
  };
  show(0, true);
  int without_copy = 0;
  for (const GroupComparison& comparison : comparisons) {
    std::vector<Sameness> sameness =
        compare_with_kept(comparison.kept, comparison.checked, blocks, &bytes, [&](int64_t read) { show(read, false); });
    for (size_t i = 0; i < sameness.size(); ++i) {
      if (sameness[i] == Sameness::same) continue;
      if (!compares_contents(request.kind)) {
        ++without_copy;
        continue;
      }
      request.entries[comparison.entries[i]].refusal =
          sameness[i] == Sameness::differs ? Refusal::differs : Refusal::unreadable;
    }
    files_done += static_cast<int>(comparison.checked.size());
  }
  show(bytes.read, true);
  return without_copy;
}

std::wstring question_text(const Model& model, const EraseRequest& request, int without_copy) {
  auto grouped_text = [](int id, int count) {
    return shell::format_text(shell::kMessageTextCap, shell::text(id), shell::grouped(count).c_str());
  };
  std::wstring question = grouped_text(IDS_DELETE_QUESTION, static_cast<int>(request.entries.size()));
  if (int whole = whole_groups(model, request); whole > 0) question += L"\r\n" + grouped_text(IDS_WHOLE_GROUPS, whole);
  for (Refusal refusal : {Refusal::changed, Refusal::no_survivor, Refusal::not_regular, Refusal::wildcard,
                          Refusal::same_path}) {
    if (int count = count_refused(request, refusal); count > 0)
      question += L"\r\n" + shell::format_text(shell::kMessageTextCap, shell::text(IDS_REFUSED_LINE),
                                               shell::grouped(count).c_str(), shell::text(reason_text_id(refusal)));
  }
  if (without_copy > 0) question += L"\r\n" + grouped_text(IDS_NO_COPY_LINE, without_copy);
  return question;
}

// With the recycle bin asked for, a file that cannot go there is deleted for
// good only when the user says so.
void ask_for_files_without_bin(HWND window, const Model& model, EraseRequest& request) {
  RecycleBin bin;
  std::vector<EraseEntry*> without_bin;
  for (EraseEntry& entry : request.entries)
    if (entry.refusal == Refusal::none && !bin.takes(model.rows[entry.row].path)) without_bin.push_back(&entry);
  if (without_bin.empty()) return;
  std::wstring question = shell::format_text(shell::kMessageTextCap, shell::text(IDS_NO_BIN_QUESTION),
                                             shell::grouped(static_cast<int>(without_bin.size())).c_str());
  if (shell::message_box(window, MB_YESNO | MB_ICONWARNING, L"%s", question.c_str()) == IDYES) return;
  for (EraseEntry* entry : without_bin) entry->refusal = Refusal::no_bin;
}

FILE* open_log(HWND window) {
  const wchar_t* name = shell::text(IDS_DELETE_LOG);
  FILE* log = _wfopen(name, g_results.log_opened_once ? L"ab" : L"wb");
  if (!log) {
    shell::report_file_error(window, name, errno);
    return nullptr;
  }
  if (!g_results.log_opened_once) shell::write_utf16le(log, L"\uFEFF");
  g_results.log_opened_once = true;
  return log;
}

// Each deleted path once; a failed write or close is reported.
void write_log(HWND window, FILE* log, const Model& model, const EraseRequest& request) {
  bool written = true;
  for (const EraseEntry& entry : request.entries)
    if (entry.deleted && entry.refusal != Refusal::same_path)
      written = shell::write_utf16le(log, std::wstring(model.rows[entry.row].path) + L"\r\n") && written;
  int error = errno;
  if (std::fclose(log) != 0) {
    written = false;
    error = errno;
  }
  if (!written) shell::report_file_error(window, shell::text(IDS_DELETE_LOG), error);
}

// The shell stops at a read-only file when it deletes for good: the user
// asked for these files to go, so the attribute is taken off first and put
// back on every file still there afterwards.
std::vector<std::pair<const wchar_t*, DWORD>> clear_read_only(const Model& model, const EraseRequest& request) {
  std::vector<std::pair<const wchar_t*, DWORD>> cleared;
  for (const EraseEntry& entry : request.entries) {
    if (entry.refusal != Refusal::none) continue;
    const wchar_t* path = model.rows[entry.row].path;
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) continue;
    if (SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY)) cleared.emplace_back(path, attributes);
  }
  return cleared;
}

void hand_to_shell(HWND window, const Model& model, const EraseRequest& request, bool recycle) {
  if (std::none_of(request.entries.begin(), request.entries.end(),
                   [](const EraseEntry& entry) { return entry.refusal == Refusal::none; }))
    return;
  std::wstring sources = shell_source_list(model, request);
  auto cleared = clear_read_only(model, request);
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = window;
  operation.wFunc = FO_DELETE;
  operation.pFrom = sources.c_str();
  operation.fFlags = static_cast<FILEOP_FLAGS>(
      (recycle ? FOF_ALLOWUNDO | FOF_WANTNUKEWARNING : 0) |
      (shell::Button(window, IDC_NO_CONFIRM).checked() ? FOF_NOCONFIRMATION : 0));
  shell::g_modal.shell_delete(&operation);
  for (auto [path, attributes] : cleared)
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, attributes);
}

// What stayed and why: the first files by name, the rest as a count; empty
// when everything went.
std::wstring not_deleted_text(const Model& model, const EraseRequest& request) {
  std::wstring report = shell::text(IDS_NOT_DELETED_HEAD);
  size_t listed = 0, rest = 0;
  for (const EraseEntry& entry : request.entries) {
    if (entry.deleted || entry.refusal == Refusal::none) continue;
    if (listed == kReportedFiles) {
      ++rest;
      continue;
    }
    ++listed;
    std::wstring line = shell::text(IDS_NOT_DELETED_LINE);
    size_t first = line.find(L"%s");
    size_t second = first == std::wstring::npos ? first : line.find(L"%s", first + 2);
    if (second != std::wstring::npos) line.replace(second, 2, shell::text(reason_text_id(entry.refusal)));
    if (first != std::wstring::npos) line.replace(first, 2, model.rows[entry.row].path);
    report += L"\r\n" + line;
  }
  if (listed == 0) return {};
  if (rest > 0)
    report += L"\r\n" + shell::format_text(shell::kMessageTextCap, shell::text(IDS_NOT_DELETED_MORE),
                                           shell::grouped(static_cast<int64_t>(rest)).c_str());
  return report;
}

}  // namespace

int erase(HWND window) {
  shell::ListView results_list = list::control(window);
  if (results_list.count() == 0) return -1;
  Model& model = g_results.model;
  EraseRequest request = freeze_request(model, list::items(window));
  int requested = static_cast<int>(request.entries.size());
  if (requested == 0) {
    shell::show_status(window, shell::text(IDS_NOTHING_CHECKED));
    return 0;
  }
  DisabledWindow disabled(window);
  std::vector<FileNow> now = look_now(model, request);
  judge_request(model, request, now);
  int without_copy = compares_contents(request.kind) ? 0 : compare_contents(window, model, request, now);
  if (shell::message_box(window, MB_YESNO | MB_ICONINFORMATION, L"%s",
                         question_text(model, request, without_copy).c_str()) != IDYES)
    return 0;
  FILE* log = open_log(window);
  if (!log) return -1;
  shell::show_status(window, L"");
  shell::Control(window, IDC_START).enable(false);
  shell::Control(window, IDC_ERASE).enable(false);
  // Right before the shell: every file it gets is still as loaded and keeps a
  // survivor, and for a list of identical files has the survivor's bytes.
  now = look_now(model, request);
  judge_request(model, request, now);
  if (compares_contents(request.kind) && g_results.verify_contents) compare_contents(window, model, request, now);
  bool recycle = shell::Button(window, IDC_RECYCLE).checked();
  if (recycle) ask_for_files_without_bin(window, model, request);
  shell::show_status(window, shell::text(IDS_DELETING));
  bool no_memory = false;
  try {
    hand_to_shell(window, model, request, recycle);
  } catch (const std::bad_alloc&) {
    no_memory = true;  // nothing was handed over
  }
  int deleted = settle_request(model, request, look_after(model, request));
  write_log(window, log, model, request);
  std::wstring report = not_deleted_text(model, request);
  compact(model);
  shell::show_status(window, no_memory ? std::wstring(shell::text(IDS_DELETE_NO_MEMORY))
                                       : deletion_result_text(requested, deleted, shell::text(IDS_DELETED_ALL),
                                                              shell::text(IDS_DELETED_SOME)));
  if (!report.empty()) shell::g_modal.message_box(window, report.c_str(), shell::text(IDS_TITLE), MB_OK | MB_ICONWARNING);
  shell::Control(window, IDC_START).enable(true);
  shell::Control(window, IDC_ERASE).enable(true);
  list::reset_header_images(window);
  list::fill_storage_order(window);
  return 0;
}

}  // namespace mox::results::commands
