// What Erase may hand to the shell, decided over plain data: a request frozen
// when Erase is pressed, the files as they are now, and the rule that every
// file it deletes leaves an identical copy that is still as it was loaded.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "moxwin/results/content_compare.h"
#include "moxwin/results/model.h"

namespace mox::results {

// What the groups of the loaded list mean: what the search compared.
enum class ListKind : uint8_t { unknown, content, jpeg, size, name };

// The kind a search script names ("content", "jpeg", "size", "name", any
// case, trailing blanks and line end ignored); unknown for anything else.
ListKind list_kind_of(const std::wstring& text);

// Whether a list of this kind says its groups are identical files.
inline bool compares_contents(ListKind kind) { return kind == ListKind::content || kind == ListKind::jpeg; }

// Why a checked row is not handed to the shell (none: it is), in the order
// the question and the report list them.
enum class Refusal : uint8_t {
  none,
  gone,          // gone before Erase while its folder is there: counts as deleted
  changed,       // not as it was loaded, or its folder cannot be reached
  no_survivor,   // no unchecked file of its group is still as it was loaded
  not_regular,   // a folder, a link or a device
  wildcard,      // '?' or '*': the shell would take it for a pattern
  same_path,     // an earlier checked row names the same path: it goes with that one
  differs,       // its contents differ from the kept file's
  unreadable,    // its contents could not be compared
  no_bin,        // cannot go to the recycle bin and the user did not want it deleted for good
  kept_by_shell, // handed to the shell and still there afterwards
  count
};

struct EraseEntry {
  int row = 0;  // storage index
  Refusal refusal = Refusal::none;
  int survivor = -1;  // the kept row its contents are compared with
  int first = -1;     // same_path: the entry that names the path first
  bool deleted = false;
};

// Frozen when Erase is pressed; nothing the user does afterwards changes it.
struct EraseRequest {
  std::vector<EraseEntry> entries;  // the checked rows, in list order
  std::vector<uint8_t> selected;    // every row's selection, storage order
  ListKind kind = ListKind::unknown;
};

// A file as it is now.
struct FileNow {
  FileKind kind = FileKind::missing;
  int64_t size = shell::kUnknown;
  int64_t write_time = shell::kUnknown;
  FileIdentity identity;
  bool folder_exists = false;  // its parent folder is there
};

// Still the regular file that was loaded: same identity, size, last-write
// and change time.
bool unchanged(const Row& row, const FileNow& now);

// Sets every entry's refusal from the files as they are now (`now` holds one
// record per row, storage order; only the rows of groups with entries are
// read) and chooses each entry's survivor. Refusals set earlier stay.
void judge_request(const Model& model, EraseRequest& request, const std::vector<FileNow>& now);

// Groups whose every row is in the request: no copy is left by the user's
// own choice.
int whole_groups(const Model& model, const EraseRequest& request);

// The byte comparisons of one group: its entries still to be handed over and
// the kept files they are compared with (the chosen survivor for a content
// list, every survivor for the other kinds).
struct GroupComparison {
  std::vector<int> entries;  // indexes into the request
  std::vector<FileRange> kept;
  std::vector<FileRange> checked;
};
std::vector<GroupComparison> plan_comparisons(const Model& model, const EraseRequest& request,
                                              const std::vector<FileNow>& now);

// The bytes a row's search compared: the whole file, or for a JPEG list the
// listed image data at its end.
FileRange compared_range(const Row& row, ListKind kind);

// The shell's source list: each path to hand over and a NUL, then a second NUL.
std::wstring shell_source_list(const Model& model, const EraseRequest& request);

// After the shell: each handed or gone entry is deleted when its file is not
// found while its folder is there; same-path entries follow their first. The
// rows' check values become: deleted rows kDeleted, the request's other rows
// kChecked, all others kUnchecked; every row's selection comes from the
// request. Returns the number of deleted entries.
int settle_request(Model& model, EraseRequest& request, const std::vector<FileNow>& now);

// Message 445 with the deleted count, or 446 whose first character orders the
// two counts ("1": requested first).
std::wstring deletion_result_text(int requested, int deleted, const wchar_t* all_format, const wchar_t* some_format);

}  // namespace mox::results
