#include "moxwin/results/model.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/testkit.h"

namespace mox::results {
namespace {

using namespace std::string_literals;

// Every path is found (size 100, archive) unless it is gone; identities only
// where one is given.
struct FakeFacts : FileFacts {
  std::set<std::wstring> gone;
  std::map<std::wstring, shell::FileStatus> statuses;
  std::map<std::wstring, FileIdentity> identities;

  int status(const wchar_t* path, shell::FileStatus* status) override {
    if (gone.count(path)) return -1;
    auto it = statuses.find(path);
    if (it != statuses.end()) {
      *status = it->second;
    } else {
      *status = shell::FileStatus{};
      status->size = 100;
      status->write_time = 5;
      status->flags = shell::kFileArchive;
    }
    return 0;
  }
  bool identity(const wchar_t* path, FileIdentity* identity) override {
    auto it = identities.find(path);
    if (it == identities.end()) return false;
    *identity = it->second;
    return true;
  }
};

// A dated list line: time, size, then the path from unit 41 on.
std::wstring dated(const std::wstring& path) { return L"2024-05-06 07:08:09 00000000000000001234 " + path + L"\r\n"; }

LoadOutcome load_bytes(Model& model, const std::string& bytes, int capacity, FileFacts& facts) {
  test::TempDir dir(L"results");
  test::write_file(dir / L"DLIST.TXT", bytes);
  return load_file(model, (dir / L"DLIST.TXT").c_str(), capacity, facts);
}

LoadOutcome load_text(Model& model, const std::wstring& text, int capacity = 1000) {
  FakeFacts facts;
  return load_bytes(model, test::utf16le(text), capacity, facts);
}

std::vector<std::wstring> paths_of(const Model& model) {
  std::vector<std::wstring> paths;
  for (const Row& row : model.rows) paths.push_back(row.path);
  return paths;
}

// Storage indexes, order and colour tables agree with the rows.
void expect_consistent(const Model& model) {
  ASSERT_EQ(model.order.size(), model.rows.size());
  ASSERT_EQ(model.position_colours.size(), model.rows.size());
  for (int i = 0; i < model.count(); ++i) {
    EXPECT_EQ(model.rows[i].storage_index, i);
    EXPECT_EQ(model.order[i], i);
  }
}

TEST(Load, GroupsMarksAndUnusableLines) {
  std::wstring text = L"\r\n\r\n" + (L"\uFEFF" + dated(L"C:\\g3\\one")) + dated(L"C:\\g3\\two") +
                      L"short line\r\n" + dated(L"C:\\g3\\three") + L"\r\n\r\n" +
                      (L"\uFEFF" + dated(L"C:\\g5\\one")) + dated(L"C:\\bad\0path"s) + L"\uFEFF\r\n" +
                      dated(L"C:\\g6\\one");
  Model model;
  LoadOutcome outcome = load_text(model, L"\uFEFF" + text);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_FALSE(outcome.out_of_memory);
  EXPECT_EQ(outcome.skipped_lines, 2);  // the short line and the one with U+0000
  struct Expected {
    const wchar_t* path;
    int group;
  };
  const Expected expected[] = {
      {L"C:\\g3\\one", 3}, {L"C:\\g3\\two", 3}, {L"C:\\g3\\three", 3}, {L"C:\\g5\\one", 5}, {L"C:\\g6\\one", 6},
  };
  ASSERT_EQ(model.count(), 5);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(std::wstring(model.rows[i].path), expected[i].path);
    EXPECT_EQ(model.rows[i].group, expected[i].group);
    EXPECT_EQ(model.rows[i].id, i + 1);
    EXPECT_EQ(model.rows[i].checked, kUnchecked);
  }
  expect_consistent(model);
}

TEST(Load, LineEndsThatEndTheList) {
  struct Case {
    const char* what;
    std::wstring text;
    std::vector<std::wstring> paths;
  };
  const Case cases[] = {
      {"LF only", L"2024-05-06 07:08:09 00000000000000001234 C:\\a\n" + dated(L"C:\\b"), {}},
      {"last line without CR", dated(L"C:\\a") + L"2024-05-06 07:08:09 00000000000000001234 C:\\b", {L"C:\\a"}},
      {"last line with CR, no LF", dated(L"C:\\a") + L"2024-05-06 07:08:09 00000000000000001234 C:\\b\r",
       {L"C:\\a", L"C:\\b"}},
      {"text after CR is cut", L"2024-05-06 07:08:09 00000000000000001234 C:\\a\rjunk\r\n", {L"C:\\a"}},
      {"line starting with U+0000", dated(L"C:\\a") + L"\0"s + dated(L"C:\\b"), {L"C:\\a"}},
      {"empty file", L"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Model model;
    EXPECT_EQ(load_text(model, c.text).status, 0);
    EXPECT_EQ(paths_of(model), c.paths);
  }
  Model model;
  FakeFacts facts;
  load_bytes(model, test::utf16le(dated(L"C:\\a")) + "x", 10, facts);  // odd last byte
  EXPECT_EQ(paths_of(model), std::vector<std::wstring>{L"C:\\a"});
}

// The line buffer holds 1095 units a read: lines around and far beyond that
// load whole, and the list goes on after them.
TEST(Load, LongLinesLoadWhole) {
  for (int line_length : {1094, 1095, 1096, 1097, 2190, 2191, 5000, 100000}) {
    SCOPED_TRACE(line_length);
    std::wstring long_path = L"C:\\" + std::wstring(static_cast<size_t>(line_length - 41 - 2 - 3), L'p');
    Model model;
    LoadOutcome outcome = load_text(model, dated(long_path) + L"\r\n" + dated(L"C:\\after"));
    EXPECT_EQ(outcome.skipped_lines, 0);
    ASSERT_EQ(model.count(), 2);
    EXPECT_EQ(model.rows[0].path, long_path);
    EXPECT_EQ(std::wstring(model.rows[0].folder), L"C:\\");
    EXPECT_EQ(std::wstring(model.rows[1].path), L"C:\\after");
    EXPECT_EQ(model.rows[1].group, 2);
  }
}

TEST(Load, CapacityLimitsTheRows) {
  std::wstring text = dated(L"C:\\a") + dated(L"C:\\b") + L"\r\n" + dated(L"C:\\c");
  struct Case {
    int capacity;
    int rows;
  };
  const Case cases[] = {{0, 0}, {-5, 0}, {1, 1}, {2, 2}, {3, 3}, {INT_MAX, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    Model model;
    LoadOutcome outcome = load_text(model, text, c.capacity);
    EXPECT_FALSE(outcome.out_of_memory);  // no table is allocated for the capacity alone
    EXPECT_EQ(model.count(), c.rows);
    expect_consistent(model);
  }
}

TEST(Load, MissingListLeavesTheModelEmpty) {
  Model model;
  load_text(model, dated(L"C:\\a"));
  ASSERT_EQ(model.count(), 1);
  FakeFacts facts;
  test::TempDir dir(L"results");
  EXPECT_EQ(load_file(model, (dir / L"DLIST.TXT").c_str(), 10, facts).status, -1);
  EXPECT_EQ(model.count(), 0);
  EXPECT_TRUE(model.order.empty());
}

TEST(Load, PathFolderNameAndExtension) {
  struct Case {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* extension;
  };
  const Case cases[] = {
      {L"C:\\a\\b.txt", L"C:\\a", L"b.txt", L"txt"},
      {L"C:\\root.txt", L"C:\\", L"root.txt", L"txt"},
      {L"C:\\a\\b.tar.gz", L"C:\\a", L"b.tar.gz", L"gz"},
      {L"C:\\a.b\\c", L"C:\\a.b", L"c", L""},
      {L"C:\\a\\.profile", L"C:\\a", L".profile", L"profile"},
      {L"C:\\a\\b.", L"C:\\a", L"b.", L""},
      {L"\\\\server\\share\\dir", L"\\\\server\\share", L"dir", L""},
      {L"C:\\a/b.c", L"C:\\a", L"a/b.c", L"c"},  // '/' parts folders, not names
      {L"C:\\x.d/file", L"C:\\x.d", L"x.d/file", L"d/file"},
  };
  std::wstring text;
  for (const Case& c : cases) text += dated(c.path);
  Model model;
  load_text(model, text);
  ASSERT_EQ(model.count(), static_cast<int>(std::size(cases)));
  for (int i = 0; i < model.count(); ++i) {
    const Row& row = model.rows[i];
    SCOPED_TRACE(test::to_utf8(cases[i].path));
    EXPECT_EQ(std::wstring(row.path), cases[i].path);
    EXPECT_EQ(std::wstring(row.folder), cases[i].folder);
    EXPECT_EQ(std::wstring(row.name), cases[i].name);
    EXPECT_EQ(std::wstring(row.extension), cases[i].extension);
  }
}

TEST(Load, FileStatusAndIdentityPerRow) {
  FakeFacts facts;
  shell::FileStatus attributes_only;
  attributes_only.flags = shell::kFileHidden;
  shell::FileStatus big;
  big.size = 5'000'000'000;
  big.write_time = 133'000'000'000'000'000;
  big.flags = shell::kFileReadOnly;
  facts.statuses[L"C:\\attrs"] = attributes_only;
  facts.statuses[L"C:\\big"] = big;
  facts.gone.insert(L"C:\\gone");
  facts.identities[L"C:\\big"] = {7, 1, 2, 3};
  facts.identities[L"C:\\gone"] = {7, 1, 9, 1};  // never asked: the file is gone
  Model model;
  load_bytes(model, test::utf16le(dated(L"C:\\big") + dated(L"C:\\attrs") + dated(L"C:\\gone")), 10, facts);
  ASSERT_EQ(model.count(), 3);
  const Row& found = model.rows[0];
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.size, 5'000'000'000);
  EXPECT_EQ(found.time, 133'000'000'000'000'000);
  EXPECT_EQ(std::wstring(found.attribute), L"R");
  EXPECT_EQ(found.identity.index_high, 1u);
  EXPECT_EQ(found.identity.index_low, 2u);
  EXPECT_EQ(found.identity.links, 3u);
  const Row& attrs = model.rows[1];
  EXPECT_TRUE(attrs.found);
  EXPECT_EQ(attrs.size, shell::kUnknown);
  EXPECT_EQ(attrs.time, shell::kUnknown);
  EXPECT_EQ(std::wstring(attrs.attribute), L"H");
  EXPECT_EQ(attrs.identity.volume_serial, 0u);
  const Row& gone = model.rows[2];
  EXPECT_FALSE(gone.found);
  EXPECT_EQ(gone.size, shell::kUnknown);
  EXPECT_EQ(gone.time, shell::kUnknown);
  EXPECT_EQ(std::wstring(gone.attribute), L"");
  EXPECT_EQ(gone.identity.volume_serial, 0u);
  EXPECT_EQ(gone.identity.index_low, 0u);
}

TEST(AttributeLetters, OrderAndChoices) {
  using namespace shell;
  struct Case {
    uint32_t flags;
    uint32_t tag;
    const wchar_t* letters;
  };
  const Case cases[] = {
      {0, 0, L""},
      {kFileArchive | kFileHidden | kFileReadOnly, 0, L"RHA"},
      {kFileSystem | kFileArchive, 0, L"SA"},
      {kFileEncrypted | kFileCompressed, 0, L"E"},
      {kFileCompressed, 0, L"C"},
      {kFileReparsePoint, 0xA000000C, L"Y"},
      {kFileReparsePoint, 0xA0000003, L"L"},
      {kFileSparse, 0, L"Z"},
      {0xFFFFFFFF, 0xA000000C, L"RHSAEYZ"},
      {kFileDirectory | kFileRegular | kFileWritable | kFileReadable, 0, L""},
  };
  for (const Case& c : cases) {
    FileStatus status;
    status.flags = c.flags;
    status.reparse_tag = c.tag;
    wchar_t letters[8];
    std::fill(std::begin(letters), std::end(letters), L'#');
    attribute_letters(status, letters);
    EXPECT_EQ(std::wstring(letters), c.letters) << std::hex << c.flags;
  }
}

TEST(Links, SameFileWithinTheGroup) {
  FakeFacts facts;
  facts.identities[L"C:\\g1\\link1"] = {9, 0, 42, 2};
  facts.identities[L"C:\\g1\\link2"] = {9, 0, 42, 2};
  facts.identities[L"C:\\g1\\copy"] = {9, 0, 43, 1};
  facts.identities[L"C:\\g3\\link3"] = {9, 0, 42, 2};  // the same file, but another group
  // C:\g2\* have no identity: unknown identities count as one file.
  std::wstring text = dated(L"C:\\g1\\link1") + dated(L"C:\\g1\\copy") + dated(L"C:\\g1\\link2") + L"\r\n" +
                      dated(L"C:\\g2\\x") + dated(L"C:\\g2\\y") + L"\r\n" + dated(L"C:\\g3\\link3") +
                      dated(L"C:\\g3\\other");
  Model model;
  load_bytes(model, test::utf16le(text), 100, facts);
  std::vector<int> links;
  for (const Row& row : model.rows) links.push_back(row.link);
  EXPECT_EQ(links, (std::vector<int>{2, 1, 2, 2, 2, 1, 1}));

  EXPECT_TRUE(same_file(model.rows[0].identity, model.rows[2].identity));
  EXPECT_FALSE(same_file(model.rows[0].identity, model.rows[1].identity));
  EXPECT_FALSE(same_file(model.rows[3].identity, model.rows[4].identity));  // unknown is never the same
  EXPECT_TRUE(same_file({0, 0, 1, 1}, {0, 0, 1, 5}));                      // links do not matter
  EXPECT_FALSE(same_file({1, 0, 1, 1}, {2, 0, 1, 1}));
}

TEST(Colours, ParityPositionsAndBackground) {
  const ListColours colours = {{0x11, 0x22, 0x33, 0x44}};
  Model model;
  for (int group : {1, 1, 3, 4}) {
    Row row;
    row.storage_index = model.count();
    row.group = group;
    model.rows.push_back(std::move(row));
  }
  reset_order(model);
  compute_parity(model);
  std::vector<int> parity;
  for (const Row& row : model.rows) parity.push_back(row.parity);
  EXPECT_EQ(parity, (std::vector<int>{0, 0, 1, 0}));

  compute_position_colours(model, colours);
  EXPECT_EQ(model.position_colours, (std::vector<uint32_t>{0x33, 0x33, 0x44, 0x33}));
  model.order = {3, 0, 1, 2};  // groups 4, 1, 1, 3
  compute_position_colours(model, colours);
  EXPECT_EQ(model.position_colours, (std::vector<uint32_t>{0x33, 0x44, 0x44, 0x33}));

  struct Case {
    Colouring mode;
    std::vector<uint32_t> colours;
  };
  const Case cases[] = {
      {Colouring::natural_ascending, {0x11, 0x11, 0x22, 0x11}},
      {Colouring::natural_descending, {0x11, 0x22, 0x11, 0x11}},  // storage row count - 1 - p
      {Colouring::by_position, {0x33, 0x44, 0x44, 0x33}},
  };
  for (const Case& c : cases) {
    model.colouring = c.mode;
    std::vector<uint32_t> shown;
    for (int p = 0; p < model.count(); ++p) shown.push_back(background_colour(model, p, colours));
    EXPECT_EQ(shown, c.colours) << static_cast<int>(c.mode);
    // Outside the list: no read past the tables.
    EXPECT_EQ(background_colour(model, -1, colours), 0x11u);
    EXPECT_EQ(background_colour(model, 4, colours), 0x11u);
  }
}

TEST(Compact, RemovesDeletedRows) {
  Model model;
  load_text(model, dated(L"C:\\a") + dated(L"C:\\b") + L"\r\n" + dated(L"C:\\c") + dated(L"C:\\d") + L"\r\n" +
                       dated(L"C:\\e"));
  model.order = {4, 3, 2, 1, 0};
  model.rows[0].checked = kDeleted;
  model.rows[2].checked = kDeleted;
  model.rows[3].checked = kDeleted;
  model.rows[1].checked = kChecked;  // a file that could not be deleted stays checked
  compact(model);
  EXPECT_EQ(paths_of(model), (std::vector<std::wstring>{L"C:\\b", L"C:\\e"}));
  ASSERT_EQ(model.count(), 2);
  EXPECT_EQ(model.rows[0].id, 2);
  EXPECT_EQ(model.rows[1].id, 5);
  EXPECT_EQ(model.rows[1].group, 3);
  EXPECT_EQ(model.rows[0].checked, kChecked);
  EXPECT_EQ(std::wstring(model.rows[1].name), L"e");  // texts moved with their rows
  EXPECT_EQ(model.rows[1].parity, 1);
  expect_consistent(model);
}

TEST(Load, BadInputNeverCrashes) {
  std::mt19937 random(7);
  FakeFacts facts;
  {
    std::string bytes(300000, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    // Some CR LF pairs so that random lines are taken.
    for (size_t i = 100; i + 4 < bytes.size(); i += 1 + random() % 3000) bytes.replace(i & ~size_t{1}, 4, "\r\0\n\0", 4);
    Model model;
    LoadOutcome outcome = load_bytes(model, bytes, 1'000'000, facts);
    EXPECT_EQ(outcome.status, 0);
    expect_consistent(model);
    for (const Row& row : model.rows) EXPECT_NE(row.path[0], 0);
  }
  {
    std::wstring text;
    std::vector<std::wstring> expected;
    for (int i = 0; i < 60; ++i) {
      size_t length = random() % 100000;
      std::wstring line(length, L'x');
      text += line + L"\r\n";
      if (length > 41) expected.push_back(line.substr(41));
    }
    Model model;
    load_text(model, text);
    EXPECT_EQ(paths_of(model), expected);
  }
  {
    std::wstring text;
    for (int i = 0; i < 100000; ++i) text += L"\r\n";
    Model model;
    load_text(model, text + dated(L"C:\\late"));
    ASSERT_EQ(model.count(), 1);
    EXPECT_EQ(model.rows[0].group, 100001);
  }
  {
    std::wstring text;
    for (int i = 0; i < 500; ++i) text += dated(L"C:\\f" + std::to_wstring(i));
    Model model;
    load_text(model, text, 300);
    EXPECT_EQ(model.count(), 300);
    EXPECT_EQ(std::wstring(model.rows[299].path), L"C:\\f299");
  }
}

}  // namespace
}  // namespace mox::results
