// The input side: runs of equal size keys, malformed lines, settings values.
#include "dupcheck/grouping.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/frame.h"
#include "common/testkit.h"
#include "dupcheck/settings.h"

namespace mox {
namespace {

struct SeenRun {
  std::vector<std::wstring> paths;  // list order
  uint64_t size;
  long line;
  bool operator==(const SeenRun&) const = default;
};

bool record_run(void* ctx, EntryList& list, uint64_t size, long line) {
  SeenRun run{{}, size, line};
  for (int i = 0; i < list.count; ++i) run.paths.push_back(list.items[i].path);
  static_cast<std::vector<SeenRun>*>(ctx)->push_back(run);
  return true;
}

std::wstring line(uint64_t size, const std::wstring& path) {
  wchar_t key[32];
  std::swprintf(key, 32, L"%020llu", static_cast<unsigned long long>(size));
  return std::wstring(key) + L" " + path;
}

std::vector<SeenRun> group_lines(const std::vector<std::wstring>& lines) {
  std::vector<SeenRun> runs;
  RunHandler handler{record_run, &runs};
  static Grouper g;
  g = Grouper{};
  for (const auto& l : lines) EXPECT_TRUE(grouper_line(g, l.c_str(), false, handler));
  EXPECT_TRUE(grouper_finish(g, handler));
  return runs;
}

TEST(Grouping, RunsOfEqualKeysInListOrder) {
  frame_start(L"dupcheck", Family::wide);
  EXPECT_EQ(group_lines({line(5, L"lone"), line(7, L"a"), line(7, L"b"), line(7, L"c"), line(9, L"d"),
                         line(9, L"e"), line(12, L"f")}),
            (std::vector<SeenRun>{{{L"c", L"b", L"a"}, 7, 5}, {{L"e", L"d"}, 9, 7}}));
  // The input's end closes the last run; a marker 'c' is no part of the path.
  EXPECT_EQ(group_lines({line(0, L"x"), L"00000000000000000000cy"}),
            (std::vector<SeenRun>{{{L"y", L"x"}, 0, 2}}));
  EXPECT_TRUE(group_lines({line(1, L"a"), line(2, L"b")}).empty());
}

TEST(Grouping, MalformedLinesAreReportedAndSkipped) {
  frame_start(L"dupcheck", Family::wide);
  test::TempDir dir(L"dupcheck-grouping");
  std::wstring log_path = dir / L"log";
  g_frame.log = _wfopen(log_path.c_str(), L"ab");
  // Neither a short line, nor one without a digit key, nor an empty path
  // breaks the run around it or gives a path.
  auto runs = group_lines({line(7, L"a"), L"00000000000000000007", L"", L"0000000000000000000x a",
                           L"00000000000000000007 ", line(7, L"b")});
  log_close();
  EXPECT_EQ(runs, (std::vector<SeenRun>{{{L"b", L"a"}, 7, 6}}));
  std::wstring log = test::from_utf16le(test::read_file(log_path));
  for (int n : {2, 3, 4, 5})
    EXPECT_NE(log.find(L"dupcheck: line " + std::to_wstring(n) + L" is not a size-path line, skipped\r\n"),
              std::wstring::npos)
        << n;
}

TEST(Grouping, ReadsLinesWholeOrReportsThemTooLong) {
  test::TempDir dir(L"dupcheck-lines");
  std::wstring path = dir / L"in";
  std::wstring fits(2047, L'x'), longer(2048, L'y');
  const std::wstring nul = L"00000000000000000007 C:\\a" + std::wstring(1, L'\0') + L"b\r\n";  // would name C:\a
  test::write_file(path, test::utf16le(L"\xFEFF" L"first\r\n" + fits + L"\r\n" + longer + L"\r\n" + nul + L"last"));
  FILE* f = _wfopen(path.c_str(), L"rb");
  static LineReader reader;
  line_reader_init(reader, f);
  static wchar_t buf[kLineCap];
  bool too_long = true;
  std::vector<std::pair<std::wstring, bool>> got;
  while (read_list_line(reader, buf, &too_long)) got.emplace_back(buf, too_long);
  fclose(f);
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0], std::make_pair(std::wstring(L"first"), false));
  EXPECT_EQ(got[1], std::make_pair(fits, false));  // its CR LF came as a second piece
  EXPECT_TRUE(got[2].second);
  EXPECT_EQ(got[3], std::make_pair(std::wstring(), false));  // no size-path line
  EXPECT_EQ(got[4], std::make_pair(std::wstring(L"last"), false));
}

TEST(Settings, BufferSizeAndCountTotal) {
  struct Case {
    const wchar_t* text;
    uint32_t size;
  };
  const Case cases[] = {{L"", 33554432},       {L"100000", 65536},     {L"1000", 32768},
                        {L"1048576", 1048576}, {L"0x100000", 1048576}, {L"04000000", 1048576},
                        {L"-5", 32768},        {L"99999999999", 1073741824}, {L"262144kb", 262144}};
  for (const Case& c : cases) EXPECT_EQ(buffer_size_from_setting(c.text), c.size) << test::to_utf8(c.text);
  EXPECT_EQ(count_total_from_text(L"12\r\n1000000000\r\n"), 1000000000);
  EXPECT_EQ(count_total_from_text(L"12\r\n0x10\r\n"), 16);
  EXPECT_EQ(count_total_from_text(L"12"), 0);
  EXPECT_EQ(read_count_total(L"no such count file"), 0);
}

}  // namespace
}  // namespace mox
