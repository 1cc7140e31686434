#include "moxwin/window/run_end.h"

#include <cstdio>
#include <string>

#include "moxwin/resource.h"
#include "moxwin/results/check_commands.h"
#include "moxwin/results/file_identity.h"
#include "moxwin/results/result_list.h"
#include "moxwin/results/state.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/numbers.h"
#include "moxwin/shell/process.h"
#include "moxwin/shell/programs.h"
#include "moxwin/shell/run.h"

namespace mox::window {

using namespace shell;
using results::g_results;

namespace {

// The search scripts name what their list holds once it is written whole; a
// list written later (by tabfeed, by a program of the user's) is of no known
// kind.
results::ListKind loaded_list_kind() {
  WIN32_FILE_ATTRIBUTE_DATA mode, list;
  if (!GetFileAttributesExW(text(IDS_MODE_FILE), GetFileExInfoStandard, &mode) ||
      !GetFileAttributesExW(text(IDS_DLIST_FILE), GetFileExInfoStandard, &list) ||
      CompareFileTime(&mode.ftLastWriteTime, &list.ftLastWriteTime) < 0)
    return results::ListKind::unknown;
  char bytes[16] = {};
  FILE* file = _wfopen(text(IDS_MODE_FILE), L"rb");
  if (!file) return results::ListKind::unknown;
  size_t n = std::fread(bytes, 1, sizeof bytes - 1, file);
  std::fclose(file);
  return results::list_kind_of(std::wstring(bytes, bytes + n));
}

void load_results(HWND window) {
  RunState& run = g_app.run;
  run.end_time = current_time();
  long files = 0, groups = 0;
  if (FILE* counts = _wfopen(text(IDS_COUNT_FILE), L"rb")) {
    read_counts(counts, &files, &groups);
    std::fclose(counts);
  }
  run.last_seconds = (run.end_time - run.start_time) / 10000000;
  run.last_files = files;
  run.last_groups = groups;
  show_status(window, format_text(kMessageTextCap, text(IDS_SUMMARY), grouped(run.last_seconds).c_str(),
                                 grouped(files).c_str(), grouped(groups).c_str(), grouped(files).c_str()));
  results::release(g_results.model);
  if (Button(window, IDC_EDITOR).checked()) g_programs.open_document(text(IDS_DLIST_FILE));
  results::SystemFileFacts facts;
  results::LoadOutcome loaded = results::load_file(g_results.model, text(IDS_DLIST_FILE), files > 0 ? files : 0, facts);
  g_results.list_kind = loaded_list_kind();
  if (loaded.out_of_memory)
    show_status(window, format_text(kMessageTextCap, text(IDS_LOAD_NO_MEMORY), grouped(g_results.model.count() + 1).c_str()));
  results::commands::reset_mark(window);
}

}  // namespace

void finish_run(HWND window, DWORD exit_code) {
  RunState& run = g_app.run;
  // Check boxes changed during the run survive the refill below.
  results::take_check_snapshot(g_results.model, results::list::items(window));
  if (exit_code == kCannotRun && run.start_error != 0) {
    std::wstring reason = system_message_text(run.start_error);
    show_status(window, format_text(kMessageTextCap, text(IDS_RUN_NOT_STARTED), static_cast<int>(exit_code), reason.c_str()));
  } else if (exit_code != 0) {
    show_status(window, format_text(kMessageTextCap, text(IDS_RUN_FAILED), static_cast<int>(exit_code)));
  }
  if (exit_code == 0 && run.program_line.compare(0, 5, L"view ") != 0) load_results(window);
  for (int id : {IDC_FOLDER_LIST, IDC_ADD_FOLDER, IDC_REMOVE_FOLDER, IDC_EXCLUDE, IDC_PROGRAM, IDC_MIN, IDC_MAX,
                 IDC_ATTRIBUTE, IDC_EDITOR, IDC_START, IDC_SORT, IDC_CONFIRM, IDC_ERASE, IDC_MARK, IDC_EDIT_MENU,
                 IDC_RESULT_LIST})
    Control(window, id).enable(true);
  results::list::reset_header_images(window);
  results::list::fill_storage_order(window);
  SetCursor(run.previous_cursor);
  SetFocus(window);
  SetFocus(GetDlgItem(window, IDC_SORT));
}

int wait_for_run(HWND window, MSG* message) {
  DWORD exit_code = 0;
  int result = wait_loop(message, &exit_code);
  g_app.run.pending = false;
  if (result == 0) finish_run(window, exit_code);
  return result;
}

}  // namespace mox::window
