#include "moxwin/results/sorting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "common/testkit.h"

namespace mox::results {
namespace {

struct RowFields {
  int id = 0;
  int group = 0;
  int64_t size = 0;
  int64_t time = 0;
  const wchar_t* path = L"";
  const wchar_t* folder = L"";
  const wchar_t* name = L"";
  const wchar_t* extension = L"";
  const wchar_t* attribute = L"";
  int link = 0;
  FileIdentity identity = {};
  uint8_t checked = 0;
  uint8_t selected = 0;
};

Row row_of(const RowFields& f) {
  Row row;
  row.id = f.id;
  row.group = f.group;
  row.size = f.size;
  row.time = f.time;
  row.path = f.path;
  row.folder = f.folder;
  row.name = f.name;
  row.extension = f.extension;
  std::wcsncpy(row.attribute, f.attribute, 7);
  row.link = f.link;
  row.identity = f.identity;
  row.checked = f.checked;
  row.selected = f.selected;
  return row;
}

Model model_of(const std::vector<RowFields>& fields) {
  Model model;
  for (const RowFields& f : fields) {
    model.rows.push_back(row_of(f));
    model.rows.back().storage_index = model.count() - 1;
  }
  reset_order(model);
  return model;
}

int sign(int v) { return (v > 0) - (v < 0); }

TEST(Compare, KeysAndDirections) {
  struct Case {
    const char* what;
    int number;
    RowFields a;
    RowFields b;
    int direction;
    int expected;
  };
  const int64_t big = 5'000'000'000;
  const Case cases[] = {
      {"path", 0, {.path = L"C:\\a"}, {.path = L"C:\\b"}, 1, -1},
      {"path equal", 0, {.path = L"C:\\a"}, {.path = L"C:\\a"}, 1, 0},
      {"id", 1, {.id = 3}, {.id = 7}, 1, -1},
      {"id descending", 1, {.id = 3}, {.id = 7}, 2, 1},
      {"group", 2, {.group = 9}, {.group = 2}, 1, 1},
      {"size past 32 bits", 3, {.size = 0x100000000}, {.size = 0xFFFFFFFF}, 1, 1},
      {"size", 3, {.size = big}, {.size = big + 1}, 1, -1},
      {"size equal", 3, {.size = big}, {.size = big}, 1, 0},
      {"size unknown", 3, {.size = -1}, {.size = 0}, 1, -1},
      {"size extremes", 3, {.size = INT64_MIN}, {.size = INT64_MAX}, 1, -1},
      {"size descending", 3, {.size = 1}, {.size = 2}, 2, 1},
      {"time unknown is all bits set, signed", 4, {.time = -1}, {.time = 5}, 1, -1},
      {"time extremes", 4, {.time = INT64_MAX}, {.time = INT64_MIN}, 1, 1},
      {"time equal", 4, {.time = 1LL << 40}, {.time = 1LL << 40}, 1, 0},
      {"folder", 5, {.folder = L"C:\\b"}, {.folder = L"C:\\a"}, 1, 1},
      {"name", 6, {.name = L"a.txt"}, {.name = L"b.txt"}, 2, 1},
      {"no extension first", 7, {.extension = L""}, {.extension = L"gz"}, 1, -1},
      {"attribute", 8, {.attribute = L"A"}, {.attribute = L"RA"}, 1, -1},
      {"link", 9, {.link = 2}, {.link = 1}, 1, 1},
      {"link signed", 9, {.link = -1}, {.link = 1}, 1, -1},
      {"then number of links", 9, {.link = 1, .identity = {0, 0, 0, 3}}, {.link = 1, .identity = {0, 0, 0, 2}}, 1, 1},
      {"then volume, unsigned", 9, {.identity = {0x80000000, 0, 0, 1}}, {.identity = {1, 0, 0, 1}}, 1, 1},
      {"then index high", 9, {.identity = {1, 0xFFFFFFFF, 0, 1}}, {.identity = {1, 0, 0, 1}}, 1, 1},
      {"then index low", 9, {.identity = {1, 0, 1, 1}}, {.identity = {1, 0, 2, 1}}, 1, -1},
      {"link all equal", 9, {.link = 2, .identity = {1, 2, 3, 2}}, {.link = 2, .identity = {1, 2, 3, 2}}, 1, 0},
      {"checked", 10, {.checked = 0}, {.checked = 1}, 1, -1},
      {"selected", 11, {.selected = 1}, {.selected = 0}, 1, 1},
      {"no such key", 12, {.id = 1}, {.id = 2}, 1, 0},
      {"no such key below", -1, {.id = 1}, {.id = 2}, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(sign(compare_rows(c.number, row_of(c.a), row_of(c.b), c.direction)), c.expected);
  }
}

TEST(Compare, LocaleComparisonIsThreeWay) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    int expected;
  };
  const Case cases[] = {{L"a", L"b", -1}, {L"b", L"a", 1}, {L"a", L"a", 0}, {L"", L"x", -1}, {L"abc", L"ab", 1}};
  for (const Case& c : cases) EXPECT_EQ(locale_compare(c.a, c.b), c.expected) << test::to_utf8(c.a);
  int cased = locale_compare(L"a", L"A");  // case matters
  EXPECT_TRUE(cased == -1 || cased == 1);
}

std::vector<int> sorted_order(const Model& model, std::vector<SortKey> keys) {
  std::vector<int> order = model.order;
  EXPECT_EQ(multi_key_sort(model, keys.data(), static_cast<int>(keys.size()), order.data(),
                           order.data() + order.size()),
            0);
  return order;
}

TEST(MultiKeySort, KeysInTurn) {
  Model model = model_of({{.id = 1, .group = 2, .size = 5, .name = L"b"},
                          {.id = 2, .group = 1, .size = 3, .name = L"a"},
                          {.id = 3, .group = 2, .size = 5, .name = L"c"},
                          {.id = 4, .group = 1, .size = 3, .name = L"c"},
                          {.id = 5, .group = 1, .size = 1, .name = L"b", .checked = 1}});
  EXPECT_EQ(sorted_order(model, {{3, kAscending}, {7, kDescending}}), (std::vector<int>{3, 4, 1, 2, 0}));

  // Key rows 1 and 3 chosen, row 2 none.
  SortSettings settings;
  settings.key[0] = 4;  // Size
  settings.key[1] = 0;
  settings.key[2] = 2;  // ID
  settings.direction[2] = kDescending;
  for (int row = 3; row < kKeyRows; ++row) settings.key[row] = 0;
  SortKey keys[kKeyRows];
  ASSERT_EQ(chosen_keys(settings, keys), 2);
  EXPECT_EQ(keys[1].key, 2);
  EXPECT_EQ(sorted_order(model, {keys[0], keys[1]}), (std::vector<int>{4, 3, 1, 2, 0}));

  std::vector<int> by_check = sorted_order(model, {{11, kAscending}});
  EXPECT_EQ(by_check.back(), 4);  // unchecked rows first

  std::vector<int> one = {2};
  EXPECT_EQ(multi_key_sort(model, keys, 2, one.data(), one.data() + 1), -1);
  EXPECT_EQ(multi_key_sort(model, keys, 2, one.data(), one.data()), -1);
  EXPECT_EQ(one, std::vector<int>{2});
  EXPECT_EQ(sorted_order(model, {}), model.order);  // no key: order unchanged
}

// Random rows, keys ending in ID so that exactly one order is right.
TEST(MultiKeySort, AgreesWithLexicographicOrder) {
  std::mt19937 random(3);
  const wchar_t* names[] = {L"a", L"B", L"b", L"\u3042", L"a.txt", L""};
  std::vector<RowFields> fields;
  for (int i = 0; i < 3000; ++i)
    fields.push_back({.id = i + 1,
                     .group = static_cast<int>(random() % 20),
                     .size = static_cast<int64_t>(random() % 4) << 31,
                     .name = names[random() % std::size(names)]});
  Model model = model_of(fields);
  std::shuffle(model.order.begin(), model.order.end(), random);
  const std::vector<SortKey> keys = {{3, kAscending}, {4, kDescending}, {7, kAscending}, {2, kDescending}};
  std::vector<int> order = sorted_order(model, keys);
  std::vector<int> expected(model.rows.size());
  std::iota(expected.begin(), expected.end(), 0);
  std::sort(expected.begin(), expected.end(), [&](int a, int b) {
    for (const SortKey& key : keys)
      if (int c = compare_rows(key.key - 1, model.rows[a], model.rows[b], key.direction)) return c < 0;
    return false;
  });
  EXPECT_EQ(order, expected);
}

// Path texts from a damaged list can hold any code units.
TEST(MultiKeySort, AnyTextsSortWithoutHarm) {
  std::mt19937 random(11);
  std::vector<std::wstring> texts(2000);
  for (std::wstring& text : texts)
    for (size_t n = random() % 12; n > 0; --n) text += static_cast<wchar_t>(1 + random() % 0xFFFF);
  std::vector<RowFields> fields;
  for (const std::wstring& text : texts) fields.push_back({.name = text.c_str()});
  Model model = model_of(fields);
  std::vector<int> order = sorted_order(model, {{7, kAscending}});
  std::vector<int> all = order;
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, model.order);  // a permutation
  for (size_t i = 1; i < order.size(); ++i)
    EXPECT_LE(locale_compare(model.rows[order[i - 1]].name, model.rows[order[i]].name), 0) << i;
}

