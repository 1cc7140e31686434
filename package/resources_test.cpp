// The resources of every program the zip ships, read from the unpacked zip
// (MOX_UNPACKED, set by zip_test.sh): the manifest's entries and the version
// information against VERSION (MOX_VERSION).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/testkit.h"

namespace mox {
namespace {

struct Program {
  const wchar_t* name;
  bool window;  // a window program: visual styles and display scale
};

const Program kPrograms[] = {
    {L"moxwin", true},     {L"view", true},   {L"dirscan", false},  {L"dupcheck", false},
    {L"widen", false},     {L"sizegroup", false}, {L"sizesum", false}, {L"keygroup", false},
    {L"unkey", false},     {L"tabfeed", false},   {L"markcheck", false}, {L"purge", false},
};

std::wstring environment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value ? value : L"";
}

std::string manifest_of(const std::wstring& path) {
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return {};
  std::string text;
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
    if (bytes) text.assign(bytes, SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

struct VersionInfo {
  bool read = false;
  DWORD file_ms = 0, file_ls = 0, product_ms = 0, product_ls = 0;
  std::wstring file_version, product_version, description, original_name, product_name;
};

VersionInfo version_of(const std::wstring& path) {
  VersionInfo info;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return info;
  std::string block(size, '\0');
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return info;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return info;
  info.read = true;
  info.file_ms = fixed->dwFileVersionMS;
  info.file_ls = fixed->dwFileVersionLS;
  info.product_ms = fixed->dwProductVersionMS;
  info.product_ls = fixed->dwProductVersionLS;
  auto string = [&](const wchar_t* key) {
    wchar_t* value = nullptr;
    UINT chars = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\041104B0\\") + key;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars) || !value) return std::wstring();
    return std::wstring(value);
  };
  info.file_version = string(L"FileVersion");
  info.product_version = string(L"ProductVersion");
  info.description = string(L"FileDescription");
  info.original_name = string(L"OriginalFilename");
  info.product_name = string(L"ProductName");
  return info;
}

bool holds(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// A copy of the shipped program under a name of its own: Wine reads the
// resources of its built-in program of the same name (it has a view.exe).
std::wstring readable_copy(const Program& program, const test::TempDir& scratch) {
  std::wstring copy = scratch / (std::wstring(L"shipped-") + program.name + L".exe");
  CopyFileW((environment(L"MOX_UNPACKED") + L"\\" + program.name + L".exe").c_str(), copy.c_str(), FALSE);
  return copy;
}

TEST(ShippedPrograms, CarryTheirManifest) {
  ASSERT_FALSE(environment(L"MOX_UNPACKED").empty()) << "run through zip_test.sh";
  test::TempDir scratch(L"manifests");
  const char* kEveryProgram[] = {
      "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
      "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>",
      "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
      "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
      "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
      "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
  };
  const char* kWindowPrograms[] = {
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
      "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2</dpiAwareness>",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
  };
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(test::to_utf8(program.name));
    std::string manifest = manifest_of(readable_copy(program, scratch));
    ASSERT_FALSE(manifest.empty());
    for (const char* part : kEveryProgram) EXPECT_TRUE(holds(manifest, part)) << part;
    for (const char* part : kWindowPrograms) EXPECT_EQ(holds(manifest, part), program.window) << part;
  }
}

TEST(ShippedPrograms, CarryTheVersionOfTheTree) {
  std::wstring version = environment(L"MOX_VERSION");
  ASSERT_FALSE(environment(L"MOX_UNPACKED").empty()) << "run through zip_test.sh";
  test::TempDir scratch(L"versions");
  int major = 0, minor = 0, patch = 0;
  ASSERT_EQ(swscanf(version.c_str(), L"%d.%d.%d", &major, &minor, &patch), 3) << test::to_utf8(version);
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(test::to_utf8(program.name));
    VersionInfo info = version_of(readable_copy(program, scratch));
    ASSERT_TRUE(info.read);
    EXPECT_EQ(info.file_ms, MAKELONG(minor, major));
    EXPECT_EQ(info.file_ls, MAKELONG(0, patch));
    EXPECT_EQ(info.product_ms, info.file_ms);
    EXPECT_EQ(info.product_ls, info.file_ls);
    EXPECT_EQ(info.file_version, version);
    EXPECT_EQ(info.product_version, version);
    EXPECT_EQ(info.original_name, std::wstring(program.name) + L".exe");
    EXPECT_EQ(info.product_name, L"mox");
    EXPECT_EQ(info.description.rfind(L"mox ", 0), 0u) << test::to_utf8(info.description);
    EXPECT_GT(info.description.size(), 4u);
  }
}

}  // namespace
}  // namespace mox
