// Ordering result rows: the comparison rules of the twelve keys, the
// multi-key sort of the display order, and the saved form of the sort keys.
#pragma once
#include "moxwin/results/model.h"
#include "moxwin/shell/format.h"

namespace mox::results {

// Key indexes: 0 none, then Path, ID, Group, Size, Time, Folder, Name,
// Extension, Attribute, Link, Checked, Selected. A key's comparison number is
// its index minus 1; columns 0 to 9 compare by their own index.
constexpr int kKeyCount = 13;
constexpr int kKeyRows = 6;
enum : int { kAscending = 1, kDescending = 2 };

using shell::locale_compare;

// Negative, 0 or positive; direction 2 swaps the rows first.
int compare_rows(int number, const Row& a, const Row& b, int direction);

struct SortKey {
  int key = 0;  // index 1 to 12
  int direction = kAscending;
};

// Sorts order[begin, end) (storage indexes) by the keys in turn. -1 when the
// range has fewer than two entries.
int multi_key_sort(const Model& model, const SortKey* keys, int key_count, int* begin, int* end);

// The six key rows of the sort dialog.
struct SortSettings {
  int key[kKeyRows] = {3, 7, 5, 6, 8, 0};
  int direction[kKeyRows] = {1, 1, 1, 1, 1, 1};
};

// history0 sort0: two characters per key row, "A" + key index and "1"/"2".
// Unknown characters keep the value they replace; a NUL ends the text.
void parse_sort_keys(const wchar_t* text, SortSettings& settings);
void format_sort_keys(const SortSettings& settings, wchar_t (&text)[2 * kKeyRows + 1]);

// The chosen keys in row order (rows with key 0 are left out); returns how
// many.
int chosen_keys(const SortSettings& settings, SortKey (&keys)[kKeyRows]);

// The colouring of a sort whose first key is `key` in `direction`: natural for
// ID and Group, by position otherwise.
Colouring colouring_for(int key, int direction);

}  // namespace mox::results
