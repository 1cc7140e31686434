// The depth-first walk and its output lines.
#pragma once
#include <string>

#include "dirscan/filters.h"

namespace mox {

struct DirEntry {
  unsigned attributes = 0;         // entry bits (filters.h)
  unsigned long reparse_tag = 0;   // for reparse points
  unsigned long long size = 0;
  wchar_t name[261] = {};
};

using FindHandle = void*;

// What makes a folder the same folder whatever path reaches it.
struct FolderId {
  unsigned long volume = 0;        // volume serial number
  unsigned long long index = 0;    // file index on that volume
};

// The system behind the walk; tests replace it to show attribute bits,
// reparse tags, unreadable folders and files that vanish mid-walk.
struct ScanSystem {
  // System attribute bits of a path, or false when they cannot be read.
  bool (*get_attributes)(const wchar_t* path, unsigned long* attributes);
  // First entry of a search; on failure *error gets the system error code.
  bool (*find_first)(const wchar_t* pattern, FindHandle* handle, DirEntry* entry, unsigned long* error);
  bool (*find_next)(FindHandle handle, DirEntry* entry);
  void (*find_close)(FindHandle handle);
  long long (*jpeg_payload)(const wchar_t* path, const JpegOptions& options);
  void (*set_title)(const wchar_t* text);
  // One formatted output line, CR LF included.
  void (*write_line)(const wchar_t* line, int length);
  // A message of the walk: fmt holds up to two %ls.
  void (*report)(const wchar_t* fmt, const wchar_t* first, const wchar_t* second);
  // A folder's file index alone, or false when it cannot be read: one open,
  // asked of every folder.
  bool (*folder_index)(const wchar_t* path, unsigned long long* index);
  // Its whole identity, the volume's serial number too: dearer, asked only
  // when a folder's index meets one on its path.
  bool (*folder_identity)(const wchar_t* path, FolderId* id);
};
extern const ScanSystem kSystemScan;

struct ScanOptions {
  bool no_recursion = false;       // -N
  bool set_title = false;          // -W
  int form = 0;                    // -0 size-path, -1 name-size-path
  bool jpeg = false;               // -A jpeg
  ScanSettings settings;
  PatternTable patterns;
  const ExtensionList* extensions = nullptr;  // none: no extension filter
};

// Runtime error texts for a failed find.
const wchar_t* find_error_text(unsigned long system_error);

// Line formatting into out (cap characters with the terminator); -1 when it
// would not fit. The size takes exactly 20 digits.
int format_size_line(wchar_t* out, int cap, unsigned long long size, wchar_t marker, const wchar_t* path,
                     int path_length);
int format_name_line(wchar_t* out, int cap, const wchar_t* name, unsigned long long size, const wchar_t* path,
                     int path_length);

// Scans one root (already canonical), writing its lines and messages through system.
void scan_root(const ScanOptions& options, const ScanSystem& system, const std::wstring& root);

}  // namespace mox
