// What the window makes of what a user types or edits outside it: the
// encoding of a hand-edited LIST.TXT, and the size boxes Start accepts.
#include <gtest/gtest.h>

#include "common/testkit.h"
#include "moxwin/shell/folder_list.h"
#include "moxwin/shell/list_encoding.h"
#include "moxwin/shell/run.h"

namespace mox::shell {
namespace {

std::string utf8(const std::wstring& text) { return test::to_utf8(text); }

TEST(ListEncoding, Detection) {
  using E = ListEncoding;
  struct Case {
    const char* what;
    std::string bytes;
    ListEncoding encoding;
  };
  const Case cases[] = {
      {"empty", "", E::kUtf16le},
      {"as the list writes it", test::utf16le(L"\uFEFFC:\\写真\r\n"), E::kUtf16le},
      {"from the command line, no mark", test::utf16le(L"C:\\A\r\n"), E::kUtf16le},
      {"no mark, no line end", test::utf16le(L"C:\\A"), E::kUtf16le},
      {"Japanese only but its line end", test::utf16le(L"写真\r\n"), E::kUtf16le},
      {"Notepad's UTF-8 with its mark", "\xEF\xBB\xBF" + utf8(L"C:\\写真\r\n"), E::kUtf8},
      {"UTF-8 without a mark", utf8(L"C:\\写真\r\n:D:\\データ\r\n"), E::kUtf8},
      {"plain ASCII", "C:\\A\r\n", E::kUtf8},
      {"only a UTF-8 mark", "\xEF\xBB\xBF", E::kUtf8},
      {"a broken sequence after the UTF-8 mark", "\xEF\xBB\xBF" "C:\\\xE5\x86\r\n", E::kNeither},
      {"Shift-JIS (an ANSI save)", "C:\\\x8E\xCA\x90\x5E\r\n", E::kNeither},
      {"UTF-8 of a surrogate", "C:\\\xED\xA0\x80\r\n", E::kNeither},
      {"overlong UTF-8", "C:\\\xC0\xAF\r\n", E::kNeither},
      {"UTF-16BE with its mark", std::string("\xFE\xFF\0C\0:\0\r\0\n", 10), E::kNeither},
      {"UTF-16BE without a mark", std::string("\0C\0:\0\\\0\r\0\n", 10), E::kNeither},
      {"odd length with NUL bytes", std::string("C\0:\0\\", 5), E::kNeither},
      {"a lone surrogate in UTF-16LE", test::utf16le(L"C:\\") + std::string("\x00\xD8", 2) + test::utf16le(L"\r\n"),
       E::kNeither},
  };
  for (const Case& c : cases) EXPECT_EQ(detect_list_encoding(c.bytes), c.encoding) << c.what;
}

TEST(ListEncoding, DecodedRows) {
  auto rows = [](const std::string& bytes) {
    std::vector<std::wstring> texts;
    for (const FolderRow& row : folder_rows(decode_list_text(bytes, detect_list_encoding(bytes))).rows)
      texts.push_back((row.checked ? L"" : L":") + row.text);
    return texts;
  };
  const std::vector<std::wstring> expected = {L"C:\\写真", L":D:\\データ 2", L""};
  EXPECT_EQ(rows("\xEF\xBB\xBF" + utf8(L"C:\\写真\r\n:D:\\データ 2\r\n\r\n")), expected);
  EXPECT_EQ(rows(utf8(L"C:\\写真\n:D:\\データ 2\n\n")), expected);
  EXPECT_EQ(rows(test::utf16le(L"\uFEFFC:\\写真\r\n:D:\\データ 2\r\n\r\n")), expected);
  // A lone last byte of UTF-16LE is dropped, as the list readers do.
  EXPECT_EQ(rows(test::utf16le(L"\uFEFFC:\\A\r\n") + "x"), std::vector<std::wstring>{L"C:\\A"});
}

TEST(SizeBoxes, WhatStartAccepts) {
  struct Case {
    const wchar_t *minimum, *maximum;
    SizeCheck check;
  };
  const Case cases[] = {
      {L"", L"", SizeCheck::kValid},
      {L"100 ", L" 2M", SizeCheck::kValid},
      {L"\t1k\u3000", L"", SizeCheck::kValid},
      {L"   ", L"", SizeCheck::kValid},  // blanks only: no limit
      {L"1,024", L"1k", SizeCheck::kValid},  // equal ends
      {L"-5", L"", SizeCheck::kBadMinimum},
      {L"10 MB", L"", SizeCheck::kBadMinimum},
      {L"1 0", L"", SizeCheck::kBadMinimum},
      {L"abc", L"x", SizeCheck::kBadMinimum},
      {L"", L"1.5M", SizeCheck::kBadMaximum},
      {L"", L"9223372036854775808", SizeCheck::kBadMaximum},
      {L"2M", L"1M", SizeCheck::kReversed},
      {L"1", L"0", SizeCheck::kReversed},
  };
  for (const Case& c : cases)
    EXPECT_EQ(check_sizes(c.minimum, c.maximum), c.check) << utf8(c.minimum) << " / " << utf8(c.maximum);
  EXPECT_EQ(minimum_size(L" 100 "), 100);
  EXPECT_EQ(maximum_size(L"\u30002,147,483,647 "), 2147483647);
}

}  // namespace
}  // namespace mox::shell
