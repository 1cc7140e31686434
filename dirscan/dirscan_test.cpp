// The program end to end on small trees. Wine lists a folder's entries in its
// own order, so outputs of folders with several entries are compared as sets.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/testkit.h"
#include "dirscan/oem_escape.h"

namespace mox {
namespace {

using test::run;
using test::TempDir;
using test::utf16le;
using Lines = std::vector<std::string>;

std::wstring exe() { return test::program_dir() + L"\\dirscan.exe"; }

std::wstring in_quotes(const std::wstring& path) { return L"\"" + path + L"\""; }

std::string size_line(unsigned long long size, const std::wstring& path) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%020llu", size);
  std::string line = digits;
  line += ' ';
  line += oem_escape(path);
  return line + "\r\n";
}

std::string name_line(const std::wstring& name, unsigned long long size, const std::wstring& path) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "|%020llu ", size);
  std::wstring padded = name + std::wstring(name.size() < 70 ? 70 - name.size() : 0, L' ');
  return oem_escape(padded) + digits + oem_escape(path) + "\r\n";
}

std::string message(const std::wstring& text) { return utf16le(text); }

// root: a.txt (1234), sub\b.txt (5), sub\é.txt (3), sub\empty.txt (0)
struct Tree {
  TempDir dir{L"scan"};
  std::wstring root = canonical_path(dir.path);
  Tree() {
    test::write_file(dir / L"a.txt", std::string(1234, 'a'));
    test::make_dir(dir / L"sub");
    test::write_file(dir / L"sub\\b.txt", "bbbbb");
    test::write_file(dir / L"sub\\\u00E9.txt", "eee");
    test::write_file(dir / L"sub\\empty.txt", "");
  }
  std::wstring at(const std::wstring& name) const { return root + L"\\" + name; }
};

TEST(Dirscan, BothFormsByteExact) {
  Tree t;
  test::RunResult r = run(L"dirscan", in_quotes(t.root));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted({size_line(1234, t.at(L"a.txt")), size_line(5, t.at(L"sub\\b.txt")),
                                         size_line(3, t.at(L"sub\\\u00E9.txt")), size_line(0, t.at(L"sub\\empty.txt"))}));
  EXPECT_NE(r.out.find("\\\x82.txt\r\n"), std::string::npos);  // é in OEM 437, no byte-order mark
  EXPECT_EQ(r.out.substr(0, 2), "00");

  const std::string form0 = r.out;
  r = run(L"dirscan", L"-0 -W1 " + in_quotes(t.root));  // of -0 and -1 the later one counts
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::sorted_lines(r.out),
            test::sorted({name_line(L"a.txt", 1234, t.at(L"a.txt")), name_line(L"b.txt", 5, t.at(L"sub\\b.txt")),
                    name_line(L"\u00E9.txt", 3, t.at(L"sub\\\u00E9.txt")),
                    name_line(L"empty.txt", 0, t.at(L"sub\\empty.txt"))}));
  r = run(L"dirscan", L"-1 /0 " + in_quotes(t.root));
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted_lines(form0));

  // One entry per folder: the order of the walk shows.
  TempDir chain(L"chain");
  test::make_dir(chain / L"d");
  test::make_dir(chain / L"d\\e");
  test::write_file(chain / L"d\\e\\f.txt", "f");
  std::wstring root = canonical_path(chain.path);
  r = run(L"dirscan", L"-0 " + in_quotes(root) + L" " + in_quotes(root + L"\\d\\e\\f.txt"));
  EXPECT_EQ(r.out, size_line(1, root + L"\\d\\e\\f.txt") + size_line(1, root + L"\\d\\e\\f.txt"));
}

