// End-to-end searches: the scripts run through the command interpreter in a
// working folder, and their DLIST.TXT is checked against groups worked out
// here from the files themselves.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/testkit.h"

namespace mox {
namespace {

using namespace std::string_literals;

using Group = std::set<std::wstring>;
using Groups = std::set<Group>;

struct File {
  std::wstring path;  // canonical full path
  std::string bytes;
};

// A JPEG file: start of image, one APP1 segment with the metadata, then the
// payload from a quantisation table marker on.
std::string jpeg(const std::string& metadata, const std::string& payload) {
  std::string s = "\xFF\xD8\xFF\xE1";
  size_t len = metadata.size() + 2;
  s += static_cast<char>(len >> 8);
  s += static_cast<char>(len & 0xFF);
  s += metadata;
  s += "\xFF\xDB";
  s += payload;
  return s;
}

std::string pattern_bytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<char>(seed >> 16);
  }
  return s;
}

// The sample tree: a checked root with duplicates, near-duplicates, empty
// files, names the code pages cannot all carry, JPEGs and an excluded log
// file; and an unchecked root whose copies must not appear.
struct Tree {
  test::TempDir dir{L"tree"};
  std::wstring root, skipped;
  std::vector<File> files;         // every file the search may list
  std::vector<File> jpegs;         // with their payload in place of the bytes

  void add(const std::wstring& rel, const std::string& bytes) { add_at(root + L"\\" + rel, bytes); }

  // A name a plain path would alter: made, and expected in the list, in the
  // \\?\ form.
  void add_odd(const std::wstring& rel, const std::string& bytes) { add_at(extended_path(root) + L"\\" + rel, bytes); }

  void add_at(const std::wstring& path, const std::string& bytes) {
    ASSERT_TRUE(test::write_file(path, bytes)) << test::to_utf8(path);
    files.push_back({path, bytes});
  }

  // Folders ending in a dot or a blank beside the plain one they would turn
  // into; files "n." and "n " beside "n", all of one size and each of other
  // contents; every reserved device name, bare and with an extension, each
  // with an ordinary copy. A plain path would read one file for another, or
  // wait on a serial line for ever.
  void add_odd_names(const std::string& payload) {
    std::wstring ext = extended_path(root);
    for (const std::wstring& d : {root + L"\\apache", ext + L"\\apache.", ext + L"\\sp "})
      ASSERT_TRUE(test::make_dir(d)) << test::to_utf8(d);
    add(L"apache\\conf.txt", "apache: the plain one\r\n");
    add_odd(L"apache.\\conf.txt", "apache: the dotted one\r\n");
    add_odd(L"apache.\\pair.txt", "only inside apache.\r\n");
    add(L"b\\pair-copy.txt", "only inside apache.\r\n");
    add(L"b\\n", "plain n.\r\n");
    add_odd(L"b\\n.", "dotted n\r\n");
    add_odd(L"b\\n ", "spaced n\r\n");
    add(L"a\\n-copy", "dotted n\r\n");
    add_odd(L"sp \\deep.bin", pattern_bytes(100000, 1));
    const std::wstring devices[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"CONIN$", L"CONOUT$", L"COM\u00B9", L"COM\u00B2",
                                    L"COM\u00B3", L"LPT\u00B9", L"LPT\u00B2", L"LPT\u00B3"};
    std::vector<std::wstring> names(std::begin(devices), std::end(devices));
    for (wchar_t digit = L'1'; digit <= L'9'; ++digit) {
      names.push_back(L"COM"s + digit);
      names.push_back(L"LPT"s + digit);
    }
    for (const std::wstring& name : names) {
      for (const std::wstring& file : {name, name + L".c"}) {
        std::string bytes = "device " + test::to_utf8(file) + "\r\n";
        add_odd(file == name ? file : L"b\\" + file, bytes);
        add(L"a\\copy of " + file, bytes);
      }
    }
    add_odd(L"b\\nul.jpg", jpeg("Exif\0\0a device's name"s, payload));
  }

