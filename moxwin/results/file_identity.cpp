#include "moxwin/results/file_identity.h"

#include <windows.h>
#include <winternl.h>

#include <cwchar>

namespace mox::results {
namespace {

// Queries of ntdll, found at run time; their classes and records are those
// of the NT interface, declared here as the Win32 headers do not carry them.
using QueryFile = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
using QueryObject = LONG(NTAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

constexpr ULONG kFileBasicInformation = 4;
constexpr ULONG kFileStandardInformation = 5;
constexpr ULONG kFileInternalInformation = 6;
constexpr ULONG kFileFsVolumeInformation = 1;
constexpr ULONG kFileFsSizeInformation = 3;
constexpr ULONG kObjectNameInformation = 1;
constexpr LONG kBufferOverflow = static_cast<LONG>(0x80000005);  // the fixed part is filled

struct BasicInformation {
  LARGE_INTEGER creation_time;
  LARGE_INTEGER last_access_time;
  LARGE_INTEGER last_write_time;
  LARGE_INTEGER change_time;
  ULONG attributes;
};

struct StandardInformation {
  LARGE_INTEGER allocation_size;
  LARGE_INTEGER end_of_file;
  ULONG number_of_links;
  BOOLEAN delete_pending;
  BOOLEAN directory;
};

struct InternalInformation {
  LARGE_INTEGER index_number;
};

struct FsVolumeInformation {
  LARGE_INTEGER creation_time;
  ULONG serial;
  ULONG label_length;
  BOOLEAN supports_objects;
  WCHAR label[34];
};

struct FsSizeInformation {
  LARGE_INTEGER total_units;
  LARGE_INTEGER available_units;
  ULONG sectors_per_unit;
  ULONG bytes_per_sector;
};

struct NtQueries {
  QueryFile file = nullptr;
  QueryFile volume = nullptr;
  QueryObject object = nullptr;
};

template <typename Function>
Function find_export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Filled only under Wine, the one system where the cheap way pays off.
const NtQueries& wine_queries() {
  static const NtQueries queries = [] {
    NtQueries found;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return found;
    found.file = find_export<QueryFile>(ntdll, "NtQueryInformationFile");
    found.volume = find_export<QueryFile>(ntdll, "NtQueryVolumeInformationFile");
    found.object = find_export<QueryObject>(ntdll, "NtQueryObject");
    return found;
  }();
  return queries;
}

bool query_file(HANDLE file, ULONG kind, void* record, ULONG size) {
  IO_STATUS_BLOCK io;
  return wine_queries().file(file, &io, record, size, kind) == 0;
}

bool query_volume(HANDLE file, ULONG kind, void* record, ULONG size) {
  IO_STATUS_BLOCK io;
  LONG result = wine_queries().volume(file, &io, record, size, kind);
  return result == 0 || (kind == kFileFsVolumeInformation && result == kBufferOverflow);
}

// The serial as the information by handle gets it: 0 when the volume
// cannot say.
uint32_t asked_volume_serial(HANDLE file) {
  FsVolumeInformation volume;
  return query_volume(file, kFileFsVolumeInformation, &volume, sizeof volume) ? volume.serial : 0;
}

// The drive of a resolved object name "\??\X:\...", or 0.
wchar_t drive_of_name(const UNICODE_STRING& name) {
  const wchar_t* text = name.Buffer;
  size_t length = name.Length / sizeof(wchar_t);
  if (length < 6 || wcsncmp(text, L"\\??\\", 4) != 0 || text[5] != L':') return 0;
  if (length > 6 && text[6] != L'\\') return 0;
  wchar_t drive = static_cast<wchar_t>(text[4] & ~0x20);  // upper case
  return drive >= L'A' && drive <= L'Z' ? drive : 0;
}

// A path that names a device (a plain "aux.c" or "COM1") opens it: such a
// handle is closed at once and the path counts as a device, never a file.
HANDLE open_without_access(const wchar_t* path, FileIdentity* identity) {
  HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE && GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    identity->device = true;
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

}  // namespace

bool identity_by_handle_information(const wchar_t* path, FileIdentity* identity) {
  *identity = FileIdentity{};
  HANDLE file = open_without_access(path, identity);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO basic;
  bool known = GetFileInformationByHandle(file, &info);
  if (known) {
    identity->volume_serial = info.dwVolumeSerialNumber;
    identity->index_high = info.nFileIndexHigh;
    identity->index_low = info.nFileIndexLow;
    identity->links = info.nNumberOfLinks;
    if (GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic))
      identity->change_time = basic.ChangeTime.QuadPart;
  }
  CloseHandle(file);
  return known;
}

// Windows answers the information by handle in its kernel: nothing is
// cheaper there. Wine asks its mount manager, in another process, for the
// volume serial on every call (the file id query too), about ten opens'
// worth; so under Wine the index and links come from two file queries and
// the serial from the mount manager once per volume.
SystemFileFacts::SystemFileFacts() {
  const NtQueries& queries = wine_queries();
  cheap_path_ = queries.file && queries.volume && queries.object;
  if (cheap_path_) name_buffer_.resize(sizeof(UNICODE_STRING) + 65536);
}

int SystemFileFacts::status(const wchar_t* path, shell::FileStatus* status) {
  return shell::file_status(path, status);
}

bool SystemFileFacts::identity(const wchar_t* path, FileIdentity* identity) {
  if (!cheap_path_) return identity_by_handle_information(path, identity);
  *identity = FileIdentity{};
  HANDLE file = open_without_access(path, identity);
  if (file == INVALID_HANDLE_VALUE) return false;
  InternalInformation internal;
  StandardInformation standard;
  BasicInformation basic;
  bool known = query_file(file, kFileInternalInformation, &internal, sizeof internal) &&
               query_file(file, kFileStandardInformation, &standard, sizeof standard);
  if (known) {
    identity->volume_serial = volume_serial(file);
    identity->index_high = static_cast<uint32_t>(internal.index_number.HighPart);
    identity->index_low = internal.index_number.LowPart;
    identity->links = standard.number_of_links;
    if (query_file(file, kFileBasicInformation, &basic, sizeof basic)) identity->change_time = basic.change_time.QuadPart;
  }
  CloseHandle(file);
  return known;
}

uint32_t SystemFileFacts::volume_serial(void* file) {
  VolumeKey key;
  if (!volume_key(file, &key)) return asked_volume_serial(file);
  for (const KnownVolume& volume : volumes_) {
    if (volume.key == key) return volume.serial;
  }
  uint32_t serial = asked_volume_serial(file);
  volumes_.push_back({key, serial});
  return serial;
}

// Wine names an open file by its resolved location, symbolic links
// followed, with the drive its mount manager also picks, unless a file
// system boundary lies between the file and that drive's root: the size of
// the file system tells those apart.
bool SystemFileFacts::volume_key(void* file, VolumeKey* key) {
  auto* name = reinterpret_cast<UNICODE_STRING*>(name_buffer_.data());
  ULONG got = 0;
  if (wine_queries().object(file, kObjectNameInformation, name, static_cast<ULONG>(name_buffer_.size()), &got) != 0) {
    return false;
  }
  key->drive = drive_of_name(*name);
  FsSizeInformation size;
  if (!key->drive || !query_volume(file, kFileFsSizeInformation, &size, sizeof size)) return false;
  key->total_units = size.total_units.QuadPart;
  key->sectors_per_unit = size.sectors_per_unit;
  key->bytes_per_sector = size.bytes_per_sector;
  return true;
}

}  // namespace mox::results
