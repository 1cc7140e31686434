// The saved files byte for byte, and the ".dat" list read back by tabfeed in
// the code page it was written in (437 or 932, by the test's locale).
#include "moxwin/results/export_format.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/testkit.h"
#include "moxwin/results/sorting.h"

namespace mox::results {
namespace {

using test::utf16le;

// A UTC calendar time as a file time.
int64_t file_time_of(SYSTEMTIME utc) {
  FILETIME file;
  SystemTimeToFileTime(&utc, &file);
  return static_cast<int64_t>((static_cast<uint64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime);
}

// 2024-02-29 23:00:01 UTC, in the tests' zone (UTC+9) the next morning: as
// the .dat list writes it, and as the locale's date and time in the .csv.
const int64_t kTime = file_time_of({2024, 2, 4, 29, 23, 0, 1, 0});
constexpr char kDatTime[] = "2024/03/01 08:00:01";
const std::wstring kCsvTime = test::japanese_locale() ? L"2024/3/1 8:00:01" : L"3/1/2024 8:00:01 AM";

// Every file is found, archived, 13 bytes at kTime unless a size is given;
// identities where one is given.
struct Facts : FileFacts {
  std::map<std::wstring, int64_t> sizes;
  std::map<std::wstring, FileIdentity> identities;

  int status(const wchar_t* path, shell::FileStatus* status) override {
    *status = shell::FileStatus{};
    auto size = sizes.find(path);
    status->size = size == sizes.end() ? 13 : size->second;
    status->write_time = kTime;
    status->flags = shell::kFileArchive;
    return 0;
  }
  bool identity(const wchar_t* path, FileIdentity* identity) override {
    auto it = identities.find(path);
    if (it == identities.end()) return false;
    *identity = it->second;
    return true;
  }
};

// A duplicate list of the paths; "|" ends a group.
std::wstring dlist_of(const std::vector<std::wstring>& paths) {
  std::wstring text;
  for (const std::wstring& path : paths)
    text += path == L"|" ? L"\r\n" : L"1999-01-02 03:04:05 00000000000000000001 " + path + L"\r\n";
  return text + L"\r\n";
}

void load_list(Model& model, const std::wstring& file, FileFacts& facts) {
  ASSERT_EQ(load_file(model, file.c_str(), 100, facts).status, 0);
}

void load_paths(Model& model, const std::vector<std::wstring>& paths, FileFacts& facts) {
  test::TempDir dir(L"export");
  test::write_file(dir / L"DLIST.TXT", utf16le(dlist_of(paths)));
  load_list(model, dir / L"DLIST.TXT", facts);
}

std::vector<std::pair<std::wstring, int>> paths_and_groups(const Model& model) {
  std::vector<std::pair<std::wstring, int>> result;
  for (const Row& row : model.rows) result.emplace_back(row.path, row.group);
  return result;
}

TEST(Export, CsvInTheListsOrderDatInStorageOrder) {
  Facts facts;
  const std::vector<std::wstring> paths = {L"C:\\dup\\b.txt", L"C:\\dup\\README", L"|", L"C:\\dup\\sub\\a.txt",
                                           L"D:\\x\\c.txt",   L"|",              L"D:\\x\\e.bin",
                                           L"D:\\x\\d.bin"};
  uint32_t low = 0xF0;
  for (const std::wstring& path : paths)
    if (path != L"|") facts.identities[path] = {0xABCD, 1, low++, 1};
  facts.identities[L"C:\\dup\\README"] = {0xABCD, 1, 0xFF, 3};
  facts.sizes[L"D:\\x\\e.bin"] = facts.sizes[L"D:\\x\\d.bin"] = 5000000000LL;
  Model model;
  load_paths(model, paths, facts);
  ASSERT_EQ(model.count(), 6);

  // Sorted by Name, some rows checked or selected.
  SortKey by_name = {7, kAscending};
  multi_key_sort(model, &by_name, 1, model.order.data(), model.order.data() + model.count());
  ListItems items;
  for (int row : model.order) items.push_back({row, row == 0 || row == 4, row == 1 || row == 4});
  take_check_snapshot(model, items);

  auto line = [&](const wchar_t* head, const std::wstring& tail) { return head + kCsvTime + tail; };
  std::wstring csv =
      L"\uFEFF" +
      line(L"0,\"C:\\dup\\sub\\a.txt\",3,2,13,", L",\"C:\\dup\\sub\",\"a.txt\",txt,A,1,1,\"0000abcd\",\"00000001:000000f2\",0\r\n") +
      line(L"1,\"C:\\dup\\b.txt\",1,1,13,", L",\"C:\\dup\",\"b.txt\",txt,A,1,1,\"0000abcd\",\"00000001:000000f0\",0\r\n") +
      line(L"0,\"D:\\x\\c.txt\",4,2,13,", L",\"D:\\x\",\"c.txt\",txt,A,1,1,\"0000abcd\",\"00000001:000000f3\",0\r\n") +
      line(L"0,\"D:\\x\\d.bin\",6,3,5000000000,", L",\"D:\\x\",\"d.bin\",bin,A,1,1,\"0000abcd\",\"00000001:000000f5\",0\r\n") +
      line(L"1,\"D:\\x\\e.bin\",5,3,5000000000,", L",\"D:\\x\",\"e.bin\",bin,A,1,1,\"0000abcd\",\"00000001:000000f4\",1\r\n") +
      // No extension: an empty field 9.
      line(L"0,\"C:\\dup\\README\",2,1,13,", L",\"C:\\dup\",\"README\",,A,1,3,\"0000abcd\",\"00000001:000000ff\",1\r\n");
  EXPECT_EQ(test::from_utf16le(csv_bytes(model, items)), csv);

  // Three groups of two: eight lines, every row, in storage order.
  const std::string t = std::string("\t") + kDatTime + "\t";
  EXPECT_EQ(dat_bytes(model), "C:\\dup\\b.txt" + t + "13\r\nC:\\dup\\README" + t + "13\r\n\r\n" +
                                  "C:\\dup\\sub\\a.txt" + t + "13\r\nD:\\x\\c.txt" + t + "13\r\n\r\n" +
                                  "D:\\x\\e.bin" + t + "5000000000\r\nD:\\x\\d.bin" + t + "5000000000\r\n");
}

TEST(Export, DatRowWithoutATime) {
  // A file gone since the search: no time to convert, none shown.
  Row row;
  row.path = L"C:\\gone";
  EXPECT_EQ(dat_line(row), L"C:\\gone\t\t-1\r\n");
}

TEST(Export, DatLinesBeyondTheBufferAreWrittenWhole) {
  // Lines of 2,102 bytes (the buffer) and 2,103, between short ones: each
  // written whole, nothing cut and nothing left over from another line.
  const std::string tail = std::string("\t") + kDatTime + "\t13\r\n";
  std::vector<std::wstring> paths = {L"C:\\a", L"C:\\" + std::wstring(kDatLineCap - tail.size() - 3, L'x'),
                                     L"C:\\" + std::wstring(kDatLineCap - tail.size() - 2, L'y'), L"C:\\b"};
  Model model;
  for (const std::wstring& path : paths) {
    Row row;
    row.path = path.c_str();
    row.group = 1;
    row.size = 13;
    row.time = kTime;
    model.rows.push_back(std::move(row));
  }
  std::string expected;
  for (const std::wstring& path : paths) expected += test::to_utf8(path) + tail;
  ASSERT_EQ(oem_bytes(dat_line(model.rows[1])).size(), static_cast<size_t>(kDatLineCap));
  EXPECT_EQ(dat_bytes(model), expected);
}

TEST(Export, TabfeedReadsTheDatBackAndRefusesWhatTheCodePageLacks) {
  // e-acute is in code page 437 and not in 932 (best fit would write "e" and
  // name another file); a kanji the other way round.
  const bool japanese = test::japanese_locale();
  const std::wstring carried = japanese ? L"C:\\dup\\\u91cd.txt" : L"C:\\dup\\caf\u00e9.txt";
  const std::wstring lacking = japanese ? L"C:\\dup\\caf\u00e9.txt" : L"C:\\dup\\\u91cd.txt";
  Facts facts;
  Model model;
  load_paths(model, {L"C:\\dup\\a.txt", carried, L"|", lacking, L"D:\\big\\x.bin", L"D:\\big\\y.bin"}, facts);
  ASSERT_EQ(model.count(), 5);
  std::string dat = dat_bytes(model);
  // The code page's default character, which no file name holds.
  const std::string lacking_bytes = japanese ? "C:\\dup\\caf?.txt\t" : "C:\\dup\\?.txt\t";
  EXPECT_NE(dat.find("\r\n\r\n" + lacking_bytes), std::string::npos) << dat;
  EXPECT_EQ(dat.find("cafe"), std::string::npos) << dat;

  test::TempDir dir(L"exporttabfeed");
  test::write_file(dir / L"in.dat", dat);
  test::RunResult run = test::run(L"tabfeed", L"in.dat", "", dir.path);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.err, utf16le(test::program_dir() + L"\\tabfeed.exe" +
                             L": line 4 has a wildcard or control character in its path, skipped\r\n"));
  EXPECT_EQ(test::read_file(dir / L"list5.txt"), utf16le(L"4\r\n2\r\n"));

  Model back;
  load_list(back, dir / L"dlist.txt", facts);
  std::vector<std::pair<std::wstring, int>> expected = {
      {L"C:\\dup\\a.txt", 1}, {carried, 1}, {L"D:\\big\\x.bin", 2}, {L"D:\\big\\y.bin", 2}};
  EXPECT_EQ(paths_and_groups(back), expected);
}

}  // namespace
}  // namespace mox::results