  Tree() {
    std::wstring base = canonical_path(dir.path);
    root = base + L"\\Root";
    skipped = base + L"\\Skipped";
    for (const std::wstring& d : {root, root + L"\\a", root + L"\\b", root + L"\\\u65e5\u672c", skipped})
      test::make_dir(d);
    std::string big = pattern_bytes(100000, 1);
    std::string big_diff = big;
    big_diff[70000] ^= 1;
    std::string last_diff = big;
    last_diff.back() ^= 1;
    add(L"a\\same.txt", "hello world\r\n");
    add(L"b\\same.txt", "hello world\r\n");
    add(L"b\\other.txt", "hello World\r\n");
    add(L"a\\big1.bin", big);
    add(L"b\\big2.bin", big);
    add(L"caf\u00e9.bin", big);
    add(L"\u65e5\u672c\\big3.bin", big_diff);
    add(L"\u65e5\u672c\\last.bin", last_diff);
    add(L"smile\U0001F600.txt", "hello world\r\n");
    add(L"a\\empty1", "");
    add(L"b\\empty2", "");
    add(L"a\\lonely.dat", pattern_bytes(777, 2));
    std::string payload = pattern_bytes(5000, 3);
    std::string payload2 = payload;
    payload2[4000] ^= 1;
    add(L"a\\photo.jpg", jpeg("Exif\0\0camera one"s, payload));
    add(L"b\\photo-edit.jpg", jpeg("Exif\0\0another camera, longer"s, payload));
    add(L"b\\photo-other.jpg", jpeg("Exif\0\0camera one"s, payload2));
    add_odd_names(payload);
    EXPECT_TRUE(test::write_file(root + L"\\a\\copy.log", "hello world\r\n"));  // excluded
    EXPECT_TRUE(test::write_file(skipped + L"\\same.txt", "hello world\r\n"));  // unchecked root
  }
};

Groups groups_by(const std::vector<File>& files, auto key) {
  std::map<decltype(key(files[0])), Group> by;
  for (const File& f : files) by[key(f)].insert(f.path);
  Groups groups;
  for (auto& [k, g] : by)
    if (g.size() > 1) groups.insert(g);
  return groups;
}

std::wstring upper(std::wstring s) {
  CharUpperW(s.data());
  return s;
}

// Groups of DLIST.TXT: dated lines (path from the 42nd character), sets
// separated by empty lines.
Groups read_dlist(const std::wstring& path, int* lines) {
  std::wstring text = test::from_utf16le(test::read_file(path));
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  Groups groups;
  Group current;
  *lines = 0;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find(L"\r\n", pos);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(pos, end - pos);
    pos = end + 2;
    if (line.empty()) {
      if (!current.empty()) groups.insert(current);
      current.clear();
    } else {
      ++*lines;
      current.insert(line.size() > 41 ? line.substr(41) : L"?short line: " + line);
    }
  }
  if (!current.empty()) groups.insert(current);
  return groups;
}

std::string describe(const Groups& groups) {
  std::string s;
  for (const Group& g : groups) {
    s += "{";
    for (const std::wstring& p : g) {
      s += ' ';
      s += test::to_utf8(p);
    }
    s += " }\n";
  }
  return s;
}

struct Search {
  test::TempDir work{L"work"};
  test::RunResult result;
  Groups groups;
  int lines = 0;
  int counts[2] = {-1, -1};

  Search(const Tree& tree, const std::wstring& script, const std::wstring& args) {
    test::write_file(work / L"LIST.TXT", test::utf16le(L"\uFEFF" + tree.root + L"\r\n:" + tree.skipped + L"\r\n"));
    test::write_file(work / L"XLIST.TXT", test::utf16le(L"\uFEFF.log>\r\n.bak>\r\n.tmp>\r\n"));
    test::write_file(work / L"config.ini",
                     "[exclude]\r\nmin=0\r\nmax=9223372036854775807\r\nattribute=\r\n[Options]\r\nbuffer=\r\nfiles=\r\n");
    run(script, args);
  }

  void run(const std::wstring& script, const std::wstring& args) {
    std::wstring cmd = L"/c \"" + test::program_dir() + L"\\" + script + L"\" " + args;
    result = test::run(L"C:\\windows\\system32\\cmd.exe", cmd, "", work.path);
    groups = read_dlist(work / L"DLIST.TXT", &lines);
    std::wstring count_text = test::from_utf16le(test::read_file(work / L"LIST5.TXT"));
    swscanf(count_text.c_str(), L"%d %d", &counts[0], &counts[1]);
  }
};

class Searches : public ::testing::Test {
 protected:
  // A search that waits on a device would never end.
  static void SetUpTestSuite() { test::start_watchdog(480000); }
  // A tree of its own for every test: one may change it.
  std::unique_ptr<Tree> tree = std::make_unique<Tree>();

  void expect(const Search& s, const Groups& want) {
    EXPECT_EQ(s.result.exit_code, 0) << s.result.err;
    EXPECT_EQ(s.groups, want) << "got:\n" << describe(s.groups) << "want:\n" << describe(want);
    EXPECT_EQ(s.counts[1], static_cast<int>(want.size()));
    EXPECT_EQ(s.counts[0], s.lines);
  }
};

TEST_F(Searches, ContentChainFindsEqualFiles) {
  Search s(*tree, L"MOX.BAT", L"/v");
  expect(s, groups_by(tree->files, [](const File& f) { return f.bytes; }));
}

