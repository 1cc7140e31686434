#include "common/size_syntax.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

TEST(SizeSyntax, Table) {
  struct Case {
    const wchar_t* text;
    bool valid;
    long long size;
  };
  const Case cases[] = {
      {L"", false, 0},
      {L"1", true, 1},
      {L"1,024", true, 1024},
      {L"1k", true, 1024},
      {L"1K", true, 1024},
      {L"2M", true, 2097152},
      {L"1G", true, 1073741824},
      {L"1T", true, 1099511627776},
      {L"2T", true, 2199023255552},
      {L"1.5M", false, 0},
      {L"10 K", false, 0},
      {L"K", false, 0},
      {L"1X", false, 0},
      {L",", false, 0},
      {L"1Kjunk", true, 1024},  // the unit ends the value
      {L"9223372036854775807", true, 9223372036854775807},
      {L"9223372036854775808", false, 0},
      {L"99999999999999999999999", false, 0},
      {L"8388607T", true, 8388607LL << 40},
      {L"8388608T", false, 0},
      {L"9007199254740991K", true, 9007199254740991LL << 10},
      {L"9007199254740992K", false, 0},
      {L"8796093022208M", false, 0},
      {L"8589934592G", false, 0},
  };
  for (const Case& c : cases) {
    long long size = -1;
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parse_size(c.text, &size), c.valid);
    if (c.valid) {
      EXPECT_EQ(size, c.size);
    }
  }
}

}  // namespace
}  // namespace mox
