#include "moxwin/results/check_commands.h"
#include "moxwin/results/state.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "moxwin/resource.h"
#include "moxwin/results/checking.h"
#include "moxwin/results/result_list.h"
#include "moxwin/shell/app.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/numbers.h"
#include "moxwin/shell/process.h"

namespace mox::results::commands {

using shell::g_app;

namespace {

// Message 459 with the count, and how many files the same-file rule kept.
void report_checks(HWND window, const CheckOutcome& outcome) {
  std::wstring message =
      shell::format_text(shell::kMessageTextCap, shell::text(IDS_CHECKS_UPDATED), shell::grouped(outcome.count).c_str());
  if (outcome.same_file_kept > 0)
    message += shell::format_text(shell::kMessageTextCap, shell::text(IDS_SAME_FILE_KEPT),
                                  shell::grouped(outcome.same_file_kept).c_str());
  shell::show_status(window, message);
}

void focus_if_selected(HWND window) {
  shell::ListView result_view = list::control(window);
  if (result_view.selected_count() > 0) result_view.focus();
}

// Runs an operation on the items and writes back what it changed.
template <typename Operation>
auto on_items(HWND window, Operation operation) {
  ListItems items = list::items(window);
  ListItems before = items;
  auto result = operation(items);
  list::write_items(window, before, items);
  return result;
}

// The Mark button's and the menu's operation; -1 for an empty list.
CheckOutcome apply_check_state(HWND window, int operation) {
  CheckOutcome outcome = on_items(window, [operation](ListItems& items) {
    return results::set_check_state(g_results.model, items, operation, keeps_one_file(operation));
  });
  if (outcome.next_mark >= 0) report_checks(window, outcome);
  return outcome;
}

}  // namespace

void set_check_state(HWND window, int operation) { apply_check_state(window, operation); }

void uncheck_all(HWND window) {
  shell::ListView result_view = list::control(window);
  if (result_view.count() > 0) result_view.set_state_image(-1, 1);
}

void mark(HWND window) {
  bool had_selection = list::control(window).selected_count() > 0;
  CheckOutcome outcome = apply_check_state(window, g_results.mark_state);
  if (outcome.next_mark < 0) return;
  g_results.mark_state = outcome.next_mark;
  shell::Control(window, IDC_MARK_LABEL).set_text(mark_label(outcome.next_mark, had_selection));
}

void reset_mark(HWND window) {
  g_results.mark_state = kOperationAutoCheck;
  shell::Control(window, IDC_MARK_LABEL).set_text(L"  A");
}

void select_all(HWND window) {
  shell::ListView result_view = list::control(window);
  if (result_view.count() == 0) return;
  result_view.set_selected(-1, true);
  focus_if_selected(window);
}

void deselect_all(HWND window) {
  shell::ListView result_view = list::control(window);
  if (result_view.count() == 0) return;
  result_view.set_selected(-1, false);
  focus_if_selected(window);
}

void select_checked(HWND window) {
  if (list::control(window).count() == 0) return;
  on_items(window, [](ListItems& items) {
    results::select_checked(items);
    return 0;
  });
  focus_if_selected(window);
}

void invert_selection(HWND window) {
  on_items(window, [](ListItems& items) {
    results::invert_selection(items);
    return 0;
  });
  focus_if_selected(window);
}

void select_same_folders(HWND window) {
  if (list::control(window).count() == 0) return;
  on_items(window, [](ListItems& items) { return results::select_same_folders(g_results.model, items); });
  focus_if_selected(window);
}

void toggle_selected_groups(HWND window) {
  if (list::control(window).count() == 0) return;
  on_items(window, [](ListItems& items) {
    results::toggle_selected_groups(g_results.model, items);
    return 0;
  });
  focus_if_selected(window);
}

void check_this_folder(HWND window) {
  CheckOutcome outcome =
      on_items(window, [](ListItems& items) { return results::check_this_folder(g_results.model, items); });
  if (outcome.next_mark < 0) return;
  report_checks(window, outcome);
  list::control(window).focus();
}

void check_outside_folder(HWND window) {
  CheckOutcome outcome =
      on_items(window, [](ListItems& items) { return results::check_outside_folder(g_results.model, items); });
  if (outcome.next_mark < 0) return;
  report_checks(window, outcome);
  list::control(window).focus();
}

void focus_list(HWND window) { list::control(window).focus(); }

void confirm_groups(HWND window) {
  if (list::control(window).count() == 0) return;
  ListItems items = list::items(window);
  const wchar_t* name = shell::text(IDS_CLIST_FILE);
  FILE* file = _wfopen(name, L"wb");
  if (!file) {
    shell::report_file_error(window, name, errno);
    return;
  }
  shell::write_utf16le(file, L"\uFEFF" + confirmation_text(g_results.model, items, shell::text(IDS_CONFIRM_LINE),
                                                   shell::text(IDS_COLUMN_FIRST + 2)));
  std::fclose(file);
  shell::g_programs.open_document(name);
  shell::show_status(window, shell::format_text(shell::kMessageTextCap, shell::text(IDS_SUMMARY),
                                        shell::grouped(g_app.run.last_seconds).c_str(),
                                        shell::grouped(g_app.run.last_files).c_str(),
                                        shell::grouped(g_app.run.last_groups).c_str(),
                                        shell::grouped(g_results.model.count()).c_str()));
}

}  // namespace mox::results::commands
