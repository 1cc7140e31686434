#include "moxwin/results/erase.h"

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

// Gone means the system says so; a file it cannot look at may still be there.
bool file_gone(const wchar_t* path) {
  if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The files of the checked rows and of the rows of their groups, as they are now.
std::vector<FileNow> look_now(const Model& model) {
  std::vector<FileNow> now(model.rows.size());
  const std::vector<Row>& rows = model.rows;
  SystemFileFacts facts;
  for_each_group(model, [&](int begin, int end) {
    auto checked = [](const Row& row) { return row.checked == kChecked; };
    if (std::none_of(rows.begin() + begin, rows.begin() + end, checked)) return;
    for (int i = begin; i < end; ++i) {
      now[i].found = facts.status(rows[i].path, &now[i].status) == 0;
      if (now[i].found) facts.identity(rows[i].path, &now[i].identity);
    }
  });
  return now;
}

FILE* open_log(HWND window) {
  const wchar_t* name = shell::text(IDS_DELETE_LOG);
  FILE* log = _wfopen(name, g_app.log_opened_once ? L"ab" : L"wb");
  if (!log) {
    shell::report_file_error(window, name, errno);
    return nullptr;
  }
  if (!g_app.log_opened_once) shell::write_utf16le(log, L"\uFEFF");
  g_app.log_opened_once = true;
  return log;
}

struct Deletion {
  int deleted = 0;
  bool no_memory = false;  // the shell's source list could not be made: nothing was deleted
};

// Hands the checked rows that may go to the shell in one call, then marks
// every checked row whose file is gone.
Deletion delete_checked_rows(HWND window) {
  Model& model = g_app.model;
  std::vector<Verdict> verdicts = judge_checked_rows(model, look_now(model));
  std::vector<int> to_shell;
  for (int row : model.order)
    if (model.rows[static_cast<size_t>(row)].checked == kChecked && verdicts[static_cast<size_t>(row)] == Verdict::remove)
      to_shell.push_back(row);
  if (!to_shell.empty()) {
    std::wstring sources;
    try {
      sources = shell_source_list(model, to_shell);
    } catch (const std::bad_alloc&) {
      return {0, true};
    }
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = sources.c_str();
    operation.fFlags = static_cast<FILEOP_FLAGS>(
        (shell::Button(window, IDC_RECYCLE).checked() ? FOF_ALLOWUNDO : 0) |
        (shell::Button(window, IDC_NO_CONFIRM).checked() ? FOF_NOCONFIRMATION : 0));
    shell::g_modal.shell_delete(&operation);
  }
  Deletion result;
  for (int index : model.order) {
    Row& row = model.rows[static_cast<size_t>(index)];
    Verdict verdict = verdicts[static_cast<size_t>(index)];
    if (row.checked != kChecked || (verdict != Verdict::remove && verdict != Verdict::gone) || !file_gone(row.path))
      continue;
    row.checked = kDeleted;
    ++result.deleted;
    if (g_app.log) shell::write_utf16le(g_app.log, std::wstring(row.path) + L"\r\n");
  }
  return result;
}

}  // namespace

int erase(HWND window) {
  shell::ListView results_list = list::control(window);
  if (results_list.count() == 0) return -1;
  Model& model = g_app.model;
  ListItems items = list::items(window);
  int requested = 0;
  for (Row& row : model.rows) row.checked = kUnchecked;
  for (size_t position = 0; position < items.size() && position < model.order.size(); ++position) {
    model.order[position] = items[position].row;
    if (!items[position].checked) continue;
    ++requested;
    model.rows[static_cast<size_t>(items[position].row)].checked = kChecked;
  }
  if (requested == 0) {
    shell::show_status(window, shell::text(IDS_NOTHING_CHECKED));
    return 0;
  }
  std::wstring question =
      shell::format_text(shell::kMessageTextCap, shell::text(IDS_DELETE_QUESTION), shell::grouped(requested).c_str());
  if (int whole = whole_groups_checked(model, items); whole > 0)
    question += L"\r\n" + shell::format_text(shell::kMessageTextCap, shell::text(IDS_WHOLE_GROUPS),
                                             shell::grouped(whole).c_str());
  if (shell::message_box(window, MB_YESNO | MB_ICONINFORMATION, L"%s", question.c_str()) != IDYES) return 0;
  take_selection_snapshot(model, items);
  g_app.log = open_log(window);
  if (!g_app.log) return -1;
  shell::show_status(window, L"");
  shell::Control(window, IDC_START).enable(false);
  shell::Control(window, IDC_ERASE).enable(false);
  shell::show_status(window, shell::text(IDS_DELETING));
  Deletion deletion = delete_checked_rows(window);
  std::fclose(g_app.log);
  g_app.log = nullptr;
  compact(model);
  shell::show_status(window, deletion.no_memory ? std::wstring(shell::text(IDS_DELETE_NO_MEMORY))
                                        : deletion_result_text(requested, deletion.deleted, shell::text(IDS_DELETED_ALL),
                                                               shell::text(IDS_DELETED_SOME)));
  shell::Control(window, IDC_START).enable(true);
  shell::Control(window, IDC_ERASE).enable(true);
  list::reset_header_images(window);
  list::fill_storage_order(window);
  return 0;
}

}  // namespace mox::results::commands
