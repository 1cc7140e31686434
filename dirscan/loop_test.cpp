// Folder loops made of real links: each path is listed once, the loop is
// reported and the run ends normally. Wine makes no links of its own
// (CreateSymbolicLinkW does nothing there), so the links are Unix ones, made
// and removed by the system's ln and rm; Wine follows them like junctions.
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

using test::TempDir;
using Lines = std::vector<std::string>;
using test::run_unix;
using test::unix_path;

std::wstring unix_arg(const std::string& unix) { return L"\"" + test::from_utf8(unix) + L"\""; }

// A scratch tree whose links are removed before the tree, so that removing
// the tree never walks through them.
struct LinkTree {
  TempDir dir{L"loop"};
  std::wstring root = canonical_path(dir.path);
  std::vector<std::string> links;

  std::wstring at(const std::wstring& name) const { return root + L"\\" + name; }
  void folder(const std::wstring& name) { ASSERT_TRUE(test::make_dir(at(name))); }
  void file(const std::wstring& name, size_t size) { ASSERT_TRUE(test::write_file(at(name), std::string(size, 'x'))); }
  // target as the link holds it: a Unix path, relative to the link's folder or absolute.
  void link(const std::wstring& name, const std::string& target) {
    std::string path = unix_path(at(name));
    ASSERT_FALSE(path.empty());
    run_unix(L"/bin/ln -s " + unix_arg(target) + L" " + unix_arg(path));
    links.push_back(path);
    ASSERT_NE(GetFileAttributesW(at(name).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << test::to_utf8(name);
  }
  ~LinkTree() {
    for (const std::string& path : links) run_unix(L"/bin/rm -f " + unix_arg(path));
  }
};

std::string size_line(unsigned long long size, const std::wstring& path) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%020llu ", size);
  return digits + oem_escape(path) + "\r\n";
}

// Messages are UTF-16LE lines; compared as UTF-8.
Lines messages_in(const std::string& utf16) { return test::sorted_lines(test::to_utf8(test::from_utf16le(utf16))); }
Lines message_lines(const std::wstring& joined) { return test::sorted_lines(test::to_utf8(joined)); }

TEST(FolderLoops, LinksToAnAncestorAndToTheRootAreNotEntered) {
  LinkTree t;
  // Names outside one of the two code pages show that the loop message and
  // the lines carry the path as it is.
  t.file(L"f.txt", 1);
  t.folder(L"\u00E9");
  t.file(L"\u00E9\\g.txt", 2);
  t.folder(L"\u00E9\\\u65E5");
  t.file(L"\u00E9\\\u65E5\\h.txt", 3);
  t.link(L"\u00E9\\\u65E5\\up", "..");  // its parent
  t.link(L"\u00E9\\root", unix_path(t.root));  // the root itself
  TempDir logs(L"looplog");
  std::wstring log = logs / L"log.txt";
  test::RunResult r = test::run(L"dirscan", L"-L \"" + log + L"\" \"" + t.root + L"\"");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted({size_line(1, t.at(L"f.txt")), size_line(2, t.at(L"\u00E9\\g.txt")),
                                         size_line(3, t.at(L"\u00E9\\\u65E5\\h.txt"))}));
  std::wstring messages = t.at(L"\u00E9\\\u65E5\\up") + L": folder loop, skipped\r\n" + t.at(L"\u00E9\\root") +
                          L": folder loop, skipped\r\n";
  EXPECT_EQ(messages_in(r.err), message_lines(messages));
  EXPECT_EQ(messages_in(test::read_file(log)), message_lines(messages));  // the log has them too

  // A link given as the root is walked from the folder it reaches; the root
  // is no ancestor of that folder, so its link is entered once.
  r = test::run(L"dirscan", L"\"" + t.at(L"\u00E9\\\u65E5\\up") + L"\"");
  EXPECT_EQ(r.exit_code, 0);
  const std::wstring via = t.at(L"\u00E9\\\u65E5\\up");
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted({size_line(2, via + L"\\g.txt"), size_line(3, via + L"\\\u65E5\\h.txt"),
                                         size_line(1, via + L"\\root\\f.txt")}));
  EXPECT_EQ(messages_in(r.err), message_lines(via + L"\\\u65E5\\up: folder loop, skipped\r\n" + via +
                                               L"\\root\\\u00E9: folder loop, skipped\r\n"));
}

TEST(FolderLoops, TwoLinksThatReachEachOther) {
  LinkTree t;
  t.folder(L"x");
  t.file(L"x\\a.txt", 4);
  t.folder(L"z");
  t.file(L"z\\b.txt", 5);
  t.link(L"x\\to_z", "../z");
  t.link(L"z\\to_x", unix_path(t.at(L"x")));
  // Each folder is reached once directly and once through the other's link,
  // which is no loop; only going back into a folder already on the path is.
  test::RunResult r = test::run(L"dirscan", L"\"" + t.root + L"\"");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::sorted_lines(r.out), test::sorted({size_line(4, t.at(L"x\\a.txt")), size_line(5, t.at(L"x\\to_z\\b.txt")),
                                         size_line(5, t.at(L"z\\b.txt")), size_line(4, t.at(L"z\\to_x\\a.txt"))}));
  EXPECT_EQ(messages_in(r.err), message_lines(t.at(L"x\\to_z\\to_x") + L": folder loop, skipped\r\n" +
                                               t.at(L"z\\to_x\\to_z") + L": folder loop, skipped\r\n"));
}

}  // namespace
}  // namespace mox
