// Random input: whatever the bytes hold, every line written is the decoding
// of one whole input line; a piece of a line never passes for one.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/testkit.h"
#include "widen.h"

namespace mox {
namespace {

// The scanner's form of a list: ASCII as it is, every other unit and '?' escaped.
std::string escaped(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != L'?') {
      out += static_cast<char>(c);
    } else if (c == L'\r' || c == L'\n') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "?%04X", static_cast<unsigned>(c));
      out += hex;
    }
  }
  return out;
}

// Lines with their line ends, split at LF.
std::vector<std::string> byte_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < bytes.size();) {
    size_t end = bytes.find('\n', at);
    end = end == std::string::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(at, end - at));
    at = end;
  }
  return lines;
}

TEST(WidenRandom, WritesOnlyWholeDecodedLines) {
  static wchar_t decoded[kWideLineCap];
  for (unsigned long long seed : test::random_seeds(4600, 100)) {
    test::Random r(seed);
    std::string valid = escaped(test::from_utf16le(test::random_size_path_list(r)));
    std::string input = r.below(5) == 0 ? test::random_bytes(r, 3000) : test::mutate_list(r, valid, 1);
    int written = 0;
    test::Captured c = test::run_reader(input, [&](FILE* in, FILE* out) { written = widen_run(in, out); });
    std::set<std::wstring> whole;
    for (const std::string& line : byte_lines(input)) {
      int len = 0;
      if (line.size() < 100000 &&
          decode_escaped_line(line.data(), static_cast<int>(line.size()), decoded, &len) == Decode::ok)
        whole.insert(std::wstring(decoded, static_cast<size_t>(len)));
    }
    std::wstring out = test::from_utf16le(c.out);
    int lines = 0;
    for (size_t at = 0; at < out.size(); ++lines) {
      size_t end = out.find(L'\n', at);
      end = end == std::wstring::npos ? out.size() : end + 1;
      EXPECT_TRUE(whole.count(out.substr(at, end - at)))
          << "seed " << seed << ": " << test::to_utf8(out.substr(at, std::min<size_t>(end - at, 100)));
      at = end;
    }
    EXPECT_EQ(lines, written) << "seed " << seed;
    test::expect_only_refusals(seed, c.err, 2);
  }
}

}  // namespace
}  // namespace mox