// Names a plain path would alter, made through the \\?\ form beside the
// ordinary names they would turn into: each listed in that form, with its
// own size; the ordinary ones stay plain.
TEST(Dirscan, NamesAPlainPathCannotCarryAreListedInTheExtendedForm) {
  TempDir dir(L"odd");
  std::wstring root = canonical_path(dir.path);
  std::wstring ext = extended_path(root);
  ASSERT_TRUE(test::make_dir(root + L"\\apache"));
  ASSERT_TRUE(test::make_dir(ext + L"\\apache."));
  ASSERT_TRUE(test::make_dir(ext + L"\\nul"));
  const std::pair<std::wstring, std::wstring> files[] = {
      {root, L"a"},   {ext, L"a."},        {ext, L"b "},        {ext, L"aux.c"},   {ext, L"COM1"},
      {root, L"apache\\f"}, {ext, L"apache.\\f"}, {ext, L"nul\\g.txt"},
  };
  Lines want;
  for (size_t i = 0; i < std::size(files); ++i) {
    std::wstring path = files[i].first + L"\\" + files[i].second;
    ASSERT_TRUE(test::write_file(path, std::string(i + 1, 'x'))) << test::to_utf8(path);
    want.push_back(size_line(i + 1, path));
  }
  test::RunResult r = run(L"dirscan", in_quotes(root));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted(want));
  r = run(L"dirscan", in_quotes(ext + L"\\apache."));
  EXPECT_EQ(r.out, want[6]);
}

TEST(Dirscan, AttributeRulesFromConfig) {
  Tree t;
  ASSERT_TRUE(SetFileAttributesW(t.at(L"a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(t.at(L"sub\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  TempDir work(L"work");
  struct Case {
    const char* value;
    Lines expected;
  };
  const Case cases[] = {
      // R drops read-only entries: the folder stays and is descended.
      {"R", {size_line(3, t.at(L"sub\\\u00E9.txt")), size_line(0, t.at(L"sub\\empty.txt"))}},
      // r keeps read-only entries only: the folder is not, so it is not descended.
      {"r", {size_line(1234, t.at(L"a.txt"))}},
      {"x?", {size_line(1234, t.at(L"a.txt")), size_line(5, t.at(L"sub\\b.txt")),
              size_line(3, t.at(L"sub\\\u00E9.txt")), size_line(0, t.at(L"sub\\empty.txt"))}},
  };
  for (const Case& c : cases) {
    test::write_file(work / L"config.ini", std::string("[exclude]\r\nattribute=") + c.value + "\r\n");
    test::RunResult r = run(L"dirscan", in_quotes(t.root), "", work.path);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(test::sorted_lines(r.out), test::sorted(c.expected)) << c.value;
  }
}

TEST(Dirscan, SizeRangeExtensionsAndJpegFromConfigAndOptions) {
  Tree t;
  test::write_file(t.at(L"k1023.bin"), std::string(1023, 'k'));
  test::write_file(t.at(L"k1024.JPG"), std::string(1024, 'k'));
  TempDir work(L"work");
  struct Case {
    const char* config;
    const wchar_t* options;
    Lines expected;
  };
  const Case cases[] = {
      {"[exclude]\r\nmin=1K\r\n", L"", {size_line(1234, t.at(L"a.txt")), size_line(1024, t.at(L"k1024.JPG"))}},
      {"[exclude]\r\nmax=1,023\r\n", L"-Z",
       {size_line(5, t.at(L"sub\\b.txt")), size_line(3, t.at(L"sub\\\u00E9.txt")), size_line(1023, t.at(L"k1023.bin"))}},
      {"[exclude]\r\nmin=1X\r\nmax=2\r\n", L"", {size_line(0, t.at(L"sub\\empty.txt"))}},  // a bad min stays 0
      {"", L"-E .jpg.txt", {size_line(1234, t.at(L"a.txt")), size_line(5, t.at(L"sub\\b.txt")),
                             size_line(3, t.at(L"sub\\\u00E9.txt")), size_line(0, t.at(L"sub\\empty.txt")),
                             size_line(1024, t.at(L"k1024.JPG"))}},
      {"", L"-E .bin", {size_line(1023, t.at(L"k1023.bin"))}},
      {"", L"-E \"\"", {}},  // an empty list lists nothing
      {"", L"-A other -E .bin", {size_line(1023, t.at(L"k1023.bin"))}},  // another word is ignored
  };
  for (const Case& c : cases) {
    test::write_file(work / L"config.ini", c.config);
    test::RunResult r = run(L"dirscan", std::wstring(c.options) + L" " + in_quotes(t.root), "", work.path);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(test::sorted_lines(r.out), test::sorted(c.expected)) << c.config << " / " << test::to_utf8(c.options);
  }
  // -E last with no value: no filter; the roots then come from standard input.
  test::write_file(work / L"config.ini", "[exclude]\r\nmin=1023\r\n");
  test::RunResult r = run(L"dirscan", L"-E", utf16le(t.root + L"\r\n"), work.path);
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted({size_line(1234, t.at(L"a.txt")), size_line(1023, t.at(L"k1023.bin")),
                                         size_line(1024, t.at(L"k1024.JPG"))}));
}

TEST(Dirscan, JpegMode) {
  TempDir dir(L"jpegmode");
  std::string app1 = std::string("\xFF\xE1\x00\x08", 4) + "exif..";
  std::string tables = std::string("\xFF\xDB\x00\x04", 4) + "qq";
  std::string scan = std::string("\xFF\xDA\x00\x04", 4) + "ss" + std::string(100, 'd') + "\xFF\xD9";
  test::write_file(dir / L"a.jpg", "\xFF\xD8" + app1 + tables + scan);
  test::write_file(dir / L"b.jpg", "\xFF\xD8" + tables + scan);
  test::write_file(dir / L"c.png", "\x89PNG\r\n\x1A\n" + scan);
  std::wstring root = canonical_path(dir.path);
  TempDir work(L"work");
  const unsigned long long from_tables = tables.size() + scan.size(), from_scan = scan.size();
  test::write_file(work / L"config.ini", "");
  test::RunResult r = run(L"dirscan", L"-A JPEG " + in_quotes(root), "", work.path);
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted({size_line(from_tables, root + L"\\a.jpg"),
                                         size_line(from_tables, root + L"\\b.jpg")}));
  test::write_file(work / L"config.ini", "[JPEG]\r\nSOS=1\r\nJFIF=0\r\n");
  r = run(L"dirscan", L"-a jpeg " + in_quotes(root), "", work.path);
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted({size_line(from_scan, root + L"\\a.jpg"),
                                         size_line(from_scan, root + L"\\b.jpg")}));
  // A file named as a root keeps its size, JPEG or not.
  r = run(L"dirscan", L"-A jpeg " + in_quotes(root + L"\\c.png"), "", work.path);
  EXPECT_EQ(r.out, size_line(8 + scan.size(), root + L"\\c.png"));
}

