#include "moxwin/shell/file_status.h"

#include <windows.h>

#include <cwchar>

namespace mox::shell {
namespace {

int64_t file_time(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

int64_t file_size(DWORD high, DWORD low) {
  return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

bool find_entry(const wchar_t* path, WIN32_FIND_DATAW* entry) {
  if (has_wildcard(path)) return false;
  HANDLE find = FindFirstFileW(path, entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

// The attribute data and a find entry share these members.
template <typename Record>
void fill(const Record& record, FileStatus* status) {
  status->size = file_size(record.nFileSizeHigh, record.nFileSizeLow);
  status->access_time = file_time(record.ftLastAccessTime);
  status->write_time = file_time(record.ftLastWriteTime);
  status->creation_time = file_time(record.ftCreationTime);
  status->flags = flags_of_attributes(record.dwFileAttributes);
}

uint32_t reparse_tag(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? entry.dwReserved0 : 0;
}

// Errors after which the name surely does not exist: no second look.
bool names_nothing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

}  // namespace

bool has_wildcard(const wchar_t* path) {
  if (wcsncmp(path, L"\\\\?\\", 4) == 0) path += 4;
  return wcspbrk(path, L"?*") != nullptr;
}

uint32_t flags_of_attributes(uint32_t attributes) {
  uint32_t flags = kFileReadable;
  flags |= (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kFileDirectory : kFileRegular;
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) flags |= kFileWritable;
  if (attributes & FILE_ATTRIBUTE_COMPRESSED) flags |= kFileCompressed;
  if (attributes & FILE_ATTRIBUTE_ENCRYPTED) flags |= kFileEncrypted;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) flags |= kFileReparsePoint;
  if (attributes & FILE_ATTRIBUTE_SPARSE_FILE) flags |= kFileSparse;
  if (attributes & FILE_ATTRIBUTE_ARCHIVE) flags |= kFileArchive;
  if (attributes & FILE_ATTRIBUTE_SYSTEM) flags |= kFileSystem;
  if (attributes & FILE_ATTRIBUTE_HIDDEN) flags |= kFileHidden;
  if (attributes & FILE_ATTRIBUTE_READONLY) flags |= kFileReadOnly;
  return flags;
}

// The attribute query answers from the path alone (under Wine without a
// request to its server); only a reparse point needs the find-first, for
// its tag.
int file_status(const wchar_t* path, FileStatus* status) {
  *status = FileStatus{};
  WIN32_FILE_ATTRIBUTE_DATA data;
  WIN32_FIND_DATAW entry;
  if (GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
    fill(data, status);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && find_entry(path, &entry)) {
      status->reparse_tag = reparse_tag(entry);
    }
    return 0;
  }
  if (names_nothing(GetLastError())) return -1;
  // Found but not readable this way (a system file in use, say).
  if (find_entry(path, &entry)) {
    fill(entry, status);
    status->reparse_tag = reparse_tag(entry);
    return 0;
  }
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
  status->flags = flags_of_attributes(attributes);
  return 0;
}

}  // namespace mox::shell
