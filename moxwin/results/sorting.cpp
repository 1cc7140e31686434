#include "moxwin/results/sorting.h"

#include <windows.h>

#include <algorithm>

namespace mox::results {

namespace {

template <typename T>
int three_way(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

int compare_links(const Row& a, const Row& b) {
  if (int c = three_way(a.link, b.link)) return c;
  if (int c = three_way(a.identity.links, b.identity.links)) return c;
  if (int c = three_way(a.identity.volume_serial, b.identity.volume_serial)) return c;
  if (int c = three_way(a.identity.index_high, b.identity.index_high)) return c;
  return three_way(a.identity.index_low, b.identity.index_low);
}

// Sorts [begin, end) by the first key, then each run of entries equal under
// it by the remaining keys.
void sort_by_keys(const Model& model, const SortKey* keys, int key_count, int* begin, int* end) {
  const std::vector<Row>& rows = model.rows;
  int number = keys[0].key - 1;
  int direction = keys[0].direction;
  auto compare = [&](int a, int b) { return compare_rows(number, rows[a], rows[b], direction); };
  std::sort(begin, end, [&](int a, int b) { return compare(a, b) < 0; });
  if (key_count < 2) return;
  for (int* run = begin; run < end;) {
    int* run_end = run + 1;
    while (run_end < end && compare(*run, *run_end) == 0) ++run_end;
    if (run_end - run >= 2) sort_by_keys(model, keys + 1, key_count - 1, run, run_end);
    run = run_end;
  }
}

}  // namespace

int compare_rows(int number, const Row& a, const Row& b, int direction) {
  const Row& x = direction == kDescending ? b : a;
  const Row& y = direction == kDescending ? a : b;
  switch (number) {
    case 0: return locale_compare(x.path, y.path);
    case 1: return x.id - y.id;
    case 2: return x.group - y.group;
    case 3: return three_way(x.size, y.size);
    case 4: return three_way(x.time, y.time);
    case 5: return locale_compare(x.folder, y.folder);
    case 6: return locale_compare(x.name, y.name);
    case 7: return locale_compare(x.extension, y.extension);
    case 8: return locale_compare(x.attribute, y.attribute);
    case 9: return compare_links(x, y);
    case 10: return x.checked - y.checked;
    case 11: return x.selected - y.selected;
    default: return 0;
  }
}

int multi_key_sort(const Model& model, const SortKey* keys, int key_count, int* begin, int* end) {
  if (end - begin < 2) return -1;
  if (key_count > 0) sort_by_keys(model, keys, key_count, begin, end);
  return 0;
}

void parse_sort_keys(const wchar_t* text, SortSettings& settings) {
  if (!text) return;
  for (int row = 0; row < kKeyRows; ++row) {
    wchar_t key = text[2 * row];
    if (key == 0) return;
    wchar_t direction = text[2 * row + 1];
    if (direction == 0) return;
    if (key >= L'A' && key < L'A' + kKeyCount) settings.key[row] = key - L'A';
    if (direction == L'1' || direction == L'2') settings.direction[row] = direction - L'0';
  }
}

void format_sort_keys(const SortSettings& settings, wchar_t (&text)[2 * kKeyRows + 1]) {
  for (int row = 0; row < kKeyRows; ++row) {
    int key = settings.key[row];
    int direction = settings.direction[row];
    text[2 * row] = static_cast<wchar_t>(L'A' + (key >= 0 && key < kKeyCount ? key : 0));
    text[2 * row + 1] = direction == kDescending ? L'2' : L'1';
  }
  text[2 * kKeyRows] = 0;
}

int chosen_keys(const SortSettings& settings, SortKey (&keys)[kKeyRows]) {
  int count = 0;
  for (int row = 0; row < kKeyRows; ++row) {
    int key = settings.key[row];
    if (key > 0 && key < kKeyCount) keys[count++] = SortKey{key, settings.direction[row]};
  }
  return count;
}

Colouring colouring_for(int key, int direction) {
  if (key != 2 && key != 3) return Colouring::by_position;
  return direction == kDescending ? Colouring::natural_descending : Colouring::natural_ascending;
}

}  // namespace mox::results
