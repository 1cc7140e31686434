#include "markcheck.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/testkit.h"

namespace mox {
namespace {

// The program name as the program sees it: the path testkit starts it by.
std::string program_name() { return test::to_utf8(test::program_dir() + L"\\markcheck.exe"); }

// Standard output and error are text-mode streams: every LF leaves as CR LF.
std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// A dated list line: 41 characters of time and size, the mark, the path.
std::string dated(char mark, const std::string& path) {
  return "2024-03-01 08:00:01 00000000000000000005 " + std::string(1, mark) + path;
}

const std::string a = dated('/', "C:\\a"), b = dated('-', "C:\\b"), c = dated('-', "C:\\c");

TEST(Markcheck, CheckModeReports) {
  const std::string two_s = dated('/', "C:\\b");
  const std::string other = dated('x', "C:\\x");
  struct Case {
    const wchar_t* args;
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      // A well formed group: nothing but the header and the totals.
      {L"", a + "\n" + b + "\n" + c + "\n\n", "s=/ d=-\ntotal 4  1  0\n"},
      // CR LF input reads the same.
      {L"", a + "\r\n" + b + "\r\n\r\n", "s=/ d=-\ntotal 3  1  0\n"},
      // Two s lines and no d line: the second s line, then the group.
      {L"", a + "\n" + two_s + "\n\n", "s=/ d=-\n2: S " + two_s + "\n3:   2 0 0 0\ntotal 3  1  1\n"},
      // Two empty lines in a row: the second ends an empty group.
      {L"", a + "\n" + b + "\n\n\n", "s=/ d=-\n4:   0 0 0 0\ntotal 4  2  1\n"},
      // Too short and other mark, each reported, and the group with its counts.
      {L"", a + "\nshort\n" + other + "\n" + b + "\n\n",
       "s=/ d=-\n2: E short\n3: N " + other + "\n5:   1 1 1 1\ntotal 5  1  1\n"},
      // Lines after the last empty line are reported but not judged.
      {L"", a + "\n" + b + "\n\n" + other + "\n" + a, "s=/ d=-\n4: N " + other + "\ntotal 5  1  0\n"},
      // Marks of one's own choice, lower or upper option letter; they keep their case.
      {L"-s+ -d*", dated('+', "p") + "\n" + dated('*', "q") + "\n\n", "s=+ d=*\ntotal 3  1  0\n"},
      {L"-S+ -D*", dated('+', "p") + "\n" + dated('*', "q") + "\n\n", "s=+ d=*\ntotal 3  1  0\n"},
      {L"-sa", dated('a', "p") + "\n" + b + "\n\n", "s=a d=-\ntotal 3  1  0\n"},
      {L"-sA", dated('a', "p") + "\n" + b + "\n\n",
       "s=A d=-\n1: N " + dated('a', "p") + "\n3:   0 1 0 1\ntotal 3  1  1\n"},
      // The same character for both marks: every marked line is an s line.
      {L"-d/", a + "\n" + a + "\n\n", "s=/ d=/\n2: S " + a + "\n3:   2 0 0 0\ntotal 3  1  1\n"},
      // Column 1, and bytes above 127 come back as they went in.
      {L"-1", "/x\n-caf\xe9\n\n\xe9z\n", "s=/ d=-\n4: N \xe9z\ntotal 4  1  0\n"},
      {L"", "", "s=/ d=-\ntotal 0  0  0\n"},
  };
  for (const Case& k : cases) {
    test::RunResult r = test::run(L"markcheck", k.args, k.in);
    EXPECT_EQ(r.exit_code, 0) << test::to_utf8(k.args);
    EXPECT_EQ(r.out, crlf(k.out)) << test::to_utf8(k.args) << " | " << k.in.substr(0, 60);
    EXPECT_EQ(r.err, "");
  }
}

TEST(Markcheck, ListModeWritesTheTextAfterEachDMark) {
  struct Case {
    const wchar_t* args;
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {L"-f -1", "-C:\\x.txt\n/C:\\y.txt\n\n-\n", "C:\\x.txt\n\n"},
      {L"/f", a + "\n" + b + "\n" + c + "\n\nshort\n", "C:\\b\nC:\\c\n"},
      {L"-fd+ -3", "ab+tail\nab-no\nab\n", "tail\n"},
      {L"-f -1", "-\\\\?\\C:\\a.\n-\\\\?\\UNC\\srv\\s\\aux.c\n", "\\\\?\\C:\\a.\n\\\\?\\UNC\\srv\\s\\aux.c\n"},
  };
  for (const Case& k : cases) {
    test::RunResult r = test::run(L"markcheck", k.args, k.in);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, crlf(k.out)) << test::to_utf8(k.args);
  }
}

TEST(Markcheck, OverlongLineIsReportedAndSkipped) {
  // Cut into pieces, the tail of the long line would pass as a d line.
  std::string tail = dated('-', "C:\\tail");
  std::string in = a + "\n" + std::string(2999, 'z') + tail + "\n" + b + "\n\n";
  test::RunResult r = test::run(L"markcheck", L"", in);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, crlf("s=/ d=-\ntotal 4  1  0\n"));
  EXPECT_EQ(r.err, crlf(program_name() + ": line 2 is longer than 2999 characters, skipped\n"));

  r = test::run(L"markcheck", L"-f -1", std::string(2999, 'z') + "-tail\n" + std::string("-a\0b\n", 5) + "-ok\n");
  EXPECT_EQ(r.out, crlf("ok\n"));
  EXPECT_EQ(r.err, crlf(program_name() + ": line 1 is longer than 2999 characters, skipped\n" + program_name() +
                        ": line 2 holds a NUL byte, skipped\n"));
}

TEST(Markcheck, UsageErrors) {
  const std::string p = program_name();
  struct Case {
    const wchar_t* args;
    std::string err;
  };
  const Case cases[] = {
      {L"-h", p + " [-N] [-sX] [-dX] [-f] < file \n"},
      {L"/?", p + " [-N] [-sX] [-dX] [-f] < file \n"},
      {L"-z", p + ": bad option Z\nfor more infomation: " + p + " /?\n"},
      {L"-s", p + ": option S needs a value\nfor more infomation: " + p + " /?\n"},
      {L"-f -d", p + ": option D needs a value\nfor more infomation: " + p + " /?\n"},
      {L"-0", p + ": bad column 0\nfor more infomation: " + p + " /?\n"},
  };
  for (const Case& k : cases) {
    test::RunResult r = test::run(L"markcheck", k.args, a + "\n");
    EXPECT_EQ(r.exit_code, 1) << test::to_utf8(k.args);
    EXPECT_EQ(r.out, "") << test::to_utf8(k.args);
    EXPECT_EQ(r.err, crlf(k.err)) << test::to_utf8(k.args);
  }
}

TEST(Markcheck, LogIsCreatedAndLeftEmpty) {
  test::TempDir dir(L"markchecklog");
  test::write_file(dir / L"log", "old\n");
  test::RunResult r = test::run(L"markcheck", L"-L \"" + (dir / L"log") + L"\"", a + "\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(test::read_file(dir / L"log"), "old\n");
  r = test::run(L"markcheck", L"-L \"" + (dir / L"new") + L"\"", a + "\n");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(GetFileAttributesW((dir / L"new").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(test::read_file(dir / L"new"), "");
}

}  // namespace
}  // namespace mox
