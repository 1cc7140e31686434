#include "common/lines.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/chunked_read.h"
#include "common/testkit.h"

namespace mox {
namespace {

std::vector<std::wstring> wide_lines(const std::string& bytes, int cap) {
  test::TempDir dir(L"lines");
  test::write_file(dir / L"in", bytes);
  FILE* f = _wfopen((dir / L"in").c_str(), L"rb");
  static LineReader reader;
  line_reader_init(reader, f);
  std::vector<std::wstring> lines;
  std::vector<wchar_t> buf(static_cast<size_t>(cap));
  while (read_wide_line(reader, buf.data(), cap) >= 0) lines.emplace_back(buf.data());
  fclose(f);
  return lines;
}

TEST(WideLines, PiecesLineEndsAndOddByte) {
  auto lines = wide_lines(test::utf16le(L"ab\r\ncdefg\nh") + "x", 4);
  std::vector<std::wstring> expected = {L"ab\r", L"\n", L"cde", L"fg\n", L"h"};
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(wide_lines("", 10).empty());
}

TEST(CleanLine, ByteOrderMarkAndLineEnd) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  };
  const Case cases[] = {
      {L"\uFEFFC:\\a\r\n", L"C:\\a"},
      {L"C:\\a\rrest", L"C:\\a"},
      {L"\uFEFF", L""},
      {L"x\uFEFF\n", L"x\uFEFF"},  // only a leading mark goes
  };
  for (const Case& c : cases) {
    std::wstring s = c.in;
    int n = clean_line(s.data());
    EXPECT_EQ(std::wstring(s.c_str()), c.out);
    EXPECT_EQ(n, static_cast<int>(std::wcslen(c.out)));
  }
}

int g_reads;
BOOL WINAPI failing_second_read(HANDLE, LPVOID, DWORD want, LPDWORD got, LPOVERLAPPED) {
  if (++g_reads == 2) {
    *got = 0;
    SetLastError(ERROR_CRC);
    return FALSE;
  }
  *got = want;
  return TRUE;
}

BOOL WINAPI short_read(HANDLE, LPVOID, DWORD want, LPDWORD got, LPOVERLAPPED) {
  *got = want > 100 ? 100 : want;
  return TRUE;
}

TEST(ChunkedRead, PiecesEndOfFileAndFailure) {
  static char buf[3 * 1048576];
  DWORD total = 0;
  g_reads = 0;
  g_read_file = failing_second_read;
  EXPECT_FALSE(read_chunked(nullptr, buf, sizeof buf, &total));
  EXPECT_EQ(total, 1048576u);  // what came before the failing piece
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CRC));  // not lost to the diagnostics
  g_read_file = short_read;
  EXPECT_TRUE(read_chunked(nullptr, buf, sizeof buf, &total));
  EXPECT_EQ(total, 100u);
  g_read_file = ReadFile;
}

}  // namespace
}  // namespace mox
