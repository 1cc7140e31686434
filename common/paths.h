// Path rules shared by the scanner and the front end: root prefix, parent,
// join, the canonical spelling of a path as the file system stores it, and
// which paths need their \\?\ form to reach the entry they name.
#pragma once
#include <string>
#include <string_view>

namespace mox {

// 2 for "\\" (network), 3 for "X:\", 2 for "X:", 1 for one separator, else 0.
// A separator is '\' or '/'. Behind a \\?\ prefix: 7 for "\\?\X:\", 8 for
// "\\?\UNC\" (the server and share count as names, as behind "\\"), else 4.
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

// ---- Names a plain path cannot carry ----
// A plain path goes through the system's path rules: a trailing dot or space
// of every component is dropped, and a component that is a reserved device
// name opens that device. The \\?\ form of a path skips those rules and
// reaches each entry by its stored name.

// CON PRN AUX NUL COM0-9 LPT0-9 (also with the superscript digits 1 2 3)
// CONIN$ CONOUT$, in any case, with or without an extension, blanks before
// the extension included ("nul.txt", "aux .c").
bool is_device_name(std::wstring_view name);

// A name that a plain path would change or turn into a device: a device name,
// or a name ending in a dot or a space ("." and ".." excepted).
bool plain_path_alters(std::wstring_view name);

// Begins with \\?\ : the system takes the rest as it stands.
bool is_extended_path(std::wstring_view path);

// Whether the path reaches the entry its text names: true for a \\?\ path,
// false when a component behind the root is altered (above).
bool plain_path_reaches(std::wstring_view path);

// The \\?\ form of a full path: "\\?\" before a drive path, "\\?\UNC\" in
// place of the "\\" of a network path, every '/' turned into '\'. Any other
// path (already extended, "\\.\", relative, no drive) is returned unchanged.
std::wstring extended_path(std::wstring_view path);

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
