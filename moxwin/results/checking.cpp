#include "moxwin/results/checking.h"

#include <algorithm>
#include <climits>

#include "moxwin/results/sorting.h"
#include "moxwin/shell/format.h"

namespace mox::results {

namespace {

constexpr int kLineCap = 256;  // one line of the confirmation file

const Row* row_of(const Model& model, const ListItem& item) {
  return item.row >= 0 && item.row < model.count() ? &model.rows[item.row] : nullptr;
}

// Whether `row` is a better file to keep than `kept` under a keep rule.
bool keeps_rather(int operation, const Row& row, int row_position, const Row& kept, int kept_position) {
  bool timed = row.time != shell::kUnknown, kept_timed = kept.time != shell::kUnknown;
  if (timed != kept_timed) return timed;
  if (operation != kOperationKeepFirstShown && row.time != kept.time)
    return operation == kOperationKeepNewest ? row.time > kept.time : row.time < kept.time;
  return row_position < kept_position;
}

// The row of the group [begin, end) that the operation keeps, or -1 when it
// holds no regular file. position: every row's place in the list.
int kept_row(const Model& model, int operation, int begin, int end, const std::vector<int>& position) {
  if (operation == kOperationAutoCheck) {
    for (int i = end - 1; i >= begin; --i)
      if (deletable(model.rows[i])) return i;
    return -1;
  }
  int kept = -1;
  for (int i = begin; i < end; ++i)
    if (deletable(model.rows[i]) &&
        (kept < 0 || keeps_rather(operation, model.rows[i], position[i], model.rows[kept], position[kept])))
      kept = i;
  return kept;
}

// A row that is no regular file is never checked; the operations that keep
// one file of each group keep a regular one.
void compute_checks(Model& model, int operation, const ListItems& items) {
  if (operation == kOperationToggle) return;
  uint8_t value = operation == kOperationUncheck ? kUnchecked : kChecked;
  for (Row& row : model.rows) row.checked = deletable(row) ? value : static_cast<uint8_t>(kUnchecked);
  if (!keeps_one_file(operation)) return;
  std::vector<int> position(static_cast<size_t>(model.count()), INT_MAX);
  for (size_t i = 0; i < items.size(); ++i)
    if (row_of(model, items[i])) position[items[i].row] = static_cast<int>(i);
  for_each_group(model, [&](int begin, int end) {
    if (int kept = kept_row(model, operation, begin, end, position); kept >= 0) model.rows[kept].checked = kUnchecked;
  });
}

// Unchecks again every applied item that is now checked while an unchecked
// item of its group names the same file: deleting it would delete the file
// that is kept. One pass is enough: an item unchecked here can only make
// another one "same" if that one is the same file as the kept file too,
// because identity is transitive.
int uncheck_kept_files(const Model& model, ListItems& items, const std::vector<bool>& applied) {
  std::vector<int> item_of_row(static_cast<size_t>(model.count()), -1);
  for (size_t i = 0; i < items.size(); ++i)
    if (row_of(model, items[i])) item_of_row[items[i].row] = static_cast<int>(i);
  int kept = 0;
  for_each_group(model, [&](int start, int end) {
    for (int r = start; r < end; ++r) {
      int i = item_of_row[r];
      if (i < 0 || !applied[i] || !items[i].checked) continue;
      for (int u = start; u < end; ++u) {
        int j = item_of_row[u];
        if (j >= 0 && !items[j].checked && same_file(model.rows[r].identity, model.rows[u].identity)) {
          items[i].checked = false;
          ++kept;
          break;
        }
      }
    }
  });
  return kept;
}

int next_mark_after(int operation) {
  switch (operation) {
    case kOperationUncheck: return kOperationCheck;
    case kOperationCheck: return kOperationAutoCheck;
    default: return kOperationUncheck;
  }
}

struct GroupTally {
  int group = 0;
  int rows = 0;
};

std::vector<GroupTally> fully_checked_groups(const Model& model, const ListItems& items) {
  std::vector<bool> checked(static_cast<size_t>(model.count()), false);
  for (const ListItem& item : items)
    if (row_of(model, item)) checked[item.row] = item.checked;
  std::vector<GroupTally> groups;
  for_each_group(model, [&](int start, int end) {
    if (std::all_of(checked.begin() + start, checked.begin() + end, [](bool c) { return c; }))
      groups.push_back(GroupTally{model.rows[start].group, end - start});
  });
  return groups;
}

}  // namespace

bool keeps_one_file(int operation) { return operation == kOperationAutoCheck || operation >= kOperationKeepNewest; }

void take_check_snapshot(Model& model, const ListItems& items) {
  for (Row& row : model.rows) row.checked = row.selected = 0;
  for (const ListItem& item : items) {
    if (!row_of(model, item)) continue;
    Row& row = model.rows[item.row];
    if (item.checked) row.checked = kChecked;
    if (item.selected) row.selected = 1;
  }
}

CheckOutcome set_check_state(Model& model, ListItems& items, int operation, bool keep_same_files) {
  CheckOutcome outcome;
  if (items.empty() || operation < kOperationUncheck || operation > kOperationKeepFirstShown) return outcome;
  compute_checks(model, operation, items);
  bool selection = any_selected(items);
  std::vector<bool> applied(items.size(), false);
  for (size_t i = 0; i < items.size(); ++i) {
    ListItem& item = items[i];
    if (selection && !item.selected) continue;
    applied[i] = true;
    ++outcome.count;
    if (operation == kOperationToggle) {
      const Row* row = row_of(model, item);
      item.checked = !item.checked && row && deletable(*row);
    } else if (const Row* row = row_of(model, item)) {
      item.checked = row->checked != kUnchecked;
    }
  }
  if (keep_same_files) outcome.same_file_kept = uncheck_kept_files(model, items, applied);
  outcome.next_mark = next_mark_after(operation);
  return outcome;
}

const wchar_t* mark_label(int next_mark, bool had_selection) {
  switch (next_mark) {
    case kOperationUncheck: return had_selection ? L"a c" : L"A C";
    case kOperationCheck: return had_selection ? L"c s" : L"C S";
    case kOperationAutoCheck: return had_selection ? L"s a" : L"S A";
    default: return nullptr;
  }
}

void select_all(ListItems& items) {
  for (ListItem& item : items) item.selected = true;
}

void deselect_all(ListItems& items) {
  for (ListItem& item : items) item.selected = false;
}

void select_checked(ListItems& items) {
  for (ListItem& item : items) item.selected = item.checked;
}

void invert_selection(ListItems& items) {
  for (ListItem& item : items) item.selected = !item.selected;
}

bool any_selected(const ListItems& items) {
  return std::any_of(items.begin(), items.end(), [](const ListItem& item) { return item.selected; });
}

bool select_same_folders(const Model& model, ListItems& items) {
  if (!any_selected(items)) return false;
  // Sorted in locale order, so that every item needs a binary search rather
  // than a comparison with each chosen folder.
  std::vector<const wchar_t*> chosen;
  for (const ListItem& item : items)
    if (const Row* row = row_of(model, item); row && item.selected) chosen.push_back(row->folder);
  auto before = [](const wchar_t* a, const wchar_t* b) { return locale_compare(a, b) < 0; };
  std::sort(chosen.begin(), chosen.end(), before);
  for (ListItem& item : items)
    if (const Row* row = row_of(model, item); row && !item.selected)
      item.selected = std::binary_search(chosen.begin(), chosen.end(), row->folder, before);
  return true;
}

void toggle_selected_groups(const Model& model, ListItems& items) {
  std::vector<int> groups;
  for (const ListItem& item : items)
    if (const Row* row = row_of(model, item); row && item.selected) groups.push_back(row->group);
  std::sort(groups.begin(), groups.end());
  for (ListItem& item : items)
    if (const Row* row = row_of(model, item); row && std::binary_search(groups.begin(), groups.end(), row->group))
      item.selected = !item.selected;
}

CheckOutcome check_this_folder(Model& model, ListItems& items) {
  if (!select_same_folders(model, items)) return CheckOutcome{};
  CheckOutcome outcome = set_check_state(model, items, kOperationCheck, true);
  deselect_all(items);
  return outcome;
}

// The files in the chosen folders are the ones kept: in every group where
// this checks a file elsewhere they are unchecked, so that a group checked
// before (by an auto-check, say) is never left with all its files checked.
CheckOutcome check_outside_folder(Model& model, ListItems& items) {
  if (!select_same_folders(model, items)) return CheckOutcome{};
  std::vector<bool> chosen(items.size());
  for (size_t i = 0; i < items.size(); ++i) chosen[i] = items[i].selected;
  toggle_selected_groups(model, items);
  if (!any_selected(items)) return CheckOutcome{};
  std::vector<bool> applied(items.size());
  for (size_t i = 0; i < items.size(); ++i) applied[i] = items[i].selected;
  CheckOutcome outcome = set_check_state(model, items, kOperationCheck, false);
  std::vector<int> checked_groups;
  for (size_t i = 0; i < items.size(); ++i)
    if (const Row* row = row_of(model, items[i]); row && applied[i]) checked_groups.push_back(row->group);
  std::sort(checked_groups.begin(), checked_groups.end());
  for (size_t i = 0; i < items.size(); ++i)
    if (const Row* row = row_of(model, items[i]);
        row && chosen[i] && std::binary_search(checked_groups.begin(), checked_groups.end(), row->group))
      items[i].checked = false;
  outcome.same_file_kept = uncheck_kept_files(model, items, applied);
  deselect_all(items);
  return outcome;
}

std::wstring confirmation_text(const Model& model, const ListItems& items, const wchar_t* line_format,
                               const wchar_t* group_word) {
  std::wstring text;
  for (const GroupTally& tally : fully_checked_groups(model, items))
    text += shell::format_text(kLineCap, line_format, group_word, tally.group, tally.rows, tally.rows);
  return text;
}

}  // namespace mox::results
