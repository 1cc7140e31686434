// List deleter: deletes the regular files that the lines of a list name and
// lists the paths it did not delete.
#pragma once
#include <cstdio>

namespace mox {

// The file system as purge sees it; the seam lets tests stand in for
// conditions Wine cannot produce.
struct PurgeFs {
  unsigned long (*attributes)(const wchar_t* path);       // INVALID_FILE_ATTRIBUTES when unknown
  unsigned long (*clear_read_only)(const wchar_t* path);  // 0, or the system error code
  bool (*remove)(const wchar_t* path);
};
extern const PurgeFs g_system_fs;

enum class PathKind { missing, regular, read_only, other };

// Only a plain file counts as regular: folders, devices and reparse points
// (links, junctions) are never deleted.
PathKind path_kind(unsigned long attributes);

enum class PurgeOutcome { deleted, kept, listed };

struct PurgeResult {
  PurgeOutcome outcome = PurgeOutcome::listed;
  unsigned long attribute_error = 0;  // the failed read-only change, if any
};

// Deletes path if it names a regular file; a read-only one only with force.
// A plain path that the system would alter (plain_path_reaches) is never
// deleted.
PurgeResult purge_path(const wchar_t* path, bool force, const PurgeFs& fs);

// The path a line names from column (1-based) on, or null for a line too
// short to reach it.
const wchar_t* path_in_line(const wchar_t* line, int len, long column);

// The errno value for a system error code, so the message carries the
// runtime's standard error text.
int errno_for_system_error(unsigned long error);

struct PurgeOptions {
  long column = 1;
  bool force = false;
};

// Reads the list from in; paths not deleted go to out, attribute-change
// failures to standard error and the log.
void purge_run(FILE* in, FILE* out, const PurgeOptions& options, const PurgeFs& fs);

}  // namespace mox
