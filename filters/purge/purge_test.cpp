#include "purge.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "common/frame.h"
#include "common/paths.h"
#include "common/testkit.h"

namespace mox {
namespace {

// The program name as the program sees it: the path testkit starts it by.
std::string program_name() { return test::to_utf8(test::program_dir() + L"\\purge.exe"); }

// Standard streams are in text mode: every LF leaves as CR LF.
std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// purge reads 8-bit names: one byte per character.
std::string bytes(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(c);
  return out;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(PurgeLogic, OnlyPlainFilesCountAsRegular) {
  struct Case {
    unsigned long attributes;
    PathKind kind;
  };
  const Case cases[] = {
      {INVALID_FILE_ATTRIBUTES, PathKind::missing},
      {FILE_ATTRIBUTE_NORMAL, PathKind::regular},
      {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, PathKind::regular},
      {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY, PathKind::read_only},
      {FILE_ATTRIBUTE_DIRECTORY, PathKind::other},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, PathKind::other},
      {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT, PathKind::other},  // a link to a file
      {FILE_ATTRIBUTE_DEVICE, PathKind::other},
  };
  for (const Case& c : cases) EXPECT_EQ(path_kind(c.attributes), c.kind) << std::hex << c.attributes;
}

// A file system that answers what each case asks and counts the calls.
struct Fake {
  unsigned long attributes = FILE_ATTRIBUTE_ARCHIVE;
  unsigned long clear_error = 0;
  bool remove_ok = true;
  int clears = 0;
  int removes = 0;
};
Fake g_fake;
const PurgeFs fake_fs = {
    [](const wchar_t*) { return g_fake.attributes; },
    [](const wchar_t*) {
      ++g_fake.clears;
      return g_fake.clear_error;
    },
    [](const wchar_t*) {
      ++g_fake.removes;
      return g_fake.remove_ok;
    },
};

TEST(PurgeLogic, DecidesWhatToDeleteAndWhatToList) {
  const unsigned long ro = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
  struct Case {
    unsigned long attributes;
    bool force;
    unsigned long clear_error;
    bool remove_ok;
    PurgeOutcome outcome;
    int clears, removes;
  };
  const Case cases[] = {
      {INVALID_FILE_ATTRIBUTES, true, 0, true, PurgeOutcome::listed, 0, 0},
      {FILE_ATTRIBUTE_ARCHIVE, false, 0, true, PurgeOutcome::deleted, 0, 1},
      {FILE_ATTRIBUTE_ARCHIVE, false, 0, false, PurgeOutcome::listed, 0, 1},
      {ro, false, 0, true, PurgeOutcome::kept, 0, 0},
      {ro, true, 0, true, PurgeOutcome::deleted, 1, 1},
      {ro, true, ERROR_ACCESS_DENIED, false, PurgeOutcome::listed, 1, 1},  // the delete is still tried
      {FILE_ATTRIBUTE_DIRECTORY, true, 0, true, PurgeOutcome::listed, 0, 0},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY, true, 0, true, PurgeOutcome::listed, 0, 0},
      {FILE_ATTRIBUTE_REPARSE_POINT | ro, true, 0, true, PurgeOutcome::listed, 0, 0},
      {FILE_ATTRIBUTE_DEVICE, false, 0, true, PurgeOutcome::listed, 0, 0},
  };
  for (const Case& c : cases) {
    g_fake = Fake{c.attributes, c.clear_error, c.remove_ok};
    PurgeResult r = purge_path(L"C:\\f", c.force, fake_fs);
    EXPECT_EQ(r.outcome, c.outcome) << std::hex << c.attributes << " force " << c.force;
    EXPECT_EQ(r.attribute_error, c.clear_error);
    EXPECT_EQ(g_fake.clears, c.clears);
    EXPECT_EQ(g_fake.removes, c.removes);
  }
}

TEST(PurgeLogic, PathFromTheColumnOn) {
  struct Case {
    const wchar_t* line;
    long column;
    const wchar_t* path;
  };
  const Case cases[] = {
      {L"xxC:\\a.txt", 3, L"C:\\a.txt"},
      {L"ab", 3, nullptr},  // too short: skipped
      {L"abc", 3, L"c"},
      {L"", 1, nullptr},
      {L"C:\\a", 1, L"C:\\a"},
  };
  for (const Case& c : cases) {
    const wchar_t* path = path_in_line(c.line, static_cast<int>(wcslen(c.line)), c.column);
    if (c.path) {
      EXPECT_STREQ(path, c.path);
    } else {
      EXPECT_EQ(path, nullptr) << test::to_utf8(c.line);
    }
  }
}

TEST(PurgeLogic, FailedAttributeChangeIsReportedToTheLog) {
  EXPECT_EQ(errno_for_system_error(ERROR_ACCESS_DENIED), EACCES);
  EXPECT_EQ(errno_for_system_error(ERROR_SHARING_VIOLATION), EACCES);
  EXPECT_EQ(errno_for_system_error(ERROR_PATH_NOT_FOUND), ENOENT);
  EXPECT_EQ(errno_for_system_error(ERROR_GEN_FAILURE), EINVAL);

  test::TempDir dir(L"purgelog");
  test::write_file(dir / L"in", "C:\\locked\n");
  frame_start(L"purge", Family::byte);
  log_open((dir / L"log").c_str());
  FILE* in = _wfopen((dir / L"in").c_str(), L"r");
  FILE* out = _wfopen((dir / L"out").c_str(), L"w");
  g_fake = Fake{FILE_ATTRIBUTE_READONLY, ERROR_ACCESS_DENIED, false};
  purge_run(in, out, PurgeOptions{1, true}, fake_fs);
  fclose(in);
  fclose(out);
  log_close();
  EXPECT_EQ(test::read_file(dir / L"log"), "C:\\locked: Permission denied\r\n");
  EXPECT_EQ(test::read_file(dir / L"out"), "C:\\locked\r\n");
}

struct PurgeRun : ::testing::Test {
  test::TempDir dir{L"purge"};
  void SetUp() override { ASSERT_TRUE(test::make_dir(dir / L"sub")); }
  std::wstring file(const std::wstring& name, bool read_only = false) {
    std::wstring path = dir / name;
    EXPECT_TRUE(test::write_file(path, "x"));
    if (read_only) {
      EXPECT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    return path;
  }
};

TEST_F(PurgeRun, DeletesRegularFilesAndListsTheRest) {
  std::wstring del = file(L"del.txt"), ro = file(L"ro.txt", true), inner = file(L"sub\\inner.txt");
  std::wstring sub = dir / L"sub", missing = dir / L"missing.txt", pattern = dir / L"*.txt";
  std::string list = bytes(del + L"\n" + ro + L"\n" + sub + L"\n" + missing + L"\n" + pattern + L"\n\n");
  test::RunResult r = test::run(L"purge", L"k k k", list);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, crlf(bytes(sub + L"\n" + missing + L"\n" + pattern + L"\n")));
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(exists(del));
  EXPECT_TRUE(exists(ro));  // read-only without -r: stays, not listed
  EXPECT_TRUE(exists(sub));
  EXPECT_TRUE(exists(inner));

