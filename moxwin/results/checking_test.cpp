#include "moxwin/results/checking.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace mox::results {
namespace {

struct RowFields {
  int group;
  const wchar_t* folder = L"C:\\x";
  uint32_t file = 0;  // file index on volume 1; 0: identity unknown
  FileKind kind = FileKind::regular;
};

Model model_of(const std::vector<RowFields>& fields) {
  Model model;
  for (const RowFields& f : fields) {
    Row row;
    row.storage_index = model.count();
    row.id = row.storage_index + 1;
    row.group = f.group;
    row.folder = f.folder;
    if (f.file) row.identity = {1, 0, f.file, 1};
    row.kind = f.kind;
    model.rows.push_back(std::move(row));
  }
  reset_order(model);
  return model;
}

// One item per row, in storage order; "x" marks checked, "s" selected items.
ListItems items_of(const Model& model, const std::string& checked = "", const std::string& selected = "") {
  ListItems items;
  for (int i = 0; i < model.count(); ++i)
    items.push_back({i, i < static_cast<int>(checked.size()) && checked[i] == 'x',
                     i < static_cast<int>(selected.size()) && selected[i] == 's'});
  return items;
}

std::string checks(const ListItems& items) {
  std::string marks;
  for (const ListItem& item : items) marks += item.checked ? 'x' : '.';
  return marks;
}

std::string selection(const ListItems& items) {
  std::string marks;
  for (const ListItem& item : items) marks += item.selected ? 's' : '.';
  return marks;
}

TEST(SetCheckState, AutoCheckKeepsTheLastRowOfEachGroup) {
  Model model = model_of({{1}, {1}, {1}, {2}, {2}, {5}, {5}, {5}, {5}});
  ListItems items = items_of(model);
  CheckOutcome outcome = set_check_state(model, items, kOperationAutoCheck, true);
  EXPECT_EQ(checks(items), "xx.x.xxx.");
  EXPECT_EQ(outcome.count, 9);
  EXPECT_EQ(outcome.next_mark, kOperationUncheck);

  // A sorted list: the kept row is still the last one in storage order.
  ListItems sorted = {{8, false, false}, {0, false, false}, {4, false, false}, {2, false, false}, {3, false, false}};
  set_check_state(model, sorted, kOperationAutoCheck, true);
  EXPECT_EQ(checks(sorted), ".x..x");
}

TEST(SetCheckState, SelectionAndOperations) {
  // Groups: rows 0-2, rows 3-4.
  struct Case {
    const char* what;
    int operation;
    std::string before;
    std::string selected;
    std::string after;
    int count;
    int next_mark;
  };
  const Case cases[] = {
      {"auto-check on a selection", kOperationAutoCheck, ".....", ".ss..", ".x...", 2, 0},
      {"toggle without selection", kOperationToggle, "x.x..", "", ".x.xx", 5, 0},
      {"toggle a selection", kOperationToggle, "x.x..", "s...s", "..x.x", 2, 0},
      {"check a selection", kOperationCheck, "x....", "...s.", "x..x.", 1, 2},
      {"uncheck all", kOperationUncheck, "xx.xx", "", ".....", 5, 1},
      {"unknown operation", 7, "x.x..", "", "x.x..", 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Model model = model_of({{1}, {1}, {1}, {2}, {2}});
    ListItems items = items_of(model, c.before, c.selected);
    CheckOutcome outcome = set_check_state(model, items, c.operation, false);
    EXPECT_EQ(checks(items), c.after);
    EXPECT_EQ(selection(items), selection(items_of(model, "", c.selected)));  // selection untouched
    EXPECT_EQ(outcome.count, c.count);
    EXPECT_EQ(outcome.next_mark, c.next_mark);
  }
  Model empty;
  ListItems none;
  EXPECT_EQ(set_check_state(empty, none, kOperationCheck, false).next_mark, -1);
}

TEST(Mark, CycleAndLabels) {
  for (bool with_selection : {false, true}) {
    Model model = model_of({{1}, {1}, {2}, {2}});
    ListItems items = items_of(model, "", with_selection ? "ssss" : "");
    int mark = kOperationAutoCheck;  // after a load
    std::vector<std::wstring> labels;
    for (int press = 0; press < 3; ++press) {
      bool had_selection = any_selected(items);
      mark = set_check_state(model, items, mark, true).next_mark;
      labels.push_back(mark_label(mark, had_selection));
    }
    std::vector<std::wstring> expected = {L"A C", L"C S", L"S A"};
    if (with_selection) expected = {L"a c", L"c s", L"s a"};
    EXPECT_EQ(labels, expected);
    EXPECT_EQ(checks(items), "xxxx");
  }
  EXPECT_EQ(mark_label(-1, false), nullptr);
}

TEST(FolderChecks, ThisFolderAndOutsideIt) {
  const wchar_t* a = L"C:\\a";
  const wchar_t* sub = L"C:\\a\\b";
  const wchar_t* other = L"C:\\x";
  const wchar_t* upper = L"C:\\A";
  // Group 1: a, sub, other; group 2: other, other (no file in C:\a); group 3: upper, a.
  Model model = model_of({{1, a}, {1, sub}, {1, other}, {2, other}, {2, other}, {3, upper}, {3, a}});
  struct Case {
    const char* what;
    bool outside;
    std::string before;
    std::string after;
    int count;
  };
  const Case cases[] = {
      {"F5 checks exactly C:\\a, case and all", false, "...x...", "x..x..x", 2},
      {"F7 checks the others where C:\\a has a file", true, "....x..", ".xx.xx.", 3},
      // A file in C:\a that an auto-check had checked is kept: the group
      // never ends with every file checked.
      {"F7 keeps the files in C:\\a, even a checked one", true, "x.....x", ".xx..x.", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ListItems items = items_of(model, c.before, "s");  // the first row, in C:\a
    CheckOutcome outcome = c.outside ? check_outside_folder(model, items) : check_this_folder(model, items);
    EXPECT_EQ(checks(items), c.after);
    EXPECT_EQ(outcome.count, c.count);
    EXPECT_FALSE(any_selected(items));
  }
  ListItems unselected = items_of(model, "x");
  EXPECT_EQ(check_this_folder(model, unselected).next_mark, -1);
  EXPECT_EQ(check_outside_folder(model, unselected).next_mark, -1);
  EXPECT_EQ(checks(unselected), "x......");
}

// A group that holds one file under two paths must keep both: deleting
// either path deletes the kept file.
// A folder, a link or a device is never checked by a command; auto-check
// keeps the last regular file of the group instead.
TEST(SafetyRule, OnlyRegularFilesAreChecked) {
  Model model = model_of({{1}, {1}, {1, L"C:\\x", 0, FileKind::folder}, {2, L"C:\\x", 0, FileKind::link}, {2}});
  for (auto [operation, expected] : {std::pair{kOperationAutoCheck, "x...."}, {kOperationCheck, "xx..x"},
                                     {kOperationToggle, "xx..x"}}) {
    ListItems items = items_of(model);
    set_check_state(model, items, operation, true);
    EXPECT_EQ(checks(items), expected) << operation;
  }
}

// The keep rules: the newest, the oldest or the first shown file of each
// group stays; ties go to the first shown; a file without a time stays only
// when no other can; a selection limits the rule to its rows.
TEST(KeepRules, ChooseTheKeptFile) {
  struct Case {
    const char* name;
    int operation;
    std::vector<int64_t> times;  // per row; -1: could not be read
    std::vector<int> order;      // display order (storage indexes)
    const char* selected;
    const char* after;           // in display order
  };
  // Groups: rows 0-2, 3-4, 5-6.
  const Case cases[] = {
      {"newest", kOperationKeepNewest, {10, 30, 20, 5, 5, 7, -1}, {0, 1, 2, 3, 4, 5, 6}, "", "x.x.x.x"},
      {"oldest", kOperationKeepOldest, {10, 30, 20, 5, 5, 7, -1}, {0, 1, 2, 3, 4, 5, 6}, "", ".xx.x.x"},
      {"newest, tie after a sort", kOperationKeepNewest, {10, 30, 30, 5, 5, -1, -1}, {2, 1, 0, 4, 3, 6, 5}, "",
       ".xx.x.x"},
      {"first shown after a sort", kOperationKeepFirstShown, {10, 30, 20, 5, 5, 7, -1}, {2, 1, 0, 4, 3, 6, 5}, "",
       ".xx.xx."},
      {"oldest on a selection", kOperationKeepOldest, {10, 30, 20, 5, 5, 7, -1}, {0, 1, 2, 3, 4, 5, 6}, ".ss.s..",
       ".xx.x.."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Model model = model_of({{1}, {1}, {1}, {2}, {2}, {3}, {3}});
    for (size_t i = 0; i < c.times.size(); ++i) model.rows[i].time = c.times[i];
    model.order = c.order;
    ListItems items;
    for (size_t p = 0; p < c.order.size(); ++p)
      items.push_back({c.order[p], false, p < std::strlen(c.selected) && c.selected[p] == 's'});
    CheckOutcome outcome = set_check_state(model, items, c.operation, true);
    EXPECT_EQ(checks(items), c.after);
    EXPECT_EQ(outcome.count, std::strlen(c.selected) ? 3 : 7);
  }
}

TEST(SafetyRule, SameFileIsNeverCheckedBesideItsKeptPath) {
  const wchar_t* a = L"C:\\a";
  const wchar_t* b = L"C:\\b";
  struct Case {
    const char* what;
    std::vector<RowFields> rows;
    int command;  // 0 auto-check, 5 F5 on the first row, 7 F7 on the first row
    std::string after;
    int kept;
  };
  const Case cases[] = {
      {"auto-check, hard links", {{1, a, 10}, {1, b, 10}}, 0, "..", 1},
      {"auto-check, link pair and a copy", {{1, a, 10}, {1, b, 10}, {1, b, 11}}, 0, "xx.", 0},
      {"auto-check, three links", {{1, a, 10}, {1, a, 10}, {1, b, 10}}, 0, "...", 2},
      {"auto-check, real copies", {{1, a, 10}, {1, b, 11}, {2, a, 10}, {2, b, 12}}, 0, "x.x.", 0},
      {"auto-check, unknown identities", {{1, a}, {1, b}}, 0, "x.", 0},
      {"F5, hard links", {{1, a, 10}, {1, b, 10}}, 5, "..", 1},
      {"F5, copies", {{1, a, 10}, {1, b, 11}}, 5, "x.", 0},
      {"F7, hard links", {{1, a, 10}, {1, b, 10}, {1, b, 11}}, 7, "..x", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Model model = model_of(c.rows);
    ListItems items = items_of(model, "", c.command ? "s" : "");
    CheckOutcome outcome = c.command == 0   ? set_check_state(model, items, kOperationAutoCheck, true)
                           : c.command == 5 ? check_this_folder(model, items)
                                            : check_outside_folder(model, items);
    EXPECT_EQ(checks(items), c.after);
    EXPECT_EQ(outcome.same_file_kept, c.kept);
  }
  // Without the rule (plain check) both paths are checked.
  Model model = model_of({{1, a, 10}, {1, b, 10}});
  ListItems items = items_of(model);
  EXPECT_EQ(set_check_state(model, items, kOperationCheck, false).same_file_kept, 0);
  EXPECT_EQ(checks(items), "xx");
  // Toggling a kept path's twin: the one toggled to checked goes back.
  items = items_of(model, "", "s");
  EXPECT_EQ(set_check_state(model, items, kOperationToggle, true).same_file_kept, 1);
  EXPECT_EQ(checks(items), "..");
}

TEST(Selection, FoldersGroupsAndSnapshots) {
  Model model = model_of({{1, L"C:\\a"}, {1, L"C:\\b"}, {2, L"C:\\a"}, {2, L"C:\\b"}, {3, L"C:\\c"}});
  ListItems items = items_of(model, "x..x.", "s....");
  EXPECT_TRUE(select_same_folders(model, items));
  EXPECT_EQ(selection(items), "s.s..");
  toggle_selected_groups(model, items);
  EXPECT_EQ(selection(items), ".s.s.");
  invert_selection(items);
  EXPECT_EQ(selection(items), "s.s.s");
  select_checked(items);
  EXPECT_EQ(selection(items), "s..s.");

  take_check_snapshot(model, items);
  std::string rows;
  for (const Row& row : model.rows) rows += std::to_string(row.checked) + std::to_string(row.selected);
  EXPECT_EQ(rows, "1100001100");
  deselect_all(items);
  EXPECT_FALSE(select_same_folders(model, items));
  select_all(items);
  EXPECT_EQ(selection(items), "sssss");
}

TEST(Confirmation, LinesForWhollyCheckedGroups) {
  const wchar_t* group_word = L"\u30b0\u30eb\u30fc\u30d7";
  const wchar_t* format = L"%s %d %d / %d\r\n";
  Model model = model_of({{1}, {1}, {3}, {3}, {4}, {6}, {6}, {6}});
  ListItems items = items_of(model, "xxx.xxxx");
  EXPECT_EQ(confirmation_text(model, items, format, group_word),
            std::wstring(group_word) + L" 1 2 / 2\r\n" + group_word + L" 4 1 / 1\r\n" + group_word + L" 6 3 / 3\r\n");

  // The list order does not matter; every row's own check does.
  ListItems sorted = {items[7], items[1], items[3], items[0], items[6], items[2], items[4], items[5]};
  EXPECT_EQ(confirmation_text(model, sorted, format, group_word), confirmation_text(model, items, format, group_word));

  ListItems none = items_of(model, "x.x.....");
  EXPECT_EQ(confirmation_text(model, none, format, group_word), L"");
  Model empty;
  EXPECT_EQ(confirmation_text(empty, none, format, group_word), L"");
}

}  // namespace
}  // namespace mox::results
