// The scanner's filters: exclusion patterns over folded paths, attribute
// rules, the size range and the extension list, and the config.ini keys
// that set them.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace mox {

// Folded text: one 32-bit value per character, 'a'-'z' upper-cased, a
// surrogate pair combined into one value. Returns the values written (at
// most cap); text beyond the room is not folded.
int fold_text(const wchar_t* text, int length, uint32_t* out, int cap);

constexpr int kPatternRoom = 261;

enum : int { kAnchorStart = 1, kAnchorEnd = 2 };

struct ExcludePattern {
  int length = 0;
  int anchors = 0;
  bool has_wildcard = false;
  uint32_t chars[kPatternRoom];
};

enum class PatternLine { added, skipped, too_long };

// One line of the exclusion file (already cleaned). A line whose pattern
// would not fit the room is refused whole, so nothing is stored beyond it and
// no shortened pattern excludes more than the user wrote.
PatternLine parse_pattern_line(const wchar_t* line, ExcludePattern* pattern);

// Load order; the first matching pattern wins.
struct PatternTable {
  std::vector<ExcludePattern> items;
};
void add_pattern(PatternTable& table, const ExcludePattern& pattern);

struct LineReader;

// One whole line of a UTF-16LE list (pieces of an overlong line joined, so
// no tail ever stands as a line of its own), cleaned; empty when its text
// holds a NUL. False at the end.
bool read_list_line(LineReader& reader, std::wstring& line);

// Loads the exclusion file; a line too long for a pattern is reported
// ("%ls: too long pattern, ignored: %ls") and skipped.
void load_patterns(FILE* file, PatternTable& table);

bool pattern_matches(const ExcludePattern& pattern, const uint32_t* path, int n);
bool any_pattern_matches(const PatternTable& table, const uint32_t* path, int n);

// Directory entry attribute bits as the scanner keeps them.
enum : unsigned {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrSystem = 0x4,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrCompressed = 0x100,
  kAttrEncrypted = 0x200,
  kAttrReparse = 0x400,
  kAttrSparse = 0x800,
};

// Maps the system's file attribute bits to the entry bits above.
unsigned entry_attributes(unsigned long system_attributes);

constexpr unsigned long kTagSymlink = 0xA000000CUL;
constexpr unsigned long kTagMountPoint = 0xA0000003UL;

// Ten rules, in checking order R H S A C E Y J L Z: 0 off, 1 exclude, 2 only.
struct AttributeRules {
  unsigned char rule[10] = {};
  bool active = false;
};

AttributeRules parse_attribute_rules(const wchar_t* letters);
bool passes_attribute_rules(const AttributeRules& rules, unsigned attributes, unsigned long reparse_tag);

// Extensions without dots; an empty list lists no file.
struct ExtensionList {
  std::vector<std::wstring> items;
};

ExtensionList parse_extension_list(const wchar_t* value);
bool extension_listed(const ExtensionList& list, const wchar_t* name);

struct JpegOptions {
  bool sos = false;   // skip every segment before the start of scan
  bool jfif = false;  // every APP0 must be a JFIF segment
};

struct ScanSettings {
  long long min_size = 0;
  long long max_size = INT64_MAX;
  AttributeRules rules;
  JpegOptions jpeg;
};

// Reads min, max (section exclude), SOS, JFIF (section JPEG) and attribute
// (section exclude) from config.ini in the current folder.
void read_scan_config(ScanSettings& settings);

}  // namespace mox
