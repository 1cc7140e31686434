#include "filters.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "common/frame.h"
#include "common/lines.h"
#include "common/settings.h"
#include "common/size_syntax.h"

namespace mox {

namespace {

uint32_t fold_unit(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<uint32_t>(c - 32) : c; }

bool is_high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool equal_at(const ExcludePattern& p, const uint32_t* path, int at) {
  const uint32_t* s = path + at;
  if (!p.has_wildcard) {
    for (int i = 0; i < p.length; ++i)
      if (s[i] != p.chars[i]) return false;
    return true;
  }
  for (int i = 0; i < p.length; ++i) {
    if (p.chars[i] == L'?') {
      if (s[i] == L'\\' || s[i] == L':') return false;
    } else if (s[i] != p.chars[i]) {
      return false;
    }
  }
  return true;
}

bool has_property(int index, unsigned attributes, unsigned long tag) {
  bool reparse = (attributes & kAttrReparse) != 0;
  switch (index) {
    case 0: return attributes & kAttrReadOnly;
    case 1: return attributes & kAttrHidden;
    case 2: return attributes & kAttrSystem;
    case 3: return attributes & kAttrArchive;
    case 4: return attributes & kAttrCompressed;
    case 5: return attributes & kAttrEncrypted;
    case 6: return reparse && tag == kTagSymlink;
    case 7: return reparse && tag == kTagMountPoint;
    case 8: return reparse && tag != kTagSymlink && tag != kTagMountPoint;
    default: return attributes & kAttrSparse;
  }
}

const char kRuleLetters[] = "RHSACEYJLZ";

}  // namespace

// A pair is combined as (high << 16) | low: unique, and above every single
// unit, so a pattern character never equals a different character.
int fold_text(const wchar_t* text, int length, uint32_t* out, int cap) {
  int n = 0;
  for (int i = 0; i < length && n < cap; ++i) {
    wchar_t c = text[i];
    if (is_high_surrogate(c) && i + 1 < length && is_low_surrogate(text[i + 1])) {
      out[n++] = (static_cast<uint32_t>(c) << 16) | text[i + 1];
      ++i;
    } else {
      out[n++] = fold_unit(c);
    }
  }
  return n;
}

PatternLine parse_pattern_line(const wchar_t* line, ExcludePattern* pattern) {
  if (line[0] == 0 || line[0] == L'>') return PatternLine::skipped;
  ExcludePattern p;
  const wchar_t* at = line;
  if (*at == L'<') {
    p.anchors |= kAnchorStart;
    ++at;
  }
  const wchar_t* end = at;
  while (*end && *end != L'>') ++end;
  if (*end == L'>') p.anchors |= kAnchorEnd;
  // Fold one value more than the room holds: filling it means the pattern is too long.
  uint32_t folded[kPatternRoom + 1];
  int n = fold_text(at, static_cast<int>(end - at), folded, kPatternRoom + 1);
  if (n > kPatternRoom) return PatternLine::too_long;
  for (int i = 0; i < n; ++i) {
    p.chars[i] = folded[i];
    if (folded[i] == L'?') p.has_wildcard = true;
  }
  p.length = n;
  *pattern = p;
  return PatternLine::added;
}

void add_pattern(PatternTable& table, const ExcludePattern& pattern) {
  if (table.items.size() == table.items.capacity()) table.items.reserve(table.items.capacity() + 32);
  table.items.push_back(pattern);
}

bool read_list_line(LineReader& reader, std::wstring& line) {
  constexpr int kPieceRoom = 5161;
  static wchar_t piece[kPieceRoom];
  line.clear();
  bool any = false;
  int n;
  while ((n = read_wide_line(reader, piece, kPieceRoom)) >= 0) {
    any = true;
    line.append(piece, static_cast<size_t>(n));
    if (piece_ends_line(n, kPieceRoom, n ? piece[n - 1] : 0)) break;
  }
  if (!any) return false;
  // A NUL would cut the line short, naming a folder or pattern that was not
  // written: such a line names nothing.
  size_t start = !line.empty() && line[0] == 0xFEFF ? 1 : 0;
  if (line.find(L'\0', start) < line.find_first_of(L"\r\n", start)) {
    line.clear();
    return true;
  }
  line.resize(static_cast<size_t>(clean_line(line.data())));
  return true;
}

void load_patterns(FILE* file, PatternTable& table) {
  static LineReader reader;
  line_reader_init(reader, file);
  std::wstring line;
  ExcludePattern pattern;
  while (read_list_line(reader, line)) {
    switch (parse_pattern_line(line.c_str(), &pattern)) {
      case PatternLine::added: add_pattern(table, pattern); break;
      case PatternLine::too_long: msg_log(L"%ls: too long pattern, ignored: %ls\r\n", g_frame.program, line.c_str()); break;
      case PatternLine::skipped: break;
    }
  }
}

bool pattern_matches(const ExcludePattern& p, const uint32_t* path, int n) {
  int m = p.length;
  if (n < m) return false;
  switch (p.anchors) {
    case kAnchorStart: return equal_at(p, path, 0);
    case kAnchorEnd: return equal_at(p, path, n - m);
    case kAnchorStart | kAnchorEnd: return n == m && equal_at(p, path, 0);
    default:
      for (int at = 0; at <= n - m; ++at)
        if (equal_at(p, path, at)) return true;
      return false;
  }
}

bool any_pattern_matches(const PatternTable& table, const uint32_t* path, int n) {
  for (const ExcludePattern& p : table.items)
    if (pattern_matches(p, path, n)) return true;
  return false;
}

unsigned entry_attributes(unsigned long a) {
  unsigned bits = 0;
  if (a & FILE_ATTRIBUTE_ARCHIVE) bits |= kAttrArchive;
  if (a & FILE_ATTRIBUTE_COMPRESSED) bits |= kAttrCompressed;
  if (a & FILE_ATTRIBUTE_DIRECTORY) bits |= kAttrDirectory;
  if (a & FILE_ATTRIBUTE_ENCRYPTED) bits |= kAttrEncrypted;
  if (a & FILE_ATTRIBUTE_HIDDEN) bits |= kAttrHidden;
  if (a & FILE_ATTRIBUTE_READONLY) bits |= kAttrReadOnly;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) bits |= kAttrReparse;
  if (a & FILE_ATTRIBUTE_SPARSE_FILE) bits |= kAttrSparse;
  if (a & FILE_ATTRIBUTE_SYSTEM) bits |= kAttrSystem;
  return bits;
}

