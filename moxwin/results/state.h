// The result list's program-wide state: one window, one thread.
#pragma once
#include <cstdio>

#include "moxwin/results/columns.h"
#include "moxwin/results/deletion.h"
#include "moxwin/results/model.h"
#include "moxwin/results/sorting.h"

namespace mox::results {

struct ResultsState {
  Model model;
  ListKind list_kind = ListKind::unknown;  // what the loaded list's groups mean
  bool verify_contents = true;  // Erase compares a file with its survivor before deleting it
  int mark_state = 0;
  SortSettings sort;
  int column_direction[12] = {};
  ListColours colours = {};
  ColumnRecord columns;

  // Deletion log: created with U+FEFF the first time in a run of the program.
  bool log_opened_once = false;
  FILE* log = nullptr;
};

extern ResultsState g_results;

}  // namespace mox::results
