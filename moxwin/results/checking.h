// Checking and selecting result rows. The list control holds the check boxes
// and the selection; an operation takes them as list items (one per list
// position, in list order), computes, and the caller writes the items back.
#pragma once
#include <string>
#include <vector>

#include "moxwin/results/model.h"

namespace mox::results {

struct ListItem {
  int row = 0;  // storage index (the item's data)
  bool checked = false;  // state image other than 1
  bool selected = false;
};
using ListItems = std::vector<ListItem>;

// Check snapshot: every row's checked and selected from the items.
void take_check_snapshot(Model& model, const ListItems& items);

// Auto-check keeps the last regular file of each group in storage order;
// the keep rules keep the newest, the oldest, or the first in display order
// (ties go to the first shown, and a file whose time could not be read is
// kept only when no other can be).
enum CheckOperation {
  kOperationUncheck = 0,
  kOperationCheck = 1,
  kOperationAutoCheck = 2,
  kOperationToggle = 3,
  kOperationKeepNewest = 4,
  kOperationKeepOldest = 5,
  kOperationKeepFirstShown = 6,
};

// Auto-check and the keep rules: one file of each group stays unchecked (and
// the same-file rule applies).
bool keeps_one_file(int operation);

struct CheckOutcome {
  int next_mark = -1;      // -1: the list is empty (or the operation unknown) and nothing was done
  int count = 0;           // items the operation was applied to
  int same_file_kept = 0;  // items left unchecked because they are a kept file
};

// Applies the operation to the selected items, or to all when none is
// selected. Auto-check checks every row but the last of its group. With
// `keep_same_files`, an item this operation checked is unchecked again when
// an unchecked item of its group is the same file (deleting it would delete
// the kept file).
CheckOutcome set_check_state(Model& model, ListItems& items, int operation, bool keep_same_files);

// The label of the Mark button after an operation: "A C", "C S", "S A", lower
// case when it was applied to a selection; nullptr for -1 (the label stays).
const wchar_t* mark_label(int next_mark, bool had_selection);

void select_all(ListItems& items);
void deselect_all(ListItems& items);
void select_checked(ListItems& items);
void invert_selection(ListItems& items);
bool any_selected(const ListItems& items);

// Selects every item whose Folder equals that of a selected item (locale
// comparison, case-sensitive). False when nothing was selected.
bool select_same_folders(const Model& model, ListItems& items);

// Flips the selection of every item of the groups that hold a selected item.
void toggle_selected_groups(const Model& model, ListItems& items);

// F5: checks the items in the folders of the selected items, then deselects
// everything. next_mark -1 when nothing was selected.
CheckOutcome check_this_folder(Model& model, ListItems& items);

// F7: in every group with a file in the folders of the selected items, checks
// the group's files outside those folders; then deselects everything.
CheckOutcome check_outside_folder(Model& model, ListItems& items);

// CLIST.TXT text after its byte-order mark: one line per group whose rows are
// all checked, from `line_format` ("%s %d %d / %d\r\n") with `group_word`.
std::wstring confirmation_text(const Model& model, const ListItems& items, const wchar_t* line_format,
                               const wchar_t* group_word);

}  // namespace mox::results
