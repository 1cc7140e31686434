#include "tabfeed.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testkit.h"

namespace mox {
namespace {

using test::utf16le;

// The program name as the program sees it: the path testkit starts it by.
std::wstring program_name() { return test::program_dir() + L"\\tabfeed.exe"; }

std::string count_file(int files, int groups) {
  return utf16le(std::to_wstring(files) + L"\r\n" + std::to_wstring(groups) + L"\r\n");
}

TEST(TabfeedLogic, SplitsTheLine) {
  struct Case {
    const wchar_t* line;
    TabLine kind;
    const wchar_t* path;
    const wchar_t* time;
    unsigned long long size;
  };
  const Case cases[] = {
      {L"C:\\a\t2024/03/01 08:00:01\t5\r", TabLine::row, L"C:\\a", L"2024/03/01 08:00:01", 5},
      {L"C:\\a\tt\t7", TabLine::row, L"C:\\a", L"t", 7},
      {L"C:\\a\t\t", TabLine::row, L"C:\\a", L"", 0},
      {L"C:\\a\tt\t5\textra", TabLine::row, L"C:\\a", L"t", 5},        // the rest is field 3
      {L"C:\\a\t2024/03/01 08:00:01.250\t5", TabLine::row, L"C:\\a", L"2024/03/01 08:00:01", 5},
      {L"C:\\a\t08\r00\n01\x01\t5", TabLine::row, L"C:\\a", L"08 00 01 ", 5},  // the dated line stays one line
      {L"\r", TabLine::separator, nullptr, nullptr, 0},
      {L"", TabLine::separator, nullptr, nullptr, 0},
      {L"C:\\a\t5\r", TabLine::too_few_tabs, nullptr, nullptr, 0},
      {L" \r", TabLine::too_few_tabs, nullptr, nullptr, 0},
      {L"\tt\t5", TabLine::no_path, nullptr, nullptr, 0},
      // No file name holds these; the shell's delete would take a wildcard as
      // a pattern, and the loader would cut the path at a CR.
      {L"C:\\caf?.txt\tt\t5", TabLine::bad_path, nullptr, nullptr, 0},
      {L"C:\\x\\*.txt\tt\t5", TabLine::bad_path, nullptr, nullptr, 0},
      {L"C:\\x\\<\tt\t5", TabLine::bad_path, nullptr, nullptr, 0},
      {L"C:\\x\rC:\\y\tt\t5", TabLine::bad_path, nullptr, nullptr, 0},
      {L"\\\\?\\C:\\a\tt\t5", TabLine::row, L"\\\\?\\C:\\a", L"t", 5},  // a long-path prefix is no pattern
  };
  for (const Case& c : cases) {
    std::wstring line = c.line;
    TabRow row;
    ASSERT_EQ(parse_tab_line(line.data(), row), c.kind) << test::to_utf8(c.line);
    if (c.kind != TabLine::row) continue;
    EXPECT_STREQ(row.path, c.path);
    EXPECT_STREQ(row.time, c.time);
    EXPECT_EQ(row.size, c.size) << test::to_utf8(c.line);
  }
}

TEST(TabfeedLogic, SizeField) {
  struct Case {
    const wchar_t* text;
    unsigned long long size;
  };
  const Case cases[] = {
      {L"0", 0},        {L"012", 10},      {L"0x1F", 31}, {L"  42", 42},
      {L"42 bytes", 42}, {L"", 0},          {L"09", 0},    {L"18446744073709551615", 18446744073709551615ull},
  };
  for (const Case& c : cases) EXPECT_EQ(size_field(c.text), c.size) << test::to_utf8(c.text);
}

TEST(TabfeedLogic, FailedWriteIsReported) {
  test::TempDir dir(L"tabfeedwrite");
  test::write_file(dir / L"in", "C:\\a\tt\t1\r\n");
  test::write_file(dir / L"dlist.txt", "");
  FILE* in = _wfopen((dir / L"in").c_str(), L"rb");
  FILE* dlist = _wfopen((dir / L"dlist.txt").c_str(), L"rb");  // takes no writes
  TabCounts counts;
  EXPECT_FALSE(tabfeed_run(in, dlist, counts));
  fclose(in);
  fclose(dlist);
}

struct Imported {
  test::RunResult run;
  std::string dlist, list5;
  bool has_dlist = false, has_list5 = false;
};

// Runs tabfeed on the .dat bytes in a scratch folder.
Imported import(const std::string& dat, const std::wstring& options = L"") {
  test::TempDir dir(L"tabfeed");
  test::write_file(dir / L"in.dat", dat);
  Imported i;
  i.run = test::run(L"tabfeed", options + L"in.dat", "", dir.path);
  i.has_dlist = GetFileAttributesW((dir / L"dlist.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
  i.has_list5 = GetFileAttributesW((dir / L"list5.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
  i.dlist = test::read_file(dir / L"dlist.txt");
  i.list5 = test::read_file(dir / L"list5.txt");
  return i;
}

const std::wstring T = L"2024/03/01 08:00:01";
std::wstring row(const std::wstring& path, const wchar_t* size20, const std::wstring& time = T) {
  return std::wstring(19 - std::min<size_t>(19, time.size()), L' ') + time + L" " + size20 + L" " + path + L"\r\n";
}

TEST(Tabfeed, ImportsGroupsAndCounts) {
  const std::string t = "\t2024/03/01 08:00:01\t";
  const std::wstring z5 = L"00000000000000000005";
  struct Case {
    std::string dat;
    std::wstring dlist;
    int files, groups;
  };
  const Case cases[] = {
      // Two groups of two, no empty line at the end: one after each group.
      {"C:\\a" + t + "5\r\nC:\\b" + t + "5\r\n\r\nC:\\c" + t + "5\r\nC:\\d" + t + "5\r\n",
       row(L"C:\\a", z5.c_str()) + row(L"C:\\b", z5.c_str()) + L"\r\n" + row(L"C:\\c", z5.c_str()) +
           row(L"C:\\d", z5.c_str()) + L"\r\n",
       4, 2},
      // Two empty lines in a row count two groups; a closing one adds none.
      {"C:\\a" + t + "5\r\n\r\n\r\nC:\\b" + t + "5\r\n\r\n",
       row(L"C:\\a", z5.c_str()) + L"\r\n\r\n" + row(L"C:\\b", z5.c_str()) + L"\r\n", 2, 3},
      // An empty line at the very start counts a group and comes first.
      {"\r\nC:\\a" + t + "5\r\n", L"\r\n" + row(L"C:\\a", z5.c_str()) + L"\r\n", 1, 2},
      {"", L"", 0, 0},
      {"\r\n", L"\r\n", 0, 1},
      // Sizes: "0", octal "012", and the last line without CR LF; LF alone ends lines too.
      {"C:\\z" + t + "0\nC:\\o" + t + "012",
       row(L"C:\\z", L"00000000000000000000") + row(L"C:\\o", L"00000000000000000010") + L"\r\n", 2, 1},
      // Time texts: shorter ones are right-aligned, longer ones cut to keep the path at character 42.
      {"C:\\s\t1:2\t5\r\nC:\\l\t2024/03/01 08:00:01.250\t5\r\n",
       row(L"C:\\s", z5.c_str(), L"1:2") + row(L"C:\\l", z5.c_str()) + L"\r\n", 2, 1},
  };
  for (const Case& c : cases) {
    Imported i = import(c.dat);
    EXPECT_EQ(i.run.exit_code, 0) << c.dat;
    EXPECT_EQ(i.dlist, utf16le(c.dlist)) << c.dat;
    EXPECT_EQ(i.list5, count_file(c.files, c.groups)) << c.dat;
    EXPECT_EQ(i.run.err, "") << c.dat;
    EXPECT_EQ(i.run.out, "");
  }
}

TEST(Tabfeed, BadLinesAreReportedAndSkipped) {
  const std::string t = "\t2024/03/01 08:00:01\t";
  std::string dat = "C:\\a" + t + "5\r\n" +            // 1
                    "C:\\no tabs\r\n" +                 // 2
                    "C:\\one\ttab\r\n" +                // 3
                    "\t" + t.substr(1) + "5\r\n" +     // 4: no path
                    std::string(2100, 'x') + "\\cut" + t + "5\r\n" +  // 5: too long, refused whole
                    std::string(2111 - 1 - 6 - 19 - 2, 'y') + t + "5\r\n" +  // 6: exactly 2111 bytes with its CR
                    "C:\\b" + t + "5\r\n" +             // 7
                    "C:\\???.txt" + t + "5\r\n";          // 8: names the code page lacked
  Imported i = import(dat);
  EXPECT_EQ(i.run.exit_code, 0);
  const std::wstring p = program_name();
  EXPECT_EQ(i.run.err, utf16le(p + L": line 2 has fewer than two TABs, skipped\r\n" + p +
                               L": line 3 has fewer than two TABs, skipped\r\n" + p + L": line 4 has no path, skipped\r\n" +
                               p + L": line 5 is longer than 2111 bytes, skipped\r\n" + p +
                               L": line 8 has a wildcard or control character in its path, skipped\r\n"));
  const std::wstring z5 = L"00000000000000000005";
  EXPECT_EQ(i.dlist, utf16le(row(L"C:\\a", z5.c_str()) + row(std::wstring(2111 - 1 - 6 - 19 - 2, L'y'), z5.c_str()) +
                             row(L"C:\\b", z5.c_str()) + L"\r\n"));
  EXPECT_EQ(i.list5, count_file(3, 1));
}

TEST(Tabfeed, BytesOutsideTheCodePage) {
  // 0x81 then a TAB: a lead byte without its trail in code page 932, the
  // letter u-umlaut in code page 437.
  std::string dat = "C:\\x\x81\t2024/03/01 08:00:01\t5\r\n";
  Imported i = import(dat);
  EXPECT_EQ(i.run.exit_code, 0);
  if (test::japanese_locale()) {
    EXPECT_EQ(i.run.err, utf16le(program_name() + L": line 1 is not text of the OEM code page, skipped\r\n"));
    EXPECT_EQ(i.dlist, "");
    EXPECT_EQ(i.list5, count_file(0, 0));
  } else {
    EXPECT_EQ(i.run.err, "");
    EXPECT_EQ(i.dlist, utf16le(row(L"C:\\x\u00fc", L"00000000000000000005") + L"\r\n"));
  }
}

TEST(Tabfeed, FailuresLeaveNoHalfResult) {
  const std::wstring p = program_name();
  {  // input missing: message on standard error and in the log, no output files
    test::TempDir dir(L"tabfeedmissing");
    test::RunResult r = test::run(L"tabfeed", L"-L log.txt nothere.dat", "", dir.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, utf16le(p + L": can't reopen nothere.dat\r\n"));
    EXPECT_EQ(test::read_file(dir / L"log.txt"), utf16le(p + L": can't reopen nothere.dat\r\n"));
    EXPECT_EQ(GetFileAttributesW((dir / L"dlist.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesW((dir / L"list5.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  }
  {  // dlist.txt cannot be created: status 1 and list5.txt untouched
    test::TempDir dir(L"tabfeednodlist");
    test::write_file(dir / L"in.dat", "C:\\a\tt\t5\r\n");
    test::make_dir(dir / L"dlist.txt");
    test::write_file(dir / L"list5.txt", "old");
    test::RunResult r = test::run(L"tabfeed", L"in.dat", "", dir.path);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, utf16le(p + L": can't create dlist.txt\r\n"));
    EXPECT_EQ(test::read_file(dir / L"list5.txt"), "old");
  }
  {  // list5.txt cannot be created: reported, the run still succeeds
    test::TempDir dir(L"tabfeednolist5");
    test::write_file(dir / L"in.dat", "C:\\a\tt\t5\r\n");
    test::make_dir(dir / L"list5.txt");
    test::RunResult r = test::run(L"tabfeed", L"in.dat", "", dir.path);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, utf16le(L"ffp == NULL\r\n"));
    EXPECT_EQ(test::read_file(dir / L"dlist.txt"), utf16le(row(L"C:\\a", L"00000000000000000005", L"t") + L"\r\n"));
  }
}

TEST(Tabfeed, Options) {
  const std::wstring p = program_name();
  struct Case {
    const wchar_t* args;
    int exit_code;
    std::wstring err;
  };
  const Case cases[] = {
      {L"-h", 1, L"usage: " + p + L" [file]\r\n"},
      {L"/?", 1, L"usage: " + p + L" [file]\r\n"},
      {L"-z x.dat", 1, p + L": bad option Z\r\nfor more infomation: " + p + L" /?\r\n"},
      {L"-L", 1, p + L": option L needs a value\r\nfor more infomation: " + p + L" /?\r\n"},
  };
  for (const Case& c : cases) {
    test::RunResult r = test::run(L"tabfeed", c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << test::to_utf8(c.args);
    EXPECT_EQ(r.err, utf16le(c.err)) << test::to_utf8(c.args);
  }
  Imported i = import("C:\\a\tt\t5\r\n", L"-O ");  // accepted, no effect
  EXPECT_EQ(i.run.exit_code, 0);
  EXPECT_EQ(i.list5, count_file(1, 1));
}

// A .dat list as the front end's export writes it (its own test checks
// those bytes): OEM text, a group per run of lines, an empty line between.
struct ExportRow {
  std::wstring path;
  int group;
  long long size;
};

TEST(Tabfeed, RoundTripFromTheFrontEndsExport) {
  // A name the code page can carry: e-acute in 437, a kanji in 932.
  const bool japanese = test::japanese_locale();
  const std::wstring odd = japanese ? L"C:\\dup\\\u91cd.txt" : L"C:\\dup\\caf\u00e9.txt";
  const std::string odd_bytes = japanese ? "C:\\dup\\\x8f\x64.txt" : "C:\\dup\\caf\x82.txt";
  const std::vector<ExportRow> rows = {
      {L"C:\\dup\\a.txt", 1, 5},
      {odd, 1, 5},
      {L"D:\\big\\x.bin", 2, 5000000000LL},
  };
  const std::string dat = "C:\\dup\\a.txt\t2024/03/01 08:00:01\t5\r\n" + odd_bytes + "\t2024/03/01 08:00:01\t5\r\n\r\n" +
                          "D:\\big\\x.bin\t1999/12/31 23:59:59\t5000000000\r\n";

  Imported i = import(dat);
  EXPECT_EQ(i.run.exit_code, 0);
  EXPECT_EQ(i.run.err, "");
  std::wstring dlist = L"2024/03/01 08:00:01 00000000000000000005 C:\\dup\\a.txt\r\n"
                       L"2024/03/01 08:00:01 00000000000000000005 " + odd + L"\r\n"
                       L"\r\n"
                       L"1999/12/31 23:59:59 00000000005000000000 D:\\big\\x.bin\r\n"
                       L"\r\n";
  EXPECT_EQ(i.dlist, utf16le(dlist));
  EXPECT_EQ(i.list5, count_file(3, 2));

  // Read back the way the front end loads it: the path from unit 41 on, an
  // empty line closing each group; the file count from list5.txt.
  std::wstring text = test::from_utf16le(i.dlist);
  std::vector<ExportRow> loaded;
  int group = 1;
  for (size_t at = 0, end; (end = text.find(L"\r\n", at)) != std::wstring::npos; at = end + 2) {
    std::wstring line = text.substr(at, end - at);
    if (line.empty()) {
      ++group;
      continue;
    }
    ASSERT_GT(line.size(), 41u);
    loaded.push_back({line.substr(41), group, std::stoll(line.substr(20, 20))});
  }
  ASSERT_EQ(loaded.size(), rows.size());
  for (size_t k = 0; k < rows.size(); ++k) {
    EXPECT_EQ(loaded[k].path, rows[k].path);
    EXPECT_EQ(loaded[k].group, rows[k].group);
    EXPECT_EQ(loaded[k].size, rows[k].size);
  }
  EXPECT_EQ(test::from_utf16le(i.list5), std::to_wstring(rows.size()) + L"\r\n2\r\n");
}

}  // namespace
}  // namespace mox