  r = test::run(L"purge", L"-r k k k", crlf(bytes(ro + L"\n" + sub + L"\n")));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, crlf(bytes(sub + L"\n")));
  EXPECT_FALSE(exists(ro));
  EXPECT_TRUE(exists(inner));
}

// "a." and "b " read plainly are "a" and "b", "aux.c" the serial line: such a
// plain path is listed and nothing is deleted; the \\?\ form deletes that file
// and no other.
TEST_F(PurgeRun, PlainPathsTheSystemWouldAlterDeleteNothing) {
  std::wstring ext = extended_path(canonical_path(dir.path));
  std::wstring a = file(L"a"), b = file(L"b"), plain_a_dot = dir / L"a.", plain_b_space = dir / L"b ";
  std::wstring a_dot = ext + L"\\a.", b_space = ext + L"\\b ", aux = ext + L"\\aux.c";
  for (const std::wstring& odd : {a_dot, b_space, aux}) ASSERT_TRUE(test::write_file(odd, "x"));
  std::wstring plain_aux = dir / L"aux.c";
  test::RunResult r = test::run(L"purge", L"k k k", bytes(plain_a_dot + L"\n" + plain_b_space + L"\n" + plain_aux + L"\n"));
  EXPECT_EQ(r.out, crlf(bytes(plain_a_dot + L"\n" + plain_b_space + L"\n" + plain_aux + L"\n")));
  for (const std::wstring& kept : {a, b, a_dot, b_space, aux}) EXPECT_TRUE(exists(kept)) << test::to_utf8(kept);
  r = test::run(L"purge", L"k k k", bytes(a_dot + L"\n" + aux + L"\n"));
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(exists(a_dot));
  EXPECT_FALSE(exists(aux));
  for (const std::wstring& kept : {a, b, b_space}) EXPECT_TRUE(exists(kept)) << test::to_utf8(kept);
}

