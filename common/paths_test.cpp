#include "common/paths.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

#include "common/testkit.h"

namespace mox {
namespace {

TEST(Paths, ParentJoinAndRoot) {
  struct Case {
    const wchar_t* path;
    const wchar_t* parent;
    int root;
    size_t name;  // where the file-name part begins: only '\\' counts
  };
  const Case cases[] = {
      {L"C:\\a\\b", L"C:\\a", 3, 5},   {L"C:\\a", L"C:\\", 3, 3},  {L"C:\\", L"C:\\", 3, 3},
      {L"C:a", L"C:", 2, 2},           {L"\\x", L"\\", 1, 1},      {L"\\\\server\\share\\dir", L"\\\\server\\share", 2, 15},
      {L"\\\\server", L"\\\\", 2, 2},  {L"C:/a/b", L"C:/a", 3, 3}, {L"rel", L"", 0, 0},
      {L"\\\\?\\C:\\a\\b.", L"\\\\?\\C:\\a", 7, 9},  {L"\\\\?\\C:\\a", L"\\\\?\\C:\\", 7, 7},
      {L"\\\\?\\UNC\\srv\\s\\x", L"\\\\?\\UNC\\srv\\s", 8, 14},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parent_path(c.path), c.parent) << c.path;
    EXPECT_EQ(root_length(c.path), c.root) << c.path;
    EXPECT_EQ(file_name_offset(c.path), c.name) << c.path;
  }
  EXPECT_EQ(join_path(L"C:\\", L"x"), L"C:\\x");
  EXPECT_EQ(join_path(L"C:", L"x"), L"C:x");
  EXPECT_EQ(join_path(L"\\", L"x"), L"\\x");
  EXPECT_EQ(join_path(L"C:\\a", L"x"), L"C:\\a\\x");
  EXPECT_EQ(join_path(L"\\\\srv\\share\\", L"x"), L"\\\\srv\\share\\x");  // a kept trailing backslash
  EXPECT_TRUE(is_network_path(L"\\\\srv\\s"));
  EXPECT_FALSE(is_network_path(L"\\\\?\\C:\\x"));
  EXPECT_FALSE(is_network_path(L"\\\\.\\pipe"));
  EXPECT_FALSE(is_network_path(L"C:\\x"));
}

// A file system of stored names, looked up without regard to case.
std::map<std::wstring, std::wstring>* g_stored;

bool fake_full(const std::wstring& path, std::wstring* full) {
  *full = path;
  return true;
}

bool fake_stored(const std::wstring& path, std::wstring* name) {
  std::wstring key = path;
  CharUpperW(key.data());
  auto it = g_stored->find(key);
  if (it == g_stored->end()) return false;
  *name = it->second;
  return true;
}

TEST(CanonicalPath, ThroughLookupSeam) {
  static std::map<std::wstring, std::wstring> stored = {
      {L"C:\\PROGRA~1", L"Program Files"},
      {L"C:\\PROGRAM FILES", L"Program Files"},
      {L"C:\\PROGRAM FILES\\X", L"x"},
      {L"\\\\SRV\\SHARE\\DIR", L"Dir"},
      {L"\\\\?\\C:\\PROGRA~1", L"Program Files"},
      {L"\\\\?\\UNC\\SRV\\SHARE\\DIR", L"Dir"},
  };
  g_stored = &stored;
  const PathLookup lookup = {fake_full, fake_stored};
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  };
  const Case cases[] = {
      {L"c:\\progra~1", L"c:\\Program Files"},  // drive letter as given
      {L"C:\\program files\\X", L"C:\\Program Files\\x"},
      {L"C:\\program files\\X\\", L"C:\\Program Files\\x"},  // trailing separator dropped
      {L"C:\\nothere\\x", L"C:\\nothere\\x"},                // not found: full path as is
      {L"c:\\", L"c:\\"},
      {L"\\\\srv\\share", L"\\\\srv\\share"},
      {L"\\\\srv\\share\\dir", L"\\\\srv\\share\\Dir"},
      {L"C:\\program files\\*", L"C:\\program files\\*"},   // wildcards never looked up
      {L"\\\\?\\c:\\progra~1\\", L"\\\\?\\c:\\Program Files"},          // behind the prefix alike
      {L"\\\\?\\C:\\", L"\\\\?\\C:\\"},
      {L"\\\\?\\UNC\\srv\\share\\dir", L"\\\\?\\UNC\\srv\\share\\Dir"},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(canonical_path(c.in, lookup), c.out) << c.in;
}

TEST(PlainPath, NamesItCannotCarry) {
  struct Case {
    const wchar_t* name;
    bool device;
    bool altered;
  };
  const Case cases[] = {
      {L"aux", true, true},      {L"AUX.c", true, true},      {L"nul.tar.gz", true, true}, {L"con .txt", true, true},
      {L"Com1", true, true},     {L"lpt9.log", true, true},   {L"COM\u00B9", true, true},  {L"lpt\u00B3.x", true, true},
      {L"COM0", true, true},     {L"conin$", true, true},     {L"CONOUT$.txt", true, true}, {L"prn", true, true},
      {L"auxx", false, false},   {L"com10", false, false},    {L"COM", false, false},       {L"xcon", false, false},
      {L"con_", false, false},   {L"com\u00B4", false, false}, {L".aux", false, false},    {L"a.nul", false, false},
      {L"a.", false, true},      {L"b ", false, true},        {L"...", false, true},        {L"apache.", false, true},
      {L".", false, false},      {L"..", false, false},       {L"a.b", false, false},       {L" a", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(is_device_name(c.name), c.device) << c.name;
    EXPECT_EQ(plain_path_alters(c.name), c.altered) << c.name;
  }
  EXPECT_TRUE(plain_path_reaches(L"C:\\data\\apache\\a.c"));
  EXPECT_TRUE(plain_path_reaches(L"C:\\"));
  EXPECT_FALSE(plain_path_reaches(L"C:\\data\\apache.\\a.c"));  // a folder in the middle too
  EXPECT_FALSE(plain_path_reaches(L"C:\\src\\aux.c"));
  EXPECT_FALSE(plain_path_reaches(L"\\\\srv\\share\\b "));
  EXPECT_FALSE(plain_path_reaches(L"C:/x/nul"));
  EXPECT_TRUE(plain_path_reaches(L"\\\\?\\C:\\src\\aux.c"));
  EXPECT_EQ(extended_path(L"C:\\a.\\b"), L"\\\\?\\C:\\a.\\b");
  EXPECT_EQ(extended_path(L"c:/a/b "), L"\\\\?\\c:\\a\\b ");
  EXPECT_EQ(extended_path(L"\\\\srv\\share\\aux"), L"\\\\?\\UNC\\srv\\share\\aux");
  for (const wchar_t* unchanged : {L"\\\\?\\C:\\x.", L"\\\\.\\COM1", L"rel\\x.", L"\\x.", L"C:x."})
    EXPECT_EQ(extended_path(unchanged), unchanged);
}

TEST(CanonicalPath, RealFolderTakesStoredCase) {
  test::TempDir dir(L"canon");
  ASSERT_TRUE(test::make_dir(dir / L"MixedCase"));
  ASSERT_TRUE(test::write_file(dir / L"MixedCase\\File.TXT", "x"));
  std::wstring stored = canonical_path(dir.path);
  std::wstring lower = stored + L"\\mixedcase\\file.txt";
  EXPECT_EQ(canonical_path(lower), stored + L"\\MixedCase\\File.TXT");
  std::wstring missing = stored + L"\\mixedcase\\gone";
  EXPECT_EQ(canonical_path(missing), missing);  // not found: kept as given
}

}  // namespace
}  // namespace mox