AttributeRules parse_attribute_rules(const wchar_t* letters) {
  AttributeRules rules;
  for (const wchar_t* p = letters; *p; ++p) {
    wchar_t c = *p;
    bool lower = c >= L'a' && c <= L'z';
    wchar_t upper = lower ? static_cast<wchar_t>(c - 32) : c;
    if (upper >= 128) continue;
    const char* hit = upper ? std::strchr(kRuleLetters, static_cast<char>(upper)) : nullptr;
    if (!hit) continue;
    rules.rule[hit - kRuleLetters] = lower ? 2 : 1;
  }
  for (unsigned char r : rules.rule)
    if (r) rules.active = true;
  return rules;
}

bool passes_attribute_rules(const AttributeRules& rules, unsigned attributes, unsigned long reparse_tag) {
  for (int i = 0; i < 10; ++i) {
    if (rules.rule[i] == 0) continue;
    bool has = has_property(i, attributes, reparse_tag);
    if (rules.rule[i] == 1 ? has : !has) return false;
  }
  return true;
}

ExtensionList parse_extension_list(const wchar_t* value) {
  ExtensionList list;
  if (!value[0]) return list;
  // The first character stands where the leading '.' is expected.
  const wchar_t* at = value + 1;
  for (;;) {
    const wchar_t* end = at;
    while (*end && *end != L'.') ++end;
    list.items.emplace_back(at, end);
    if (!*end) break;
    at = end + 1;
  }
  return list;
}

bool extension_listed(const ExtensionList& list, const wchar_t* name) {
  const wchar_t* start = name;
  if (((name[0] >= L'A' && name[0] <= L'Z') || (name[0] >= L'a' && name[0] <= L'z')) && name[1] == L':')
    start = name + 2;
  if (const wchar_t* slash = std::wcsrchr(start, L'\\')) start = slash + 1;
  const wchar_t* dot = std::wcsrchr(start, L'.');
  const wchar_t* ext = dot ? dot + 1 : start + std::wcslen(start);
  int ext_len = static_cast<int>(std::wcslen(ext));
  for (const std::wstring& item : list.items)
    if (CompareStringOrdinal(ext, ext_len, item.data(), static_cast<int>(item.size()), TRUE) == CSTR_EQUAL)
      return true;
  return false;
}

void read_scan_config(ScanSettings& s) {
  constexpr int kValueRoom = 5161;
  static wchar_t value[kValueRoom];
  long long size;
  if (config_read(L"exclude", L"min", value, kValueRoom) && parse_size(value, &size)) s.min_size = size;
  if (config_read(L"exclude", L"max", value, kValueRoom) && parse_size(value, &size)) s.max_size = size;
  if (config_read(L"JPEG", L"SOS", value, kValueRoom)) s.jpeg.sos = value[0] == L'1';
  if (config_read(L"JPEG", L"JFIF", value, kValueRoom)) s.jpeg.jfif = value[0] == L'1';
  if (config_read(L"exclude", L"attribute", value, kValueRoom)) s.rules = parse_attribute_rules(value);
}

}  // namespace mox