TEST(Dirscan, CanonicalRootsTakeTheStoredSpelling) {
  TempDir dir(L"canon");
  test::make_dir(dir / L"MixedCase");
  test::make_dir(dir / L"MixedCase\\Inner");
  test::write_file(dir / L"MixedCase\\Inner\\f.txt", "ff");
  std::wstring root = canonical_path(dir.path);
  // Trailing separator (doubled: a backslash before the closing quote escapes it).
  test::RunResult r = run(L"dirscan", in_quotes(root + L"\\mixedCASE\\inner\\\\"));
  EXPECT_EQ(r.out, size_line(2, root + L"\\MixedCase\\Inner\\f.txt"));
  r = run(L"dirscan", in_quotes(root + L"\\MIXEDCASE\\inner\\F.TXT"));
  EXPECT_EQ(r.out, size_line(2, root + L"\\MixedCase\\Inner\\f.txt"));
}

struct ThreeRoots {
  TempDir dir{L"roots"};
  std::wstring root = canonical_path(dir.path);
  std::wstring r[3];
  std::string line[3];
  ThreeRoots() {
    for (int i = 0; i < 3; ++i) {
      std::wstring name = L"r" + std::to_wstring(i);
      test::make_dir(dir / name);
      test::write_file(dir / (name + L"\\f.txt"), std::string(static_cast<size_t>(i + 1), 'x'));
      r[i] = root + L"\\" + name;
      line[i] = size_line(static_cast<unsigned long long>(i + 1), r[i] + L"\\f.txt");
    }
  }
};

