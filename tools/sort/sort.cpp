// Sorts 8-bit text lines like the Windows sort command does for the scanner's
// lines: letters compared without regard to case. Ties are broken byte by
// byte, so identical lines always end up next to each other.
//   sort [/R] [/+n] [/REC n] [/L locale] [/M kb] [/T dir] [/O outfile] [infile]
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

int fold(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

bool before(const std::string& a, const std::string& b, size_t column) {
  size_t i = std::min(column, a.size()), j = std::min(column, b.size());
  for (; i < a.size() && j < b.size(); ++i, ++j) {
    int x = fold(static_cast<unsigned char>(a[i])), y = fold(static_cast<unsigned char>(b[j]));
    if (x != y) return x < y;
  }
  if ((i < a.size()) != (j < b.size())) return j < b.size();
  return a < b;
}

bool read_all(FILE* in, std::string* text) {
  char buf[1 << 16];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, in)) > 0) text->append(buf, n);
  return !ferror(in);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool reverse = false;
  size_t column = 0;
  const wchar_t* in_name = nullptr;
  const wchar_t* out_name = nullptr;
  for (int i = 1; i < argc; ++i) {
    const wchar_t* a = argv[i];
    if (_wcsicmp(a, L"/R") == 0) {
      reverse = true;
    } else if (a[0] == L'/' && a[1] == L'+') {
      long n = std::wcstol(a + 2, nullptr, 10);
      column = n > 1 ? static_cast<size_t>(n - 1) : 0;
    } else if (_wcsicmp(a, L"/O") == 0 && i + 1 < argc) {
      out_name = argv[++i];
    } else if ((_wcsicmp(a, L"/REC") == 0 || _wcsicmp(a, L"/L") == 0 || _wcsicmp(a, L"/M") == 0 ||
                _wcsicmp(a, L"/T") == 0) && i + 1 < argc) {
      ++i;
    } else {
      in_name = a;
    }
  }
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  FILE* in = in_name ? _wfopen(in_name, L"rb") : stdin;
  if (!in) {
    fwprintf(stderr, L"The system cannot find the file specified.\r\n");
    return 1;
  }
  std::string text;
  if (!read_all(in, &text)) return 1;
  std::vector<std::string> lines;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    size_t stop = end > pos && text[end - 1] == '\r' ? end - 1 : end;
    lines.emplace_back(text, pos, stop - pos);
    pos = end + 1;
  }
  std::stable_sort(lines.begin(), lines.end(),
                   [&](const std::string& a, const std::string& b) { return before(a, b, column); });
  if (reverse) std::reverse(lines.begin(), lines.end());
  FILE* out = out_name ? _wfopen(out_name, L"wb") : stdout;
  if (!out) return 1;
  for (const std::string& line : lines) {
    fwrite(line.data(), 1, line.size(), out);
    fwrite("\r\n", 1, 2, out);
  }
  return fclose(out) == 0 ? 0 : 1;
}