TEST(SortKeys, SavedForm) {
  wchar_t text[2 * kKeyRows + 1];
  format_sort_keys(SortSettings{}, text);
  EXPECT_EQ(std::wstring(text), L"D1H1F1G1I1A1");

  struct Case {
    const wchar_t* text;
    std::vector<int> keys;
    std::vector<int> directions;
  };
  const Case cases[] = {
      {L"B2C1D2E1F2G1", {1, 2, 3, 4, 5, 6}, {2, 1, 2, 1, 2, 1}},
      {L"M2", {12, 7, 5, 6, 8, 0}, {2, 1, 1, 1, 1, 1}},
      {L"N3A2", {3, 0, 5, 6, 8, 0}, {1, 2, 1, 1, 1, 1}},  // unknown characters keep the values
      {L"a2@0", {3, 7, 5, 6, 8, 0}, {2, 1, 1, 1, 1, 1}},
      {L"B", {3, 7, 5, 6, 8, 0}, {1, 1, 1, 1, 1, 1}},  // a NUL in the pair stops
      {L"", {3, 7, 5, 6, 8, 0}, {1, 1, 1, 1, 1, 1}},
      {L"B2B2B2B2B2B2C2", {1, 1, 1, 1, 1, 1}, {2, 2, 2, 2, 2, 2}},
  };
  for (const Case& c : cases) {
    SortSettings settings;
    parse_sort_keys(c.text, settings);
    EXPECT_EQ(std::vector<int>(settings.key, settings.key + kKeyRows), c.keys) << test::to_utf8(c.text);
    EXPECT_EQ(std::vector<int>(settings.direction, settings.direction + kKeyRows), c.directions)
        << test::to_utf8(c.text);
  }

  SortSettings odd;
  const int keys[kKeyRows] = {13, -1, 12, 0, 5, 99};
  const int directions[kKeyRows] = {0, 2, 3, -1, 1, 2};
  std::copy(keys, keys + kKeyRows, odd.key);
  std::copy(directions, directions + kKeyRows, odd.direction);
  format_sort_keys(odd, text);
  EXPECT_EQ(std::wstring(text), L"A1A2M1A1F1A2");
  SortKey chosen[kKeyRows];
  EXPECT_EQ(chosen_keys(odd, chosen), 2);  // only 12 and 5 name keys
}