TEST(Dirscan, RootLists) {
  ThreeRoots t;
  // A byte-order mark on every line, an unchecked root, an empty line, and a
  // line longer than a list line: reported once, never split into roots.
  std::wstring list = L"\uFEFF" + t.r[0] + L"\r\n\uFEFF:" + t.r[1] + L"\r\n\uFEFF\r\n\uFEFFC:\\" +
                      std::wstring(6000, L'x') + L"\\x\r\n\uFEFF" + t.r[2] + L"\r\n";
  test::RunResult r = run(L"dirscan", L"", utf16le(list));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, t.line[0] + t.line[2]);
  EXPECT_EQ(r.err, message(L": No such file or directory\r\nC:\\" + std::wstring(6000, L'x') +
                           L"\\x: too long file name\r\n"));

  TempDir lists(L"lists");
  test::write_file(lists / L"LIST.TXT", utf16le(L"\uFEFF" + t.r[0] + L"\r\n"));
  // -R with a folder argument: only the roots of the file.
  r = run(L"dirscan", L"-R " + in_quotes(lists / L"LIST.TXT") + L" " + in_quotes(t.r[1]), utf16le(t.r[2]));
  EXPECT_EQ(r.out, t.line[0]);
  // -R without one: standard input.
  r = run(L"dirscan", L"-R " + in_quotes(lists / L"LIST.TXT"), utf16le(t.r[2]));
  EXPECT_EQ(r.out, t.line[2]);
  // Folder arguments in order; a path over 1032 characters is reported and the walk goes on.
  std::wstring long_root = t.root + L"\\" + std::wstring(1100, L'y');
  r = run(L"dirscan", in_quotes(t.r[1]) + L" " + in_quotes(long_root) + L" " + in_quotes(t.r[0]));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, t.line[1] + t.line[0]);
  EXPECT_EQ(r.err, message(long_root + L": too long file name\r\n"));
}

TEST(Dirscan, ExclusionFile) {
  Tree t;
  test::write_file(t.at(L"x.log"), "log");
  test::make_dir(t.at(L"Skip"));
  test::write_file(t.at(L"Skip\\t.txt"), "t");
  TempDir lists(L"lists");
  const std::wstring too_long = std::wstring(300, L'z');
  test::write_file(lists / L"XLIST.TXT", utf16le(L"\uFEFF" + too_long + L"\r\n\uFEFF.LOG>\r\n\uFEFF\\skip\\\r\n" +
                                                 std::wstring(6000, L'w') + L"\r\n\uFEFF\\SUB\\\u00E9.\r\n"));
  test::RunResult r = run(L"dirscan", L"-x " + in_quotes(lists / L"XLIST.TXT") + L" " + in_quotes(t.root));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted({size_line(1234, t.at(L"a.txt")), size_line(5, t.at(L"sub\\b.txt")),
                                         size_line(0, t.at(L"sub\\empty.txt"))}));
  EXPECT_EQ(r.err, message(exe() + L": too long pattern, ignored: " + too_long + L"\r\n" + exe() +
                           L": too long pattern, ignored: " + std::wstring(6000, L'w') + L"\r\n"));
}

TEST(Dirscan, UsageBadOptionsAndInputsThatCannotBeOpened) {
  TempDir dir(L"opts");
  std::wstring log = dir / L"log.txt";
  test::write_file(log, utf16le(L"old\r\n"));
  struct Case {
    std::wstring args;
    std::wstring err;
    bool logged;
  };
  const Case cases[] = {
      {L"-h", L"usage: " + exe() + L" [-L logfile] [-x excludefile] dir..\r\n", false},
      {L"/?", L"usage: " + exe() + L" [-L logfile] [-x excludefile] dir..\r\n", false},
      {L"-q x", exe() + L": bad option Q\r\nfor more infomation: " + exe() + L" /?\r\n", false},
      {L"-L " + in_quotes(log) + L" -x " + in_quotes(dir / L"nofile") + L" x",
       exe() + L": can't open " + dir / L"nofile" + L"\r\n", true},
      {L"-L " + in_quotes(log) + L" -R " + in_quotes(dir / L"nolist") + L" x",
       exe() + L": can't open " + dir / L"nolist" + L"\r\n", true},
      {L"-x", exe() + L": option X needs a value\r\nfor more infomation: " + exe() + L" /?\r\n", false},
  };
  std::string logged = utf16le(L"old\r\n");
  for (const Case& c : cases) {
    test::RunResult r = run(L"dirscan", c.args);
    EXPECT_EQ(r.exit_code, 1) << test::to_utf8(c.args);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, message(c.err)) << test::to_utf8(c.args);
    if (c.logged) logged += message(c.err);
  }
  // The walk's messages go to the log too, appended.
  test::RunResult r = run(L"dirscan", L"-L " + in_quotes(log) + L" " + in_quotes(dir / L"missing"));
  EXPECT_EQ(r.exit_code, 0);
  logged += message(canonical_path(dir.path) + L"\\missing: No such file or directory\r\n");
  EXPECT_EQ(test::read_file(log), logged);
}

}  // namespace
}  // namespace mox
