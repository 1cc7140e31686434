// Path rules shared by the scanner and the front end: root prefix, parent,
// join, and the canonical spelling of a path as the file system stores it.
#pragma once
#include <string>

namespace mox {

// 2 for "\\" (network), 3 for "X:\", 2 for "X:", 1 for one separator, else 0.
// A separator is '\' or '/'.
int root_length(const std::wstring& path);

// Text before the last separator behind the root; the root itself when there
// is none (the parent of C:\foo is C:\).
std::wstring parent_path(const std::wstring& path);

// "\", drives (X:, X:\) and folders already ending in '\' take the name
// directly; other folders get a '\'.
std::wstring join_path(const std::wstring& folder, const std::wstring& name);

// Where the file-name part begins: after the last '\' behind the root (only
// '\' counts here), or right after the root.
size_t file_name_offset(const std::wstring& path);

// Two backslashes and a third character that is neither '?' nor '.'.
bool is_network_path(const std::wstring& path);

// The system lookups behind the canonical path; replaceable in tests.
struct PathLookup {
  // Full path of a path, or false.
  bool (*full_path)(const std::wstring& path, std::wstring* full);
  // Name of the entry as stored (first result that is not "." or ".."), or false.
  bool (*stored_name)(const std::wstring& path, std::wstring* name);
};
extern const PathLookup kSystemPathLookup;

// Full path with every component spelt as stored on disk. A path that cannot
// be found keeps its full form; an empty path stays empty.
std::wstring canonical_path(const std::wstring& path, const PathLookup& lookup = kSystemPathLookup);

}  // namespace mox
