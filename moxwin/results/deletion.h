// What a deletion may hand to the shell: only checked files that are as they
// were when compared, that are not the file of a row the user keeps, and
// whose paths the shell cannot take for patterns.
#pragma once
#include <string>
#include <vector>

#include "moxwin/results/model.h"

namespace mox::results {

enum class Verdict {
  remove,     // hand it to the shell
  gone,       // already gone: counts as deleted without the shell
  wildcard,   // '*' or '?': the shell would delete what the pattern matches
  changed,    // size or last write differs from the row: it was compared as it was
  same_file,  // the file of an unchecked row of its group
};

// The file as it is now.
struct FileNow {
  bool found = false;
  shell::FileStatus status;
  FileIdentity identity;
};

bool has_wildcard(const wchar_t* path);

// The verdict for every row in storage order (rows with checked != kChecked
// get remove and are not looked at). `now` holds each row's file as it is now;
// it is only read for checked rows and the rows of their groups.
std::vector<Verdict> judge_checked_rows(const Model& model, const std::vector<FileNow>& now);

// The shell's source list: each path and a NUL, then a second NUL.
std::wstring shell_source_list(const Model& model, const std::vector<int>& rows);

// Message 445 with the deleted count, or 446 whose first character orders the
// two counts ("1": requested first).
std::wstring deletion_result_text(int requested, int deleted, const wchar_t* all_format, const wchar_t* some_format);

}  // namespace mox::results
