#include "dirscan/scan.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/paths.h"

namespace mox {
namespace {

// A file system in memory, listed in the order of its nodes: attribute bits
// and reparse tags Wine cannot set, folders that refuse a search, and files
// that vanish between the listing and the next look at them.
struct Node {
  std::wstring path;
  unsigned long attributes;  // system bits
  unsigned long long size = 0;
  unsigned long tag = 0;
  bool vanished = false;
  bool denied = false;
  const wchar_t* same_as = nullptr;  // a link or junction: the folder it reaches
  unsigned long volume = 7;          // the volume of the folder itself
};

constexpr unsigned long kDir = FILE_ATTRIBUTE_DIRECTORY, kFile = FILE_ATTRIBUTE_ARCHIVE;

std::vector<Node> g_nodes;
std::vector<std::wstring> g_lines, g_messages, g_titles, g_searches, g_indexes, g_identities;

// A plain path as the system reads it: every component loses its trailing
// dots and blanks, and one that is a device name reaches no node. A path in
// the \\?\ form is taken as it stands.
std::wstring as_system_reads(const std::wstring& path) {
  if (is_extended_path(path))
    return path.compare(4, 4, L"UNC\\") == 0 ? L"\\\\" + path.substr(8) : path.substr(4);
  size_t root = static_cast<size_t>(root_length(path));
  std::wstring out = path.substr(0, root);
  for (size_t start = root; start < path.size();) {
    size_t end = std::min(path.find(L'\\', start), path.size());
    std::wstring name = path.substr(start, end - start);
    if (is_device_name(name)) return L"";
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    out += name + (end < path.size() ? L"\\" : L"");
    start = end + 1;
  }
  return out;
}

const Node* find_node(const std::wstring& asked) {
  std::wstring path = as_system_reads(asked);
  for (const Node& n : g_nodes)
    if (n.path == path) return &n;
  // "\\srv\share\" names the node "\\srv\share", as the system takes it.
  if (path.size() > 3 && path.back() == L'\\') return find_node(path.substr(0, path.size() - 1));
  return nullptr;
}

DirEntry entry_of(const Node& n) {
  DirEntry e;
  std::wstring name = n.path.substr(parent_path(n.path).size());
  if (!name.empty() && name[0] == L'\\') name.erase(0, 1);
  name.copy(e.name, 260);
  e.attributes = entry_attributes(n.attributes);
  e.reparse_tag = n.tag;
  e.size = n.size;
  return e;
}

DirEntry dot_entry(const wchar_t* name) {
  DirEntry e;
  std::wcscpy(e.name, name);
  e.attributes = kAttrDirectory;
  return e;
}

struct Search {
  std::vector<DirEntry> entries;
  size_t next = 1;
};

bool fake_get_attributes(const wchar_t* path, unsigned long* attributes) {
  const Node* n = find_node(path);
  if (!n || n->vanished) return false;
  *attributes = n->attributes;
  return true;
}

bool fake_find_first(const wchar_t* pattern, FindHandle* handle, DirEntry* entry, unsigned long* error) {
  std::wstring p = pattern;
  auto* search = new Search;
  if (p.size() >= 3 && p.compare(p.size() - 3, 3, L"*.*") == 0) {
    g_searches.push_back(p);
    std::wstring folder = p.substr(0, p.size() - 3);
    if (folder.size() > 1 && folder.back() == L'\\' && folder[folder.size() - 2] != L':') folder.pop_back();
    const Node* dir = find_node(folder);
    if (!dir || dir->denied) {
      *error = dir ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
      delete search;
      return false;
    }
    search->entries = {dot_entry(L"."), dot_entry(L"..")};
    for (const Node& n : g_nodes)
      if (&n != dir && parent_path(n.path) == dir->path) search->entries.push_back(entry_of(n));
  } else {
    const Node* n = find_node(p);
    if (!n || n->vanished || n->denied) {
      *error = n && n->denied ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
      delete search;
      return false;
    }
    search->entries = {entry_of(*n)};
  }
  *entry = search->entries[0];
  *handle = search;
  return true;
}

bool fake_find_next(FindHandle handle, DirEntry* entry) {
  auto* search = static_cast<Search*>(handle);
  if (search->next >= search->entries.size()) return false;
  *entry = search->entries[search->next++];
  return true;
}

void fake_find_close(FindHandle handle) { delete static_cast<Search*>(handle); }

// Every .jpg has a payload of half its size; anything else is no JPEG file.
long long fake_jpeg_payload(const wchar_t* path, const JpegOptions&) {
  std::wstring p = path;
  const Node* n = find_node(p);
  return n && p.size() > 4 && p.compare(p.size() - 4, 4, L".jpg") == 0 ? static_cast<long long>(n->size / 2) : 0;
}

void fake_set_title(const wchar_t* text) { g_titles.emplace_back(text); }

void fake_write_line(const wchar_t* line, int length) { g_lines.emplace_back(line, static_cast<size_t>(length)); }

void fake_report(const wchar_t* fmt, const wchar_t* first, const wchar_t* second) {
  std::wstring text = fmt;
  size_t at = text.find(L"%ls");
  text.replace(at, 3, first);
  at = text.find(L"%ls", at + std::wcslen(first));
  if (at != std::wstring::npos) text.replace(at, 3, second);
  g_messages.push_back(text);
}

// A folder's index is the place of the node it reaches; its volume is its own.
const Node* reached(const wchar_t* path) {
  const Node* n = find_node(path);
  return n && n->same_as ? find_node(n->same_as) : n;
}

bool fake_folder_index(const wchar_t* path, unsigned long long* index) {
  g_indexes.emplace_back(path);
  const Node* n = reached(path);
  if (!n) return false;
  *index = static_cast<unsigned long long>(n - g_nodes.data());
  return true;
}

bool fake_folder_identity(const wchar_t* path, FolderId* id) {
  g_identities.emplace_back(path);
  const Node* n = reached(path);
  if (!n) return false;
  id->volume = find_node(path)->volume;
  id->index = static_cast<unsigned long long>(n - g_nodes.data());
  return true;
}

const ScanSystem kFake = {fake_get_attributes, fake_find_first, fake_find_next,  fake_find_close,
                          fake_jpeg_payload,   fake_set_title,  fake_write_line, fake_report,
                          fake_folder_index,   fake_folder_identity};

void scan(const ScanOptions& options, const std::wstring& root) {
  g_lines.clear();
  g_messages.clear();
  g_titles.clear();
  g_searches.clear();
  g_indexes.clear();
  g_identities.clear();
  scan_root(options, kFake, root);
}

std::wstring line0(unsigned long long size, wchar_t marker, const std::wstring& path) {
  wchar_t digits[32];
  std::swprintf(digits, 32, L"%020llu", size);
  return digits + std::wstring(1, marker) + path + L"\r\n";
}

using Lines = std::vector<std::wstring>;

// C:\ holds b.txt, d (e.txt, f (g.txt)) and z.txt, listed in this order.
void small_tree() {
  g_nodes = {
      {L"C:\\", kDir},
      {L"C:\\b.txt", kFile, 1234},
      {L"C:\\d", kDir},
      {L"C:\\d\\e.txt", kFile, 5},
      {L"C:\\d\\f", kDir},
      {L"C:\\d\\f\\g.txt", kFile, 7},
      {L"C:\\z.txt", kFile, 1},
  };
}

TEST(Walk, DepthFirstPreOrderFromDriveRoot) {
  small_tree();
  ScanOptions o;
  o.set_title = true;
  scan(o, L"C:\\");
  EXPECT_EQ(g_lines, (Lines{line0(1234, ' ', L"C:\\b.txt"), line0(5, ' ', L"C:\\d\\e.txt"),
                            line0(7, ' ', L"C:\\d\\f\\g.txt"), line0(1, ' ', L"C:\\z.txt")}));
  EXPECT_EQ(g_searches, (Lines{L"C:\\*.*", L"C:\\d\\*.*", L"C:\\d\\f\\*.*"}));
  EXPECT_EQ(g_titles, (Lines{L"C:\\", L"C:\\d", L"C:\\d\\f"}));
  EXPECT_TRUE(g_messages.empty());

  o.no_recursion = true;
  o.set_title = false;
  scan(o, L"C:\\");
  EXPECT_EQ(g_lines, (Lines{line0(1234, ' ', L"C:\\b.txt"), line0(1, ' ', L"C:\\z.txt")}));

  ScanOptions named;
  named.form = 1;
  scan(named, L"C:\\d\\f");
  EXPECT_EQ(g_lines, (Lines{L"g.txt" + std::wstring(65, ' ') + L"|00000000000000000007 C:\\d\\f\\g.txt\r\n"}));
}

TEST(Walk, FiltersOnEntriesButNotOnANamedFile) {
  small_tree();
  ScanOptions o;
  o.settings.min_size = 5;
  o.settings.max_size = 7;  // both bounds inclusive
  scan(o, L"C:\\");
  EXPECT_EQ(g_lines, (Lines{line0(5, ' ', L"C:\\d\\e.txt"), line0(7, ' ', L"C:\\d\\f\\g.txt")}));

  ScanOptions x;
  ExcludePattern p;
  ASSERT_EQ(parse_pattern_line(L"\\F\\", &p), PatternLine::added);  // the folder and all below it
  add_pattern(x.patterns, p);
  ASSERT_EQ(parse_pattern_line(L"B.TXT>", &p), PatternLine::added);
  add_pattern(x.patterns, p);
  scan(x, L"C:\\");
  EXPECT_EQ(g_lines, (Lines{line0(5, ' ', L"C:\\d\\e.txt"), line0(1, ' ', L"C:\\z.txt")}));
  EXPECT_TRUE(g_messages.empty());  // excluded silently
  scan(x, L"C:\\d\\f");             // a root is tested too
  EXPECT_TRUE(g_lines.empty());

  // Extensions apply to files only; a folder without one is still descended.
  g_nodes.push_back({L"C:\\d\\f\\h.JPG", kFile, 40});
  ExtensionList jpg = parse_extension_list(L".jpg");
  ScanOptions e;
  e.extensions = &jpg;
  scan(e, L"C:\\");
  EXPECT_EQ(g_lines, (Lines{line0(40, ' ', L"C:\\d\\f\\h.JPG")}));

  // JPEG mode lists the payload size and drops files without one.
  ScanOptions j;
  j.jpeg = true;
  g_nodes.back().path = L"C:\\d\\f\\h.jpg";
  scan(j, L"C:\\d");
  EXPECT_EQ(g_lines, (Lines{line0(20, ' ', L"C:\\d\\f\\h.jpg")}));

  // A file named as a root ignores size, extension, attribute and JPEG filters.
  ScanOptions all = x;
  all.settings.min_size = 100000;
  all.extensions = &jpg;
  all.jpeg = true;
  all.settings.rules = parse_attribute_rules(L"r");
  all.patterns.items.clear();
  scan(all, L"C:\\z.txt");
  EXPECT_EQ(g_lines, (Lines{line0(1, ' ', L"C:\\z.txt")}));
  // The exclusion patterns still apply to it.
  ASSERT_EQ(parse_pattern_line(L"Z.TXT>", &p), PatternLine::added);
  add_pattern(all.patterns, p);
  scan(all, L"C:\\z.txt");
  EXPECT_TRUE(g_lines.empty());
  EXPECT_TRUE(g_messages.empty());
}

TEST(Walk, CompressedMarker) {
  g_nodes = {
      {L"C:\\t", kDir},
      {L"C:\\t\\c.bin", kFile | FILE_ATTRIBUTE_COMPRESSED, 10},
      {L"C:\\t\\s.bin", kFile | FILE_ATTRIBUTE_SPARSE_FILE, 11},
      {L"C:\\t\\p.bin", kFile, 12},
      {L"\\\\srv\\share", kDir},
      {L"\\\\srv\\share\\c.bin", kFile | FILE_ATTRIBUTE_COMPRESSED, 13},
  };
  ScanOptions o;
  scan(o, L"C:\\t");
  EXPECT_EQ(g_lines, (Lines{line0(10, 'c', L"C:\\t\\c.bin"), line0(11, 'c', L"C:\\t\\s.bin"),
                            line0(12, ' ', L"C:\\t\\p.bin")}));
  for (const wchar_t* share : {L"\\\\srv\\share", L"\\\\srv\\share\\"}) {  // kept with its backslash too
    scan(o, share);  // never on a network path, and no doubled separator
    EXPECT_EQ(g_lines, (Lines{line0(13, ' ', L"\\\\srv\\share\\c.bin")})) << share;
    EXPECT_EQ(g_searches, (Lines{L"\\\\srv\\share\\*.*"})) << share;
  }

  ScanOptions filtered;
  filtered.settings.rules = parse_attribute_rules(L"H");
  scan(filtered, L"C:\\t");  // with attribute rules the marker is always blank
  EXPECT_EQ(g_lines, (Lines{line0(10, ' ', L"C:\\t\\c.bin"), line0(11, ' ', L"C:\\t\\s.bin"),
                            line0(12, ' ', L"C:\\t\\p.bin")}));
  scan(filtered, L"C:\\t\\c.bin");  // but a named file keeps it
  EXPECT_EQ(g_lines, (Lines{line0(10, 'c', L"C:\\t\\c.bin")}));
}

TEST(Walk, AttributeRulesOnFilesAndFolders) {
  const unsigned long ro = FILE_ATTRIBUTE_READONLY, hidden = FILE_ATTRIBUTE_HIDDEN;
  const unsigned long reparse = FILE_ATTRIBUTE_REPARSE_POINT;
  g_nodes = {
      {L"C:\\r", kDir},
      {L"C:\\r\\ro.txt", kFile | ro, 1},
      {L"C:\\r\\rh.txt", kFile | ro | hidden, 2},
      {L"C:\\r\\plain.txt", kFile, 3},
      {L"C:\\r\\rodir", kDir | ro},
      {L"C:\\r\\rodir\\in.txt", kFile | ro, 4},
      {L"C:\\r\\dir", kDir},
      {L"C:\\r\\dir\\in.txt", kFile | ro, 5},
      {L"C:\\r\\link.txt", kFile | reparse, 6, kTagSymlink},
      {L"C:\\r\\junction", kDir | reparse, 0, kTagMountPoint},
      {L"C:\\r\\junction\\in.txt", kFile | reparse, 7, kTagSymlink},
  };
  struct Case {
    const wchar_t* letters;
    Lines listed;
  };
  const Case cases[] = {
      // Only read-only folders are descended into.
      {L"Hr", {L"C:\\r\\ro.txt", L"C:\\r\\rodir\\in.txt"}},
      {L"y", {L"C:\\r\\link.txt"}},  // the junction is no symbolic link
      {L"Y", {L"C:\\r\\ro.txt", L"C:\\r\\rh.txt", L"C:\\r\\plain.txt", L"C:\\r\\rodir\\in.txt", L"C:\\r\\dir\\in.txt"}},
      {L"J", {L"C:\\r\\ro.txt", L"C:\\r\\rh.txt", L"C:\\r\\plain.txt", L"C:\\r\\rodir\\in.txt", L"C:\\r\\dir\\in.txt",
              L"C:\\r\\link.txt"}},
      {L"jy", {}},  // files are no junctions, the junction is no link
  };
  for (const Case& c : cases) {
    ScanOptions o;
    o.settings.rules = parse_attribute_rules(c.letters);
    scan(o, L"C:\\r");
    Lines paths;
    for (const std::wstring& line : g_lines) paths.push_back(line.substr(21, line.size() - 23));
    EXPECT_EQ(paths, c.listed) << c.letters;
  }
}

TEST(Walk, BadInputIsReportedAndTheWalkGoesOn) {
  const std::wstring deep = L"C:\\" + std::wstring(300, L'p');  // 303 characters
  g_nodes = {
      {L"C:\\w", kDir},
      {L"C:\\w\\locked", kDir, 0, 0, false, true},
      {L"C:\\w\\a.txt", kFile, 1},
      {L"C:\\w\\gone.txt", kFile, 2, 0, true},
      {L"C:\\w\\gonedir", kDir, 0, 0, true},
      {L"C:\\w\\b.txt", kFile, 3},
      {deep, kDir},
      {deep + L"\\" + std::wstring(211, L'n'), kFile, 4},  // 303 + 211 = 514: fits
      {deep + L"\\" + std::wstring(212, L'o'), kFile, 5},  // 515: too long
      {deep + L"\\z.txt", kFile, 6},
  };
  ScanOptions o;
  scan(o, L"C:\\w");
  EXPECT_EQ(g_lines, (Lines{line0(1, ' ', L"C:\\w\\a.txt"), line0(3, ' ', L"C:\\w\\b.txt")}));
  EXPECT_EQ(g_messages, (Lines{L"C:\\w\\locked: Permission denied\r\n",
                               L"C:\\w\\gone.txt: No such file or directory\r\n",
                               L"C:\\w\\gonedir: No such file or directory\r\n"}));

  scan(o, deep);
  EXPECT_EQ(g_lines, (Lines{line0(4, ' ', deep + L"\\" + std::wstring(211, L'n')), line0(6, ' ', deep + L"\\z.txt")}));
  EXPECT_EQ(g_messages, (Lines{deep + L"\\" + std::wstring(212, L'o') + L": too long name\r\n"}));

  // Roots: over 1032 characters, a search pattern over 1032, missing, unreadable file.
  const std::wstring long_root = L"C:\\" + std::wstring(1030, L'q');
  const std::wstring edge_root = L"C:\\" + std::wstring(1029, L'q');  // 1032: scanned, but "\*.*" is too long
  g_nodes.push_back({edge_root, kDir});
  g_nodes.push_back({L"C:\\w\\secret.txt", kFile, 9, 0, false, true});
  scan(o, long_root);
  EXPECT_EQ(g_messages, (Lines{long_root + L": too long file name\r\n"}));
  scan(o, edge_root);
  EXPECT_EQ(g_messages, (Lines{edge_root + L"\\*.*: too long name\r\n"}));
  scan(o, L"C:\\none");
  EXPECT_EQ(g_messages, (Lines{L"C:\\none: No such file or directory\r\n"}));
  scan(o, L"");
  EXPECT_EQ(g_messages, (Lines{L": No such file or directory\r\n"}));
  scan(o, L"C:\\w\\secret.txt");
  EXPECT_EQ(g_messages, (Lines{L"C:\\w\\secret.txt: Permission denied\r\n"}));
  EXPECT_TRUE(g_lines.empty());
}

TEST(Walk, AFolderOnThePathFromTheRootIsNotEnteredAgain) {
  g_nodes = {
      {L"C:\\t", kDir},
      {L"C:\\t\\a", kDir},
      {L"C:\\t\\a\\f.txt", kFile, 1},
      {L"C:\\t\\a\\up", kDir, 0, 0, false, false, L"C:\\t\\a"},  // its parent
      {L"C:\\t\\a\\top", kDir, 0, 0, false, false, L"C:\\t"},   // the root
      {L"C:\\t\\a\\top\\never.txt", kFile, 9},
      {L"C:\\t\\b", kDir},
      {L"C:\\t\\b\\g.txt", kFile, 2},
      {L"C:\\t\\c", kDir, 0, 0, false, false, L"C:\\t\\b"},  // b again, but b is left by then: no loop
      {L"C:\\t\\c\\g.txt", kFile, 2},
      // Another volume whose root has the index of a: an equal index alone is no loop.
      {L"C:\\t\\a\\mnt", kDir, 0, 0, false, false, L"C:\\t\\a", 8},
      {L"C:\\t\\a\\mnt\\m.txt", kFile, 3},
  };
  ScanOptions o;
  scan(o, L"C:\\t");
  EXPECT_EQ(g_lines, (Lines{line0(1, ' ', L"C:\\t\\a\\f.txt"), line0(3, ' ', L"C:\\t\\a\\mnt\\m.txt"),
                            line0(2, ' ', L"C:\\t\\b\\g.txt"), line0(2, ' ', L"C:\\t\\c\\g.txt")}));
  EXPECT_EQ(g_messages, (Lines{L"C:\\t\\a\\up: folder loop, skipped\r\n", L"C:\\t\\a\\top: folder loop, skipped\r\n"}));
  // One index per folder, none per file; whole identities only where two
  // indexes meet; no search of a loop.
  EXPECT_EQ(g_indexes, (Lines{L"C:\\t", L"C:\\t\\a", L"C:\\t\\a\\up", L"C:\\t\\a\\top", L"C:\\t\\a\\mnt", L"C:\\t\\b",
                              L"C:\\t\\c"}));
  EXPECT_EQ(g_identities, (Lines{L"C:\\t\\a\\up", L"C:\\t\\a", L"C:\\t\\a\\top", L"C:\\t", L"C:\\t\\a\\mnt", L"C:\\t\\a"}));
  EXPECT_EQ(g_searches, (Lines{L"C:\\t\\*.*", L"C:\\t\\a\\*.*", L"C:\\t\\a\\mnt\\*.*", L"C:\\t\\b\\*.*", L"C:\\t\\c\\*.*"}));
}

// "apache." read plainly is "apache", "a." is "a", "aux.c" is a device: the
// walk goes through the \\?\ form from such an entry down, and lists it so.
TEST(Walk, NamesAPlainPathCannotCarryTakeTheExtendedForm) {
  g_nodes = {
      {L"C:\\t", kDir},
      {L"C:\\t\\a", kFile, 1},
      {L"C:\\t\\a.", kFile, 2},
      {L"C:\\t\\aux.c", kFile, 3},
      {L"C:\\t\\apache", kDir},
      {L"C:\\t\\apache\\f", kFile, 4},
      {L"C:\\t\\apache.", kDir},
      {L"C:\\t\\apache.\\f", kFile, 5},
      {L"C:\\t\\apache.\\up", kDir, 0, 0, false, false, L"C:\\t"},  // a loop found below it
      {L"C:\\t\\z ", kFile, 6},
  };
  ScanOptions o;
  scan(o, L"C:\\t");
  EXPECT_EQ(g_lines, (Lines{line0(1, ' ', L"C:\\t\\a"), line0(2, ' ', L"\\\\?\\C:\\t\\a."),
                            line0(3, ' ', L"\\\\?\\C:\\t\\aux.c"), line0(4, ' ', L"C:\\t\\apache\\f"),
                            line0(5, ' ', L"\\\\?\\C:\\t\\apache.\\f"), line0(6, ' ', L"\\\\?\\C:\\t\\z ")}));
  EXPECT_EQ(g_searches, (Lines{L"C:\\t\\*.*", L"C:\\t\\apache\\*.*", L"\\\\?\\C:\\t\\apache.\\*.*"}));
  EXPECT_EQ(g_messages, (Lines{L"\\\\?\\C:\\t\\apache.\\up: folder loop, skipped\r\n"}));
  EXPECT_EQ(g_identities, (Lines{L"\\\\?\\C:\\t\\apache.\\up", L"\\\\?\\C:\\t"}));  // the root in that form too

  // A root whose stored spelling a plain path cannot carry, and a root given
  // in the \\?\ form, are walked in that form; a network path takes \\?\UNC\.
  std::erase_if(g_nodes, [](const Node& n) { return n.path.ends_with(L"\\up"); });
  for (const wchar_t* root : {L"C:\\t\\apache.", L"\\\\?\\C:\\t\\apache."}) {
    scan(o, root);
    EXPECT_EQ(g_lines, (Lines{line0(5, ' ', L"\\\\?\\C:\\t\\apache.\\f")}));
    EXPECT_EQ(g_searches, (Lines{L"\\\\?\\C:\\t\\apache.\\*.*"}));
  }
  // Exclusion patterns are the user's plain paths: matched against the plain spelling.
  ScanOptions x;
  for (const wchar_t* line : {L"<c:\\t\\apache.\\f>", L"<\\\\srv\\s\\nul>"}) {
    ExcludePattern pattern;
    ASSERT_EQ(parse_pattern_line(line, &pattern), PatternLine::added);
    add_pattern(x.patterns, pattern);
  }
  scan(x, L"C:\\t");
  EXPECT_EQ(g_lines.size(), 5u);
  EXPECT_EQ(std::count(g_lines.begin(), g_lines.end(), line0(5, ' ', L"\\\\?\\C:\\t\\apache.\\f")), 0);

  g_nodes = {{L"\\\\srv\\s", kDir}, {L"\\\\srv\\s\\nul", kFile | FILE_ATTRIBUTE_COMPRESSED, 7}};
  scan(o, L"\\\\srv\\s");
  EXPECT_EQ(g_lines, (Lines{line0(7, ' ', L"\\\\?\\UNC\\srv\\s\\nul")}));  // still no marker on a network path
  EXPECT_TRUE(g_messages.empty());
  scan(x, L"\\\\srv\\s");
  EXPECT_TRUE(g_lines.empty());
}

TEST(Walk, ErrorTexts) {
  struct Case {
    unsigned long error;
    const wchar_t* text;
  };
  const Case cases[] = {
      {ERROR_FILE_NOT_FOUND, L"No such file or directory"}, {ERROR_PATH_NOT_FOUND, L"No such file or directory"},
      {ERROR_NO_MORE_FILES, L"No such file or directory"},  {ERROR_ACCESS_DENIED, L"Permission denied"},
      {ERROR_NOT_ENOUGH_MEMORY, L"Not enough space"},       {ERROR_SHARING_VIOLATION, L"Invalid argument"},
  };
  for (const Case& c : cases) EXPECT_STREQ(find_error_text(c.error), c.text) << c.error;
}

TEST(Lines, FormatsAndRoom) {
  wchar_t out[200];
  const std::wstring path = L"C:\\a\\b.txt";
  int n = format_size_line(out, 200, 1234, L'c', path.c_str(), static_cast<int>(path.size()));
  EXPECT_EQ(std::wstring(out, static_cast<size_t>(n)), L"00000000000000001234cC:\\a\\b.txt\r\n");
  n = format_size_line(out, 200, 18446744073709551615ull, L' ', path.c_str(), static_cast<int>(path.size()));
  EXPECT_EQ(std::wstring(out, static_cast<size_t>(n)), L"18446744073709551615 C:\\a\\b.txt\r\n");
  const std::wstring long_name(80, L'n');  // written whole, not cut
  n = format_name_line(out, 200, long_name.c_str(), 7, path.c_str(), static_cast<int>(path.size()));
  EXPECT_EQ(std::wstring(out, static_cast<size_t>(n)), long_name + L"|00000000000000000007 C:\\a\\b.txt\r\n");
  EXPECT_EQ(format_size_line(out, 33, 1, L' ', path.c_str(), static_cast<int>(path.size())), -1);
  EXPECT_EQ(format_size_line(out, 34, 1, L' ', path.c_str(), static_cast<int>(path.size())), 33);
}

}  // namespace
}  // namespace mox
