#include "dirscan/filters.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mox {
namespace {

std::vector<uint32_t> fold(const std::wstring& text) {
  std::vector<uint32_t> out(text.size() + 1);
  out.resize(static_cast<size_t>(fold_text(text.data(), static_cast<int>(text.size()), out.data(),
                                           static_cast<int>(out.size()))));
  return out;
}

// A path as the walk folds it: a folder gets a '\' appended.
bool excludes(const wchar_t* line, const std::wstring& path) {
  ExcludePattern p;
  EXPECT_EQ(parse_pattern_line(line, &p), PatternLine::added) << line;
  std::vector<uint32_t> folded = fold(path);
  return pattern_matches(p, folded.data(), static_cast<int>(folded.size()));
}

TEST(Fold, LettersAndSurrogatePairs) {
  EXPECT_EQ(fold(L"a\\Z\u00E9"), (std::vector<uint32_t>{'A', '\\', 'Z', 0xE9}));  // only a-z fold
  // A pair is one value, distinct for every pair and from every single unit.
  std::vector<uint32_t> grin = fold(L"\U0001F600"), neutral = fold(L"\U0001F610"), distant = fold(L"\U0001F620");
  ASSERT_EQ(grin.size(), 1u);
  EXPECT_NE(grin, neutral);
  EXPECT_NE(grin, distant);  // low units 32 apart stay apart
  EXPECT_GT(grin[0], 0xFFFFu);
  // A high surrogate without its low partner stays as it is and keeps the next unit.
  EXPECT_EQ(fold(L"\xD83D\\x"), (std::vector<uint32_t>{0xD83D, '\\', 'X'}));
  EXPECT_EQ(fold(L"a\xD83D"), (std::vector<uint32_t>{'A', 0xD83D}));
}

TEST(ExclusionPattern, Matching) {
  struct Case {
    const wchar_t* pattern;
    const wchar_t* path;
    bool excluded;
  };
  const Case cases[] = {
      {L".log>", L"C:\\x\\A.LOG", true},
      {L".log>", L"c:\\x\\a.log", true},
      {L".log>", L"c:\\x\\a.logx", false},
      {L".bak>", L"c:\\x.bak\\a.txt", false},
      {L"<", L"C:\\anything", true},
      {L"<>", L"C:\\anything", false},
      {L"\\?\\", L"\\A\\", true},
      {L"\\?\\", L"\\:\\", false},
      {L"\\?\\", L"\\AB\\", false},               // '?' never spans a '\'
      {L"\\?\\", L"\\\\\\", false},               // nor stands for one
      {L"\\TEMP\\", L"C:\\x\\temp\\", true},      // a folder named temp, any depth
      {L"\\TEMP\\", L"C:\\x\\temporary\\", false},
      {L"\\TEMP\\", L"C:\\temp\\sub\\f.txt", true},
      {L"<C:\\WINDOWS\\", L"c:\\windows\\", true},
      {L"<C:\\WINDOWS\\", L"D:\\c:\\windows\\", false},
      {L"<c:\\a>", L"C:\\A", true},
      {L"<c:\\a>", L"C:\\AB", false},
      {L"a?c", L"xa\U0001F600c", true},           // a pair is one character
      {L"\U0001F600", L"\\\U0001F610\\", false},
      {L"\u00E9", L"\u00C9", false},              // no folding beyond a-z
      {L"abc>ignored", L"xxabc", true},           // '>' ends the pattern
      {L"long pattern", L"short", false},         // longer than the path
  };
  for (const Case& c : cases) EXPECT_EQ(excludes(c.pattern, c.path), c.excluded) << c.pattern << " / " << c.path;
}

TEST(ExclusionPattern, LinesAndRoom) {
  ExcludePattern p;
  EXPECT_EQ(parse_pattern_line(L"", &p), PatternLine::skipped);
  EXPECT_EQ(parse_pattern_line(L">x", &p), PatternLine::skipped);
  ASSERT_EQ(parse_pattern_line(L"<", &p), PatternLine::added);
  EXPECT_EQ(p.anchors, kAnchorStart);
  EXPECT_EQ(p.length, 0);
  ASSERT_EQ(parse_pattern_line(L"a?b>c?", &p), PatternLine::added);
  EXPECT_EQ(p.anchors, kAnchorEnd);
  EXPECT_EQ(p.length, 3);
  EXPECT_TRUE(p.has_wildcard);

  // Full room, one over it, far over it; and a long line cut short by '>'.
  struct Guarded {
    ExcludePattern pattern;
    uint32_t guard[64];
  };
  struct Case {
    std::wstring line;
    PatternLine result;
    int length;
  };
  const std::wstring pair = L"\U0001F600";
  const Case cases[] = {
      {std::wstring(261, L'x'), PatternLine::added, 261},
      {L"<" + std::wstring(261, L'x') + L">", PatternLine::added, 261},
      {std::wstring(262, L'x'), PatternLine::too_long, 0},
      {std::wstring(5160, L'x'), PatternLine::too_long, 0},
      {std::wstring(100, L'x') + L">" + std::wstring(5000, L'y'), PatternLine::added, 100},
      {[&] { std::wstring s; for (int i = 0; i < 261; ++i) s += pair; return s; }(), PatternLine::added, 261},
  };
  for (const Case& c : cases) {
    Guarded g;
    for (uint32_t& v : g.guard) v = 0xA5A5A5A5u;
    g.pattern.length = -1;
    EXPECT_EQ(parse_pattern_line(c.line.c_str(), &g.pattern), c.result) << c.line.size();
    if (c.result == PatternLine::added) {
      EXPECT_EQ(g.pattern.length, c.length);
    } else {
      EXPECT_EQ(g.pattern.length, -1);  // nothing stored
    }
    for (uint32_t v : g.guard) ASSERT_EQ(v, 0xA5A5A5A5u);
  }
}

TEST(ExclusionPattern, TableKeepsLoadOrderAndGrows) {
  PatternTable table;
  ExcludePattern p;
  for (int i = 0; i < 70; ++i) {
    ASSERT_EQ(parse_pattern_line((L"<no" + std::to_wstring(i)).c_str(), &p), PatternLine::added);
    add_pattern(table, p);
  }
  ASSERT_EQ(parse_pattern_line(L".tmp>", &p), PatternLine::added);
  add_pattern(table, p);
  EXPECT_EQ(table.items.size(), 71u);
  EXPECT_EQ(table.items.capacity() % 32, 0u);
  std::vector<uint32_t> path = fold(L"c:\\a.tmp"), other = fold(L"c:\\a.txt");
  EXPECT_TRUE(any_pattern_matches(table, path.data(), static_cast<int>(path.size())));
  EXPECT_FALSE(any_pattern_matches(table, other.data(), static_cast<int>(other.size())));
}

TEST(AttributeRules, LettersAndEntries) {
  AttributeRules hr = parse_attribute_rules(L"Hr");
  EXPECT_TRUE(hr.active);
  EXPECT_EQ(hr.rule[0], 2);  // r: read-only only
  EXPECT_EQ(hr.rule[1], 1);  // H: no hidden
  EXPECT_EQ(parse_attribute_rules(L"rR").rule[0], 1);  // the later letter wins
  EXPECT_FALSE(parse_attribute_rules(L"x!9 \u00E9").active);
  EXPECT_FALSE(parse_attribute_rules(L"").active);

  const unsigned kFile = kAttrArchive, kDir = kAttrDirectory;
  const unsigned long kOther = 0x80000017UL;  // a reparse tag of another kind
  struct Case {
    const wchar_t* letters;
    unsigned attributes;
    unsigned long tag;
    bool passes;
  };
  const Case cases[] = {
      {L"Hr", kFile | kAttrReadOnly, 0, true},
      {L"Hr", kFile | kAttrReadOnly | kAttrHidden, 0, false},
      {L"Hr", kDir, 0, false},  // folders are tested too
      {L"S", kFile | kAttrSystem, 0, false},
      {L"a", kFile, 0, true},
      {L"a", kAttrReadOnly, 0, false},
      {L"C", kFile | kAttrCompressed, 0, false},
      {L"c", kFile | kAttrCompressed, 0, true},
      {L"E", kFile | kAttrEncrypted, 0, false},
      {L"e", kFile, 0, false},
      {L"Z", kFile | kAttrSparse, 0, false},
      {L"z", kFile | kAttrSparse, 0, true},
      {L"y", kFile | kAttrReparse, kTagSymlink, true},
      {L"y", kDir | kAttrReparse, kTagMountPoint, false},
      {L"y", kFile, kTagSymlink, false},  // the tag counts only on a reparse point
      {L"Y", kFile | kAttrReparse, kTagSymlink, false},
      {L"Y", kDir | kAttrReparse, kTagMountPoint, true},
      {L"J", kDir | kAttrReparse, kTagMountPoint, false},
      {L"j", kDir | kAttrReparse, kTagMountPoint, true},
      {L"L", kFile | kAttrReparse, kOther, false},
      {L"L", kFile | kAttrReparse, kTagSymlink, true},
      {L"l", kFile | kAttrReparse, kOther, true},
      {L"l", kFile, 0, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(passes_attribute_rules(parse_attribute_rules(c.letters), c.attributes, c.tag), c.passes)
        << c.letters << " " << std::hex << c.attributes << " " << c.tag;
}

TEST(AttributeRules, SystemBitsToEntryBits) {
  struct Case {
    unsigned long system;
    unsigned entry;
  };
  const Case cases[] = {
      {FILE_ATTRIBUTE_ARCHIVE, kAttrArchive},       {FILE_ATTRIBUTE_COMPRESSED, kAttrCompressed},
      {FILE_ATTRIBUTE_DIRECTORY, kAttrDirectory},   {FILE_ATTRIBUTE_ENCRYPTED, kAttrEncrypted},
      {FILE_ATTRIBUTE_HIDDEN, kAttrHidden},         {FILE_ATTRIBUTE_READONLY, kAttrReadOnly},
      {FILE_ATTRIBUTE_REPARSE_POINT, kAttrReparse}, {FILE_ATTRIBUTE_SPARSE_FILE, kAttrSparse},
      {FILE_ATTRIBUTE_SYSTEM, kAttrSystem},         {FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(entry_attributes(c.system), c.entry) << std::hex << c.system;
}

TEST(ExtensionList, ValuesAndNames) {
  EXPECT_EQ(parse_extension_list(L".htm.html").items, (std::vector<std::wstring>{L"htm", L"html"}));
  EXPECT_EQ(parse_extension_list(L"..htm").items, (std::vector<std::wstring>{L"", L"htm"}));
  EXPECT_EQ(parse_extension_list(L".").items, (std::vector<std::wstring>{L""}));
  EXPECT_TRUE(parse_extension_list(L"").items.empty());

  ExtensionList jpg = parse_extension_list(L".jpg.jpeg");
  struct Case {
    const ExtensionList* list;
    const wchar_t* name;
    bool listed;
  };
  ExtensionList none = parse_extension_list(L""), bare = parse_extension_list(L".");
  const Case cases[] = {
      {&jpg, L"a.JPG", true},   {&jpg, L"b.jpeg", true},   {&jpg, L"c.jpe", false},
      {&jpg, L"d", false},      {&jpg, L"x.jpg.txt", false}, {&jpg, L"x.txt.jpg", true},
      {&none, L"a.jpg", false}, {&bare, L"d", true},         {&bare, L"e.", true},
      {&bare, L"a.jpg", false},
  };
  for (const Case& c : cases) EXPECT_EQ(extension_listed(*c.list, c.name), c.listed) << c.name;
}

}  // namespace
}  // namespace mox
