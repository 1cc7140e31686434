#include "moxwin/results/file_identity.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/testkit.h"
#include "moxwin/shell/file_status.h"

namespace mox::results {
namespace {

using test::TempDir;

std::string text(const FileIdentity& identity) {
  char buf[64];
  snprintf(buf, sizeof buf, "%08x:%08x:%08x links %u", identity.volume_serial, identity.index_high,
           identity.index_low, identity.links);
  return buf;
}

// The reference for a path, checked to have found the file.
FileIdentity by_handle(const std::wstring& path) {
  FileIdentity identity;
  EXPECT_TRUE(identity_by_handle_information(path.c_str(), &identity)) << test::to_utf8(path);
  return identity;
}

FileIdentity by_facts(SystemFileFacts& facts, const std::wstring& path) {
  FileIdentity identity;
  EXPECT_TRUE(facts.identity(path.c_str(), &identity)) << test::to_utf8(path);
  return identity;
}

int64_t file_time(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

bool set_times(const std::wstring& path, const FILETIME& access, const FILETIME& write) {
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = SetFileTime(file, nullptr, &access, &write);
  CloseHandle(file);
  return ok;
}

// A file of `size` bytes made by moving its end (sparse where the system can).
bool make_sized_file(const std::wstring& path, int64_t size) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD got;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &got, nullptr);
  LARGE_INTEGER end;
  end.QuadPart = size;
  bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

// Wine's own way from a Windows path to the host's: a second name of the
// same file through drive Z:. Empty when not running under Wine.
std::wstring name_through_z(const std::wstring& path) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unix_name) return L"";
  char* name = unix_name(path.c_str());
  if (!name) return L"";
  wchar_t wide[MAX_PATH * 4];
  int length = MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, MAX_PATH * 4);
  HeapFree(GetProcessHeap(), 0, name);
  if (length == 0) return L"";
  std::wstring z = std::wstring(L"Z:") + wide;
  for (wchar_t& c : z) {
    if (c == L'/') c = L'\\';
  }
  return z;
}

TEST(FileFacts, FlagsOfAttributes) {
  struct Case {
    uint32_t attributes;
    uint32_t flags;
  };
  const uint32_t plain = shell::kFileRegular | shell::kFileReadable | shell::kFileWritable;
  const Case cases[] = {
      {FILE_ATTRIBUTE_NORMAL, plain},
      {FILE_ATTRIBUTE_DIRECTORY, shell::kFileDirectory | shell::kFileReadable | shell::kFileWritable},
      {FILE_ATTRIBUTE_READONLY, shell::kFileRegular | shell::kFileReadable | shell::kFileReadOnly},
      {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN,
       plain | shell::kFileArchive | shell::kFileSystem | shell::kFileHidden},
      {FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_ENCRYPTED | FILE_ATTRIBUTE_SPARSE_FILE,
       plain | shell::kFileCompressed | shell::kFileEncrypted | shell::kFileSparse},
      {FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY,
       shell::kFileDirectory | shell::kFileReadable | shell::kFileWritable | shell::kFileReparsePoint},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(shell::flags_of_attributes(c.attributes), c.flags) << std::hex << c.attributes;
  }
}