TEST_F(PurgeRun, EightBitNamesAreOneCharacterPerByte) {
  std::wstring cafe = file(L"caf\u00e9.txt");
  test::RunResult r = test::run(L"purge", L"k k k", bytes(cafe + L"\n"));
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(exists(cafe));
}

TEST_F(PurgeRun, ColumnOption) {
  std::wstring a = file(L"a.txt"), ro = file(L"ro.txt", true);
  test::RunResult r = test::run(L"purge", L"-3 k k k", bytes(L"xx" + a + L"\nab\n"));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");  // the two-character line is skipped without output
  EXPECT_FALSE(exists(a));
  r = test::run(L"purge", L"-r3 k k k", bytes(L"yy" + ro + L"\n"));
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(exists(ro));
}

TEST_F(PurgeRun, WrongOperandCountOrBadColumnDeletesNothing) {
  std::wstring keep = file(L"keep.txt");
  const std::string p = program_name();
  const std::string usage = p + " [-r] [-N] [-L logfile] key key key < file \n";
  struct Case {
    std::wstring args;
    std::string err;
  };
  const Case cases[] = {
      {L"", usage},
      {L"a b", usage},
      {L"a b c d", usage},
      {L"-r a b", usage},
      {L"-L \"" + (dir / L"log") + L"\" a b", usage},
      {L"-0 a b c", p + ": bad column 0\nfor more infomation: " + p + " /?\n"},
      {L"-h a b c", usage},
      {L"-x a b c", p + ": bad option X\nfor more infomation: " + p + " /?\n"},
  };
  for (const Case& c : cases) {
    test::RunResult r = test::run(L"purge", c.args, bytes(keep + L"\n"));
    EXPECT_EQ(r.exit_code, 1) << test::to_utf8(c.args);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, crlf(c.err)) << test::to_utf8(c.args);
    EXPECT_TRUE(exists(keep));
  }
  EXPECT_TRUE(exists(dir / L"log"));  // opened before the count is checked
  // Three operands of any text let it run; after -- they may look like options.
  test::RunResult r = test::run(L"purge", L"-- -a -b -c", bytes(keep + L"\n"));
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_FALSE(exists(keep));
}

TEST_F(PurgeRun, CutOrOverlongLineDeletesNothing) {
  // Names of one length (nul one shorter, for its NUL byte), so one column
  // puts each path right after the filler.
  std::wstring fits = file(L"fits.txt"), over = file(L"over.txt"), cut = file(L"cut_.txt"), nul = file(L"nul.txt");
  const size_t filler = 2999 - fits.size();
  // A line of exactly 2999 characters is whole; one of 3000 is refused; so
  // is a longer line whose first 2999 characters would name a file.
  std::string list = std::string(filler, 'x') + bytes(fits) + "\n" +
                     std::string(filler + 1, 'x') + bytes(over) + "\n" +
                     std::string(filler, 'x') + bytes(cut) + ".old\n" +
                     std::string(filler, 'x') + bytes(nul) + std::string("\0\n", 2);  // 2999 characters
  test::RunResult r = test::run(L"purge", L"-" + std::to_wstring(filler + 1) + L" k k k", list);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "");
  const std::string p = program_name();
  EXPECT_EQ(r.err, crlf(p + ": line 2 is longer than 2999 characters, skipped\n" + p +
                        ": line 3 is longer than 2999 characters, skipped\n" + p + ": line 4 holds a NUL byte, skipped\n"));
  EXPECT_FALSE(exists(fits));
  EXPECT_TRUE(exists(over));
  EXPECT_TRUE(exists(cut));
  EXPECT_TRUE(exists(nul));
}

}  // namespace
}  // namespace mox
