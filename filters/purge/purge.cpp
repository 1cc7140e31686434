#include "purge.h"

#include <windows.h>

#include <cerrno>
#include <cstring>

#include "common/console.h"
#include "common/frame.h"
#include "common/byte_lines.h"
#include "common/paths.h"

namespace mox {

namespace {

unsigned long system_attributes(const wchar_t* path) { return GetFileAttributesW(path); }

unsigned long system_clear_read_only(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
  if (!SetFileAttributesW(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) return GetLastError();
  return 0;
}

bool system_remove(const wchar_t* path) { return DeleteFileW(path) != 0; }

}  // namespace

const PurgeFs g_system_fs = {system_attributes, system_clear_read_only, system_remove};

PathKind path_kind(unsigned long attributes) {
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::missing;
  const unsigned long not_plain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
  if (attributes & not_plain) return PathKind::other;
  return (attributes & FILE_ATTRIBUTE_READONLY) ? PathKind::read_only : PathKind::regular;
}

PurgeResult purge_path(const wchar_t* path, bool force, const PurgeFs& fs) {
  PurgeResult result;
  // A plain "a." would delete "a", a plain "aux.c" the device: such a path
  // is listed, never deleted; its \\?\ form names the file itself.
  if (!plain_path_reaches(path)) return result;
  switch (path_kind(fs.attributes(path))) {
    case PathKind::missing:
    case PathKind::other:
      return result;
    case PathKind::read_only:
      if (!force) {
        result.outcome = PurgeOutcome::kept;
        return result;
      }
      // A failed change is reported; the delete is still tried.
      result.attribute_error = fs.clear_read_only(path);
      break;
    case PathKind::regular:
      break;
  }
  result.outcome = fs.remove(path) ? PurgeOutcome::deleted : PurgeOutcome::listed;
  return result;
}

const wchar_t* path_in_line(const wchar_t* line, int len, long column) {
  return len < column ? nullptr : line + (column - 1);
}

int errno_for_system_error(unsigned long error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
      return EACCES;
    case ERROR_NOT_ENOUGH_MEMORY:
      return ENOMEM;
    default:
      return EINVAL;
  }
}

void purge_run(FILE* in, FILE* out, const PurgeOptions& options, const PurgeFs& fs) {
  static LineReader reader;
  static wchar_t line[kByteLineCap];
  line_reader_init(reader, in);
  long line_number = 0;
  for (int len; (len = read_byte_family_line(reader, line)) != -1;) {
    ++line_number;
    if (len < 0) {
      report_skipped_line(len, line_number);
      continue;
    }
    const wchar_t* path = path_in_line(line, len, options.column);
    if (!path) continue;
    PurgeResult r = purge_path(path, options.force, fs);
    if (r.attribute_error) msg_log(L"%ls: %ls\n", path, _wcserror(errno_for_system_error(r.attribute_error)));
    if (r.outcome == PurgeOutcome::listed) byte_printf(out, L"%ls\n", path);
  }
}

}  // namespace mox