TEST(FileFacts, StatusOfFilesAndFolders) {
  TempDir dir(L"facts");
  ASSERT_TRUE(test::write_file(dir / L"plain.txt", "hello"));
  ASSERT_TRUE(test::write_file(dir / L"locked.txt", "ro"));
  ASSERT_TRUE(SetFileAttributesW((dir / L"locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(test::make_dir(dir / L"folder"));
  const int64_t big = (int64_t{1} << 32) + 3;  // needs the high half
  ASSERT_TRUE(make_sized_file(dir / L"big.bin", big));
  const FILETIME access = {0x89abcdef, 0x01d0f00d};
  const FILETIME write = {0x12345670, 0x01d9c0de};
  ASSERT_TRUE(set_times(dir / L"plain.txt", access, write));

  struct Case {
    const wchar_t* name;
    int64_t size;
    uint32_t set;    // flags that must be set
    uint32_t clear;  // flags that must not be
  };
  const Case cases[] = {
      {L"plain.txt", 5, shell::kFileRegular | shell::kFileReadable | shell::kFileWritable,
       shell::kFileDirectory | shell::kFileReadOnly | shell::kFileReparsePoint},
      {L"locked.txt", 2, shell::kFileRegular | shell::kFileReadOnly, shell::kFileWritable},
      {L"big.bin", big, shell::kFileRegular, shell::kFileDirectory},
      {L"folder", 0, shell::kFileDirectory | shell::kFileReadable, shell::kFileRegular},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::to_utf8(c.name));
    shell::FileStatus status;
    ASSERT_EQ(shell::file_status((dir / c.name).c_str(), &status), 0);
    EXPECT_EQ(status.size, c.size);
    EXPECT_EQ(status.flags & c.set, c.set) << std::hex << status.flags;
    EXPECT_EQ(status.flags & c.clear, 0u) << std::hex << status.flags;
    EXPECT_EQ(status.reparse_tag, 0u);
    EXPECT_NE(status.write_time, shell::kUnknown);
  }
  shell::FileStatus status;
  ASSERT_EQ(shell::file_status((dir / L"plain.txt").c_str(), &status), 0);
  EXPECT_EQ(status.write_time, file_time(write));
  EXPECT_EQ(status.access_time, file_time(access));
}

// A find-first would take '?' and '*' as wildcards and describe ab.txt.
TEST(FileFacts, MissingAndWildcardPathsAreNotFound) {
  TempDir dir(L"facts");
  ASSERT_TRUE(test::write_file(dir / L"ab.txt", "12345"));
  SystemFileFacts facts;
  for (const wchar_t* name : {L"a?.txt", L"a*.txt", L"*", L"missing.txt", L"missing\\ab.txt"}) {
    SCOPED_TRACE(test::to_utf8(name));
    shell::FileStatus status;
    EXPECT_EQ(facts.status((dir / name).c_str(), &status), -1);
    FileIdentity identity{1, 2, 3, 4};
    EXPECT_FALSE(facts.identity((dir / name).c_str(), &identity));
    EXPECT_EQ(text(identity), text(FileIdentity{}));
  }
}

TEST(FileFacts, IdentityEqualsInformationByHandle) {
  TempDir dir(L"facts");
  ASSERT_TRUE(test::write_file(dir / L"a.txt", "same"));
  ASSERT_TRUE(CreateHardLinkW((dir / L"b.txt").c_str(), (dir / L"a.txt").c_str(), nullptr));
  ASSERT_TRUE(test::write_file(dir / L"copy.txt", "same"));
  ASSERT_TRUE(test::write_file(dir / L"locked.txt", "ro"));
  ASSERT_TRUE(SetFileAttributesW((dir / L"locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));

  SystemFileFacts facts;
  FileIdentity a = by_facts(facts, dir / L"a.txt");
  FileIdentity b = by_facts(facts, dir / L"b.txt");
  FileIdentity copy = by_facts(facts, dir / L"copy.txt");
  FileIdentity locked = by_facts(facts, dir / L"locked.txt");
  EXPECT_EQ(text(a), text(by_handle(dir / L"a.txt")));
  EXPECT_EQ(text(b), text(by_handle(dir / L"b.txt")));
  EXPECT_EQ(text(copy), text(by_handle(dir / L"copy.txt")));
  EXPECT_EQ(text(locked), text(by_handle(dir / L"locked.txt")));
  EXPECT_EQ(text(a), text(b));
  EXPECT_EQ(a.links, 2u);
  EXPECT_EQ(copy.links, 1u);
  EXPECT_NE(a.volume_serial, 0u);
  EXPECT_EQ(copy.volume_serial, a.volume_serial);
  EXPECT_NE(copy.index_low, a.index_low);
}

// An open without access rights cannot open a folder, either way.
TEST(FileFacts, FolderHasNoIdentity) {
  TempDir dir(L"facts");
  ASSERT_TRUE(test::make_dir(dir / L"folder"));
  SystemFileFacts facts;
  FileIdentity identity{1, 2, 3, 4};
  EXPECT_FALSE(facts.identity((dir / L"folder").c_str(), &identity));
  EXPECT_EQ(text(identity), text(FileIdentity{}));
  EXPECT_FALSE(identity_by_handle_information((dir / L"folder").c_str(), &identity));
}

// Under Wine one file system holds drive C: and drive Z: (the host's root),
// each with its own serial, and other file systems lie below Z: with yet
// other serials; a name through Z: of a file in C: gets C:'s serial. The
// order asks each volume after one that could be mistaken for it. Beyond the
// scratch folder the test only reads: the test program (on Z:, outside C:)
// and a file of the host's process file system.
TEST(FileFacts, IdentityAcrossDrivesAndFileSystems) {
  TempDir dir(L"facts");
  ASSERT_TRUE(test::write_file(dir / L"a.txt", "on c"));
  std::wstring a_through_z = name_through_z(dir / L"a.txt");
  if (a_through_z.empty()) GTEST_SKIP() << "needs Wine's drive Z:";
  wchar_t program[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
  ASSERT_TRUE(length > 0 && length < MAX_PATH * 4);
  ASSERT_EQ(std::wstring(program, 3), L"Z:\\");
  const std::wstring other_file_system = L"Z:\\proc\\version";
  ASSERT_NE(GetFileAttributesW(other_file_system.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::vector<std::wstring> paths = {dir / L"a.txt", program, other_file_system, a_through_z};

  SystemFileFacts facts;
  for (const std::wstring& path : paths) {
    EXPECT_EQ(text(by_facts(facts, path)), text(by_handle(path))) << test::to_utf8(path);
  }
  EXPECT_EQ(text(by_facts(facts, a_through_z)), text(by_facts(facts, dir / L"a.txt")));
  EXPECT_NE(text(by_facts(facts, program)).substr(0, 8), text(by_facts(facts, dir / L"a.txt")).substr(0, 8));
}

}  // namespace
}  // namespace mox::results
