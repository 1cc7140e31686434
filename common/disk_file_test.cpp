#include "common/disk_file.h"

#include <gtest/gtest.h>

#include <string>

#include "common/paths.h"
#include "common/testkit.h"

namespace mox {
namespace {

std::string read_all(HANDLE h) {
  char buffer[64];
  DWORD got = 0;
  ReadFile(h, buffer, sizeof buffer, &got, nullptr);
  return std::string(buffer, got);
}

TEST(DiskFile, OpensOnlyTheDiskFileItsPathNames) {
  test::TempDir dir(L"disk");
  std::wstring root = canonical_path(dir.path);
  std::wstring ext = extended_path(root);
  ASSERT_TRUE(test::write_file(ext + L"\\a", "plain"));
  ASSERT_TRUE(test::write_file(ext + L"\\a.", "dotted"));
  ASSERT_TRUE(test::write_file(ext + L"\\aux.c", "source"));
  ASSERT_TRUE(test::write_file(ext + L"\\COM1", "port"));
  struct Case {
    std::wstring path;
    const char* bytes;  // null: refused
    DWORD error;
  };
  const Case cases[] = {
      {root + L"\\a", "plain", 0},
      {ext + L"\\a.", "dotted", 0},
      {ext + L"\\aux.c", "source", 0},
      {ext + L"\\COM1", "port", 0},
      // The plain forms would open "a" and the serial line: never opened.
      {root + L"\\a.", nullptr, ERROR_INVALID_NAME},
      {root + L"\\aux.c", nullptr, ERROR_INVALID_NAME},
      {root + L"\\COM1", nullptr, ERROR_INVALID_NAME},
      {L"\\\\.\\NUL", nullptr, ERROR_INVALID_NAME},
      // The system opens these, but they are no disk files: closed unread.
      {L"\\\\?\\NUL", nullptr, ERROR_OPEN_FAILED},
      {L"\\\\.\\pipe\\mox-disk-file-test", nullptr, ERROR_OPEN_FAILED},
      {root + L"\\gone", nullptr, ERROR_FILE_NOT_FOUND},
  };
  HANDLE pipe = CreateNamedPipeW(L"\\\\.\\pipe\\mox-disk-file-test", PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0,
                                 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  for (const Case& c : cases) {
    DWORD error = 0;
    HANDLE h = open_disk_file(c.path.c_str(), 0, &error);
    if (c.bytes) {
      ASSERT_NE(h, INVALID_HANDLE_VALUE) << test::to_utf8(c.path) << " error " << error;
      EXPECT_EQ(read_all(h), c.bytes) << test::to_utf8(c.path);
      CloseHandle(h);
    } else {
      EXPECT_EQ(h, INVALID_HANDLE_VALUE) << test::to_utf8(c.path);
      EXPECT_EQ(error, c.error) << test::to_utf8(c.path);
      EXPECT_EQ(GetLastError(), c.error) << test::to_utf8(c.path);
    }
  }
  CloseHandle(pipe);
}

}  // namespace
}  // namespace mox
