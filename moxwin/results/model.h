// The result model: one row per file of the duplicate list, in the order of
// the list (storage order), with what the file system reports about each
// file now; the display order of the list control and its colours.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "moxwin/shell/file_status.h"

namespace mox::results {

constexpr int kColumnCount = 10;
constexpr int kPathOffset = 41;  // a dated list line's path starts at this unit

// Which file a path names: equal non-zero volume serial and file index mean
// one file, whatever the paths.
struct FileIdentity {
  uint32_t volume_serial = 0;
  uint32_t index_high = 0;
  uint32_t index_low = 0;
  uint32_t links = 0;  // hard-link count
  // Moves on every write and every change of attributes, also when size and
  // last-write time are put back; kUnknown when the system does not say.
  int64_t change_time = shell::kUnknown;
  bool device = false;  // the path opens something that is not a file on a disk
};

// True when both identities are known (not all zero) and name one file.
bool same_file(const FileIdentity& a, const FileIdentity& b);

// What a row's path names. Only a regular file is ever checked by a command
// or handed to the shell's delete: the shell deletes a folder with all it
// holds, and a link to a folder with the folder it points to.
// A plain path the system would change on the way (a name ending in a dot
// or a blank, a device name) reaches another file or a device: it is never
// looked up, read or deleted.
enum class FileKind : uint8_t { missing, regular, folder, link, device, altered_name };

// Check values of a row.
enum : uint8_t { kUnchecked = 0, kChecked = 1, kDeleted = 2 };

struct Row {
  int storage_index = 0;
  const wchar_t* path = L"";  // into text
  int id = 0;                 // 1-based load order, never renumbered
  int group = 0;
  int64_t size = shell::kUnknown;
  int64_t time = shell::kUnknown;  // last write, file time (UTC)
  int64_t listed_size = shell::kUnknown;  // the size on the list line: a JPEG search's image data
  std::unique_ptr<wchar_t[]> text;  // path, NUL, folder, NUL
  const wchar_t* folder = L"";      // into text
  const wchar_t* name = L"";        // into path
  const wchar_t* extension = L"";   // into path, or "" when there is none
  uint8_t selected = 0;             // snapshots of the list control
  uint8_t checked = kUnchecked;
  uint8_t parity = 0;               // alternates from group to group
  wchar_t attribute[8] = {};
  FileIdentity identity;
  int link = 0;        // rows of the group that are this file, this one included
  bool found = false;  // the file status found the file: size, time and letters are shown
  FileKind kind = FileKind::missing;
};

// A row that a check command may check and Erase may hand to the shell.
inline bool deletable(const Row& row) { return row.kind == FileKind::regular; }

// What a path names now, from its file status and identity.
FileKind kind_of(const shell::FileStatus& status, const FileIdentity& identity);

enum class Colouring { natural_ascending, natural_descending, by_position };

// Colours are COLORREF values (0x00bbggrr).
struct ListColours {
  uint32_t colour[4];  // colours 1 to 4 of the settings
};

struct Model {
  std::vector<Row> rows;               // storage order
  int capacity = 0;                    // the N of the last load
  std::vector<int> order;              // display position -> storage index
  std::vector<uint32_t> position_colours;  // one per display position
  Colouring colouring = Colouring::natural_ascending;

  int count() const { return static_cast<int>(rows.size()); }
};

// The file system calls behind a load; tests replace them.
struct FileFacts {
  virtual ~FileFacts() = default;
  // 0 and the record, or -1 when the path cannot be found.
  virtual int status(const wchar_t* path, shell::FileStatus* status) = 0;
  // The identity and change time by an open without access rights; false
  // leaves them unknown (and sets `device` for a path that opens no disk file).
  virtual bool identity(const wchar_t* path, FileIdentity* identity) = 0;
};

struct LoadOutcome {
  int status = 0;              // 0 the file was read, -1 it could not be opened
  bool out_of_memory = false;  // the load stopped there and kept the rows before
  int skipped_lines = 0;       // non-empty lines that name no path
};

// Reads a duplicate list (UTF-16LE dated lines, groups ended by empty lines)
// into the model for at most `capacity` rows, asking `facts` about every
// file. The model is released first. The display order is storage order.
LoadOutcome load_rows(Model& model, FILE* list, int capacity, FileFacts& facts);

// Opens `file_name` and loads it; status -1 (and an empty model) when it
// cannot be opened.
LoadOutcome load_file(Model& model, const wchar_t* file_name, int capacity, FileFacts& facts);

void release(Model& model);

// Attribute letters R H S A, E or C, Y or L, Z of a file status record.
void attribute_letters(const shell::FileStatus& status, wchar_t (&letters)[8]);

// Calls visit(begin, end) with the storage-order range of each group: the
// rows of a group are neighbours in storage order.
template <typename Visit>
void for_each_group(const Model& model, Visit visit) {
  int count = model.count();
  for (int begin = 0, end; begin < count; begin = end) {
    for (end = begin + 1; end < count && model.rows[end].group == model.rows[begin].group;) ++end;
    visit(begin, end);
  }
}

// Link of every row: the rows of its group with its volume serial and file
// index (unknown identities count as equal, as the file system gave them).
void count_links(Model& model);

void compute_parity(Model& model);

// Colours 3 and 4 alternating by group along the display order.
void compute_position_colours(Model& model, const ListColours& colours);

// Background of display position p in the current colouring mode.
uint32_t background_colour(const Model& model, int position, const ListColours& colours);

// Display order back to storage order.
void reset_order(Model& model);

// Removes the rows whose check is kDeleted; the others move up and get new
// storage indexes; display order is storage order; parity is recomputed.
void compact(Model& model);

}  // namespace mox::results
