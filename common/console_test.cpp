#include "common/console.h"

#include <gtest/gtest.h>

#include <string>

#include "common/testkit.h"

namespace mox {
namespace {

std::string printed_to_file(bool wide, const std::wstring& text) {
  test::TempDir dir(L"con");
  std::wstring path = dir / L"out";
  FILE* f = _wfopen(path.c_str(), wide ? L"wb" : L"w");
  if (wide)
    con_printf(f, L"%ls", text.c_str());
  else
    byte_printf(f, L"%ls", text.c_str());
  fclose(f);
  return test::read_file(path);
}

TEST(ConsolePrinter, FileStreamsGetRawUtf16) {
  EXPECT_EQ(printed_to_file(true, L"a\u00e9\u6f22\r\n"), test::utf16le(L"a\u00e9\u6f22\r\n"));
  std::wstring longer(5000, L'x');  // far beyond the console piece size, never cut
  EXPECT_EQ(printed_to_file(true, longer).size(), 10000u);
}

TEST(ConsolePrinter, EmptyFormatPrintsNothing) {
  EXPECT_EQ(con_printf(stderr, L""), 0);
  EXPECT_EQ(con_printf(stderr, nullptr), 0);
}

TEST(ConsolePrinter, SixtyFourBitAndWideFormats) {
  EXPECT_EQ(printed_to_file(true, L""), "");
  test::TempDir dir(L"con64");
  FILE* f = _wfopen((dir / L"o").c_str(), L"wb");
  con_printf(f, L"%20.20llu%lc%ls\r\n", 1234ULL, L' ', L"C:\\a\\b.txt");
  fclose(f);
  EXPECT_EQ(test::read_file(dir / L"o"), test::utf16le(L"00000000000000001234 C:\\a\\b.txt\r\n"));
}

TEST(BytePrinter, OneBytePerCharacterAndCrLf) {
  EXPECT_EQ(printed_to_file(false, L"a\u00e9\n"), "a\xe9\r\n");
  EXPECT_EQ(printed_to_file(false, L"\u6f22"), "?");
}

}  // namespace
}  // namespace mox