TEST_F(Searches, SizeChainGroupsEqualSizes) {
  Search s(*tree, L"MOXS.BAT", L"");
  expect(s, groups_by(tree->files, [](const File& f) { return f.bytes.size(); }));
}

TEST_F(Searches, NameChainGroupsEqualNames) {
  Search s(*tree, L"MOXN.BAT", L"");
  // The name field is padded with blanks, so "n " and "n" are one name there,
  // as they are to a plain path.
  expect(s, groups_by(tree->files, [](const File& f) {
    std::wstring name = upper(f.path.substr(f.path.find_last_of(L'\\') + 1));
    return name.substr(0, name.find_last_not_of(L' ') + 1);
  }));
}

TEST_F(Searches, JpegChainIgnoresMetadata) {
  Search s(*tree, L"MOXJPEG.BAT", L"/v .jpg.jpeg.jfif");
  std::vector<File> payloads;
  for (const File& f : tree->files)
    if (f.path.ends_with(L".jpg")) payloads.push_back({f.path, f.bytes.substr(f.bytes.find("\xFF\xDB"))});
  expect(s, groups_by(payloads, [](const File& f) { return f.bytes; }));
}

TEST_F(Searches, ExtensionListAndLastRepeat) {
  Search s(*tree, L"MOX.BAT", L".bin");
  std::vector<File> bins;
  for (const File& f : tree->files)
    if (f.path.ends_with(L".bin")) bins.push_back(f);
  Groups want = groups_by(bins, [](const File& f) { return f.bytes; });
  expect(s, want);
  // After a file of a set is gone, LAST.BAT groups the same list again.
  std::wstring gone = *want.begin()->begin();
  ASSERT_TRUE(DeleteFileW(gone.c_str()));
  s.run(L"LAST.BAT", L"");
  std::erase_if(bins, [&](const File& f) { return f.path == gone; });
  expect(s, groups_by(bins, [](const File& f) { return f.bytes; }));
}

TEST_F(Searches, FailingStepsEndWithNonZeroExitCode) {
  {
    Search s(*tree, L"MOX.BAT", L"");
    DeleteFileW((s.work / L"LIST.TXT").c_str());  // the root list cannot be opened
    s.run(L"MOX.BAT", L"");
    EXPECT_NE(s.result.exit_code, 0);
  }
  {
    Search s(*tree, L"MOX.BAT", L"");
    DeleteFileW((s.work / L"LIST5.TXT").c_str());
    ASSERT_TRUE(test::make_dir(s.work / L"LIST5.TXT"));  // the count file cannot be written
    s.run(L"MOX.BAT", L"");
    EXPECT_NE(s.result.exit_code, 0);
  }
  {
    test::TempDir work(L"nolast");
    auto r = test::run(L"C:\\windows\\system32\\cmd.exe", L"/c \"" + test::program_dir() + L"\\LAST.BAT\"", "", work.path);
    EXPECT_NE(r.exit_code, 0);  // nothing to repeat
  }
  {
    Search s(*tree, L"MOX.BAT", L"/x");  // unknown argument
    EXPECT_NE(s.result.exit_code, 0);
  }
}

// A list that never reached its file must not pass for a whole one: each
// step reports the lost output with a non-zero exit code, which the scripts
// turn into a failed search.
TEST(Steps, LostOutputIsAFailure) {
  const std::string sizes = test::utf16le(L"00000000000000000005 C:\\a\r\n00000000000000000005 C:\\b\r\n");
  const std::string names = test::utf16le(std::wstring(70, L'x') + L"|00000000000000000005 C:\\a\r\n" +
                                          std::wstring(70, L'x') + L"|00000000000000000005 C:\\b\r\n");
  struct Step {
    const wchar_t* program;
    std::wstring args;
    std::string input;
  };
  const Step steps[] = {
      {L"dirscan", L"\"" + test::program_dir() + L"\"", ""},
      {L"widen", L"", "00000000000000000005 C:\\a\r\n"},
      {L"sizesum", L"", sizes},
      {L"sizegroup", L"", sizes},
      {L"keygroup", L"", names},
      {L"unkey", L"", ""},
      {L"dupcheck", L"", ""},
  };
  for (const Step& step : steps) {
    test::RunResult ok = test::run(step.program, step.args, step.input);
    EXPECT_EQ(ok.exit_code, 0) << test::to_utf8(step.program);
    EXPECT_FALSE(ok.out.empty()) << test::to_utf8(step.program);
    test::RunResult lost = test::run(step.program, step.args, step.input, L"", false);
    EXPECT_EQ(lost.exit_code, 1) << test::to_utf8(step.program);
    EXPECT_NE(test::from_utf16le(lost.err).find(L": can't write output\r\n"), std::wstring::npos)
        << test::to_utf8(step.program);
  }
}

}  // namespace
}  // namespace mox
