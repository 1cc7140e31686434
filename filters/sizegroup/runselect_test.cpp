#include "runselect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/testkit.h"

namespace mox {
namespace {

// Records emits as the line's first character and closes as '|'.
void record_emit(void* context, const wchar_t* line) { *static_cast<std::wstring*>(context) += line[0]; }
void record_close(void* context) { *static_cast<std::wstring*>(context) += L'|'; }
bool same_first(const wchar_t* a, const wchar_t* b) { return a[0] == b[0]; }

std::wstring select_runs(const std::wstring& keys) {
  static RunSelector sel;
  std::wstring trace;
  run_start(sel, {same_first, record_emit, record_close, &trace});
  for (wchar_t k : keys) {
    wchar_t line[3] = {k, L'x', 0};
    run_feed(sel, line);
  }
  run_finish(sel);
  return trace;
}

TEST(RunSelector, KeepsRunsOfTwoOrMore) {
  struct Case {
    const wchar_t* keys;
    const wchar_t* trace;
  };
  const Case cases[] = {
      {L"", L""},
      {L"a", L""},
      {L"ab", L""},
      {L"aa", L"aa|"},          // a run open at the end is closed
      {L"aab", L"aa|"},
      {L"abb", L"bb|"},
      {L"557999", L"55|999|"},  // sizes 5, 5, 7, 9, 9, 9
      {L"aabb", L"aa|bb|"},     // adjacent runs each closed
      {L"abab", L""},           // only neighbours count
      {L"aaaa", L"aaaa|"},
  };
  for (const Case& c : cases) EXPECT_EQ(select_runs(c.keys), c.trace) << test::to_utf8(c.keys);
}

TEST(KeyRules, SizeAndNameKeys) {
  enum Rule { ignoring_case, exact, name };
  struct Case {
    Rule rule;
    const wchar_t* a;
    const wchar_t* b;
    bool same;
  };
  const Case cases[] = {
      {ignoring_case, L"00000000000000001000 C:\\a", L"00000000000000001000 D:\\b", true},
      {ignoring_case, L"00000000000000001000 C:\\a", L"00000000000000001001 C:\\a", false},
      {ignoring_case, L"0000000000000000100A x", L"0000000000000000100a y", true},
      {ignoring_case, L"00000000000000001000 x", L"00000000000000001000cx", true},  // 21st char is no key
      {exact, L"00000000000000001000 C:\\a", L"00000000000000001000cD:\\b", true},
      {exact, L"0000000000000000100A x", L"0000000000000000100a x", false},
      {exact, L"10000000000000000000 x", L"00000000000000000000 x", false},
      {name, L"README.TXT   |00000000000000000001 a", L"readme.txt   |00000000000000000002 b", true},
      {name, L"a.txt |1", L"a.txt  |1", false},  // trailing blanks make another key
      {name, L"a.txt|1", L"b.txt|1", false},
      {name, L"|x", L"|y", true},
      {name, L"a|b|c", L"A|d", true},  // the first '|' ends the key
  };
  for (const Case& c : cases) {
    bool same = c.rule == ignoring_case ? size_key_same_ignoring_case(c.a, c.b)
                : c.rule == exact       ? size_key_same_exact(c.a, c.b)
                                        : name_key_same(c.a, c.b);
    EXPECT_EQ(same, c.same) << test::to_utf8(c.a) << " / " << test::to_utf8(c.b);
  }
}

struct NumberedLine {
  long long number;
  std::wstring text;
  bool operator==(const NumberedLine&) const = default;
};

std::vector<NumberedLine> list_lines(const std::string& bytes, int cap) {
  test::TempDir dir(L"listin");
  test::write_file(dir / L"in", bytes);
  FILE* f = _wfopen((dir / L"in").c_str(), L"rb");
  static ListInput in;
  list_input_init(in, f);
  std::vector<NumberedLine> lines;
  std::vector<wchar_t> buf(static_cast<size_t>(cap));
  int n;
  while ((n = read_list_line(in, buf.data(), cap)) >= 0) {
    EXPECT_EQ(n, static_cast<int>(wcslen(buf.data())));
    lines.push_back({in.line_number, buf.data()});
  }
  fclose(f);
  return lines;
}

TEST(ListInput, MarksLineNumbersAndPieces) {
  using Lines = std::vector<NumberedLine>;
  EXPECT_EQ(list_lines("", 10), Lines{});
  EXPECT_EQ(list_lines(test::utf16le(L"\uFEFF"), 10), Lines{});  // a list holding only its mark
  EXPECT_EQ(list_lines(test::utf16le(L"\uFEFFab\r\n\uFEFFc"), 10), (Lines{{1, L"ab\r\n"}, {2, L"c"}}));
  EXPECT_EQ(list_lines(test::utf16le(L"\uFEFF\r\n"), 10), (Lines{{1, L"\r\n"}}));
  // Only a mark that starts an input line goes, not one inside a line or piece.
  EXPECT_EQ(list_lines(test::utf16le(L"a\uFEFF\n"), 10), (Lines{{1, L"a\uFEFF\n"}}));
  EXPECT_EQ(list_lines(test::utf16le(L"abc\uFEFFd\nxy"), 4),
            (Lines{{1, L"abc"}, {1, L"\uFEFFd\n"}, {2, L"xy"}}));
}

}  // namespace
}  // namespace mox
