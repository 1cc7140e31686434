// End-to-end runs of view.exe under Wine. The launcher reads view.prg beside
// itself, so each test copies view.exe and the recorder into a scratch folder
// with its own view.prg. Every file opened here has an association to the
// recorder or is the recorder itself: a path that shows a message box would
// block the run.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/testkit.h"

namespace mox {
namespace {

struct Launcher {
  test::TempDir dir{L"viewrun"};

  explicit Launcher(const std::string& prg) {
    CopyFileW((test::program_dir() + L"\\view.exe").c_str(), (dir / L"view.exe").c_str(), FALSE);
    CopyFileW((test::program_dir() + L"\\recorder.exe").c_str(), (dir / L"recorder.exe").c_str(), FALSE);
    if (!prg.empty()) test::write_file(dir / L"view.prg", prg);
  }

  // The launcher does not wait for what it starts: a recorder may still be
  // running, and it holds the standard streams of test::run, whose scratch
  // folder (mox-run-<process id>-<n>) could not be removed. Sweep both up once
  // the recorders have ended.
  ~Launcher() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring pattern = temp + (L"mox-run-" + std::to_wstring(GetCurrentProcessId()) + L"-*");
    for (int i = 0; i < 100; ++i) {
      WIN32_FIND_DATAW data;
      HANDLE found = FindFirstFileW(pattern.c_str(), &data);
      if (found == INVALID_HANDLE_VALUE) break;
      do test::remove_tree(temp + std::wstring(data.cFileName));
      while (FindNextFileW(found, &data));
      FindClose(found);
      Sleep(50);
    }
    for (int i = 0; i < 100 && !DeleteFileW((dir / L"recorder.exe").c_str()); ++i) Sleep(50);
  }

  test::RunResult run(const std::wstring& args) { return test::run(dir / L"view.exe", args, "", dir.path); }

  // The command lines the recorders were started with, sorted: the children
  // run side by side. Waits until `count` have arrived.
  std::vector<std::wstring> recorded(size_t count) {
    std::vector<std::wstring> lines;
    for (int i = 0; i < 400; ++i) {
      lines.clear();
      std::wstring text = test::from_utf16le(test::read_file(dir / L"recorder.log"));
      for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
      if (lines.size() >= count) break;
      Sleep(50);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
  }
};

const char kPrg[] =
    "; view.prg of the tests\r\n"
    ".txt.log recorder.exe\r\n"
    ".ed\trecorder.exe /n %1\r\n"
    ".doc\r\n";

TEST(ViewRun, NothingToOpenIs255) {
  Launcher launcher(kPrg);
  for (const wchar_t* args : {L"", L"\"\"", L"/r:missing.txt"}) {
    EXPECT_EQ(launcher.run(args).exit_code, 255) << test::to_utf8(args);
  }
}

TEST(ViewRun, AssociatedProgramsGetTheirArguments) {
  Launcher launcher(kPrg);
  EXPECT_EQ(launcher.run(L"a.txt b.LOG \"c d.ed\"").exit_code, 0);
  std::vector<std::wstring> expected = {L"recorder.exe \"a.txt\"", L"recorder.exe \"b.LOG\"",
                                        L"recorder.exe /n c d.ed"};
  EXPECT_EQ(launcher.recorded(3), expected);
}

TEST(ViewRun, ListFileWithMarkAndCrLf) {
  Launcher launcher(kPrg);
  test::write_file(launcher.dir / L"list6.txt", test::utf16le(L"\uFEFFa b.txt\r\nc.ed\r\n"));
  EXPECT_EQ(launcher.run(L"/r:list6.txt").exit_code, 0);
  std::vector<std::wstring> expected = {L"recorder.exe \"a b.txt\"", L"recorder.exe /n c.ed"};
  EXPECT_EQ(launcher.recorded(2), expected);
}

// Without view.prg every file goes to the shell, which starts a program as it is.
TEST(ViewRun, ShellOpensFilesWithoutAssociation) {
  Launcher launcher("");
  EXPECT_EQ(launcher.run(L"\"" + (launcher.dir / L"recorder.exe") + L"\"").exit_code, 0);
  std::vector<std::wstring> lines = launcher.recorded(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(L"recorder.exe"), std::wstring::npos) << test::to_utf8(lines[0]);
}

}  // namespace
}  // namespace mox