TEST(SortKeys, AnyTextParsesToValidKeys) {
  std::mt19937 random(5);
  for (int i = 0; i < 2000; ++i) {
    wchar_t text[2 * kKeyRows + 1] = {};
    for (int j = 0; j < 2 * kKeyRows; ++j)
      text[j] = static_cast<wchar_t>(random() % 2 ? L'0' + random() % 32 : random() % 0x10000);
    SortSettings settings;
    parse_sort_keys(text, settings);
    wchar_t saved[2 * kKeyRows + 1];
    format_sort_keys(settings, saved);
    SortSettings reread;
    parse_sort_keys(saved, reread);
    for (int row = 0; row < kKeyRows; ++row) {
      ASSERT_TRUE(settings.key[row] >= 0 && settings.key[row] < kKeyCount);
      ASSERT_TRUE(settings.direction[row] == 1 || settings.direction[row] == 2);
      ASSERT_EQ(reread.key[row], settings.key[row]);
      ASSERT_EQ(reread.direction[row], settings.direction[row]);
    }
  }
}

TEST(SortKeys, ColouringOfTheFirstKey) {
  struct Case {
    int key;
    int direction;
    Colouring colouring;
  };
  const Case cases[] = {
      {2, kAscending, Colouring::natural_ascending},  {2, kDescending, Colouring::natural_descending},
      {3, kAscending, Colouring::natural_ascending},  {3, kDescending, Colouring::natural_descending},
      {1, kAscending, Colouring::by_position},        {7, kDescending, Colouring::by_position},
      {0, kAscending, Colouring::by_position},
  };
  for (const Case& c : cases) EXPECT_EQ(colouring_for(c.key, c.direction), c.colouring) << c.key;
}

}  // namespace
}  // namespace mox::results
