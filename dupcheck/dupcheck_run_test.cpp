// The real program on real files: its sets against a plain comparison of the
// files' bytes, the exact output, counts, messages and exit status.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/testkit.h"

namespace mox {
namespace {

using test::from_utf16le;
using test::TempDir;
using test::to_utf8;
using test::utf16le;
using Sets = std::vector<std::vector<std::wstring>>;

struct ListRun {
  uint64_t size;
  std::vector<std::wstring> paths;  // input order
};

std::string pattern(size_t size, uint32_t seed) {
  std::string s(size, '\0');
  std::mt19937 rng(seed);
  for (size_t i = 0; i + 4 <= size; i += 4) {
    uint32_t v = rng();
    std::memcpy(&s[i], &v, 4);
  }
  for (size_t i = size & ~size_t{3}; i < size; ++i) s[i] = static_cast<char>(rng());
  return s;
}

std::string flipped(std::string s, size_t at) {
  s[at] = static_cast<char>(s[at] ^ 0x21);
  return s;
}

std::wstring size_line(uint64_t size, const std::wstring& path) {
  wchar_t key[32];
  std::swprintf(key, 32, L"%020llu ", static_cast<unsigned long long>(size));
  return key + path + L"\r\n";
}

std::string list_of(const std::vector<ListRun>& runs) {
  std::wstring text;
  for (const ListRun& r : runs)
    for (const auto& p : r.paths) text += size_line(r.size, p);
  return utf16le(text);
}

// The sets in the output: a file line's path starts at character 42.
Sets parse_sets(const std::string& out) {
  std::wstring text = from_utf16le(out);
  EXPECT_EQ(text.substr(0, 1), L"\xFEFF");
  Sets sets;
  std::vector<std::wstring> current;
  size_t at = 1;
  while (at < text.size()) {
    size_t end = text.find(L"\r\n", at);
    EXPECT_NE(end, std::wstring::npos) << "unterminated line";
    if (end == std::wstring::npos) break;
    std::wstring line = text.substr(at, end - at);
    at = end + 2;
    if (line.empty()) {
      EXPECT_FALSE(current.empty()) << "empty set";
      sets.push_back(current);
      current.clear();
    } else {
      current.push_back(line.size() > 41 ? line.substr(41) : L"?");
    }
  }
  EXPECT_TRUE(current.empty()) << "set without its empty line";
  return sets;
}

// Plain comparison of the files' bytes. Within a run the sets come in list
// order (the reverse of the input), each led by its first member; a file
// whose length is not the listed size equals nothing.
Sets reference_sets(const std::vector<ListRun>& runs) {
  Sets sets;
  for (const ListRun& r : runs) {
    std::vector<std::wstring> list(r.paths.rbegin(), r.paths.rend());
    if (list.size() < 2) continue;
    if (r.size == 0) {
      sets.push_back(list);
      continue;
    }
    std::vector<std::string> data;
    for (const auto& p : list) data.push_back(test::read_file(p));
    std::vector<bool> used(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
      if (used[i] || data[i].size() != r.size) continue;
      std::vector<std::wstring> set{list[i]};
      for (size_t j = i + 1; j < list.size(); ++j)
        if (!used[j] && data[j] == data[i]) {
          set.push_back(list[j]);
          used[j] = true;
        }
      if (set.size() > 1) sets.push_back(set);
    }
  }
  return sets;
}

void write_config(const TempDir& dir, const std::wstring& buffer) {
  test::write_file(dir / L"config.ini", "[Options]\r\nbuffer=" + to_utf8(buffer) + "\r\n");
}

size_t count_sets(const Sets& sets, size_t members) {
  size_t n = 0;
  for (const auto& s : sets) n += s.size() == members;
  return n;
}

// Every size around the block boundaries, with files that differ at the
// first byte, the last byte and on both sides of each block start.
std::vector<ListRun> boundary_groups(const TempDir& dir) {
  const uint64_t sizes[] = {0,      1,      32767,  32768,  32769,  163839,
                            163840, 163841, 688127, 688128, 688129, 3 * 1048576 + 5};
  const uint64_t starts[] = {32768, 163840, 688128, 2785280};
  std::vector<ListRun> runs;
  uint32_t seed = 1;
  for (uint64_t size : sizes) {
    std::vector<uint64_t> positions;
    if (size > 0) positions = {0, size - 1};
    for (uint64_t b : starts)
      if (b < size) positions.insert(positions.end(), {b - 1, b});
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    std::string base = pattern(size, seed++);
    ListRun run{size, {}};
    auto add = [&](const std::string& data) {
      std::wstring path = dir / (L"s" + std::to_wstring(size) + L"-" + std::to_wstring(run.paths.size()));
      test::write_file(path, data);
      run.paths.push_back(path);
    };
    add(base);
    std::string last = base;
    for (uint64_t p : positions) {
      last = flipped(base, p);
      add(last);
    }
    add(base);
    add(last);  // two pairs inside one group
    runs.push_back(run);
  }
  return runs;
}

TEST(DupcheckRun, GroupsMatchPlainComparisonAtEveryBoundary) {
  TempDir dir(L"dupcheck-groups");
  std::vector<ListRun> runs = boundary_groups(dir);
  test::write_file(dir / L"list.txt", list_of(runs));
  Sets expected = reference_sets(runs);
  ASSERT_EQ(count_sets(expected, 2), 22u);  // the two pairs of every size but 0
  // Group refinement; every group pairwise (32768); pairwise past 4 files
  // with kept blocks and same-file detection.
  struct Setting {
    const wchar_t* buffer;
    const wchar_t* options;
  };
  for (Setting s : {Setting{L"", L""}, Setting{L"32768", L""}, Setting{L"262144", L"-M -S "}}) {
    TempDir cwd(L"dupcheck-cwd");
    if (*s.buffer) write_config(cwd, s.buffer);
    test::RunResult r = test::run(L"dupcheck", std::wstring(s.options) + L"\"" + (dir / L"list.txt") + L"\"", "",
                                  cwd.path);
    EXPECT_EQ(r.exit_code, 0) << to_utf8(s.buffer);
    EXPECT_EQ(parse_sets(r.out), expected) << "buffer " << to_utf8(s.buffer);
    EXPECT_EQ(r.err, "") << to_utf8(from_utf16le(r.err));
  }
}

TEST(DupcheckRun, PairsAndThreeFilesMatchPlainComparison) {
  TempDir dir(L"dupcheck-pairs");
  const uint64_t sizes[] = {1, 32767, 32768, 32769, 163839, 163840, 163841, 688127, 688128, 688129, 2 * 1048576 + 3};
  std::vector<ListRun> runs;
  uint32_t seed = 100;
  for (uint64_t size : sizes) {
    std::string base = pattern(size, seed);
    // Equal, or different at the first byte, the last byte, or a block start.
    std::string other = base;
    switch (seed++ % 4) {
      case 1: other = flipped(base, 0); break;
      case 2: other = flipped(base, size - 1); break;
      case 3: other = flipped(base, size > 163840 ? 163840 : size / 2); break;
    }
    ListRun run{size, {dir / (L"p" + std::to_wstring(size) + L"a"), dir / (L"p" + std::to_wstring(size) + L"b")}};
    test::write_file(run.paths[0], base);
    test::write_file(run.paths[1], other);
    runs.push_back(run);
  }
  // Three files of 100,000 bytes, the first and the third equal.
  std::string base = pattern(100000, 99);
  ListRun three{100000, {dir / L"t1", dir / L"t2", dir / L"t3"}};
  test::write_file(three.paths[0], base);
  test::write_file(three.paths[1], flipped(base, 99999));
  test::write_file(three.paths[2], base);
  runs.insert(runs.begin() + 4, three);  // in size order
  test::write_file(dir / L"list.txt", list_of(runs));
  test::RunResult r = test::run(L"dupcheck", L"\"" + (dir / L"list.txt") + L"\"");
  EXPECT_EQ(r.exit_code, 0);
  Sets expected = reference_sets(runs);
  EXPECT_EQ(count_sets(expected, 2), 4u);
  EXPECT_EQ(parse_sets(r.out), expected);
}

// 512 files are the most group refinement takes with the default buffer;
// 513 go pairwise. The files agree in their first block.
TEST(DupcheckRun, LargestRefinedGroupAndFirstPairwiseGroup) {
  TempDir dir(L"dupcheck-big");
  std::string head = pattern(32768, 7);
  std::vector<ListRun> runs;
  for (int n : {512, 513}) {
    ListRun run{static_cast<uint64_t>(32768 + 7000 + n), {}};
    for (int i = 0; i < n; ++i) {
      std::wstring path = dir / (std::to_wstring(n) + L"-" + std::to_wstring(i));
      test::write_file(path, head + pattern(7000 + n, static_cast<uint32_t>(i % 400)));
      run.paths.push_back(path);
    }
    runs.push_back(run);
  }
  test::write_file(dir / L"list.txt", list_of(runs));
  Sets expected = reference_sets(runs);
  ASSERT_EQ(expected.size(), 112u + 113u);
  test::RunResult r = test::run(L"dupcheck", L"\"" + (dir / L"list.txt") + L"\"");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(parse_sets(r.out), expected);
}

std::wstring local_time_text(const FILETIME& ft) {
  SYSTEMTIME utc, local;
  FileTimeToSystemTime(&ft, &utc);
  SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
  wchar_t text[32];
  std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d ", local.wYear, local.wMonth, local.wDay, local.wHour,
                local.wMinute, local.wSecond);
  return text;
}

void set_write_time(const std::wstring& path, const FILETIME& ft) {
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
}

TEST(DupcheckRun, OutputCountsAndProgressAreExact) {
  TempDir dir(L"dupcheck-exact");
  const std::wstring b = L"b\x65E5\x672C";  // a name beyond ASCII
  FILETIME ft{0x2A5F8000, 0x01D5C2B3};  // early 2020
  for (const wchar_t* name : {L"z1", L"z2"}) test::write_file(dir / name, "");
  test::write_file(dir / L"a", "hello");
  test::write_file(dir / b, "hello");
  test::write_file(dir / L"c", "world!");
  for (const wchar_t* name : {L"z1", L"z2", L"a", b.c_str(), L"c"}) set_write_time(dir / name, ft);
  std::wstring list = L"\xFEFF" + size_line(0, dir / L"z1") + size_line(0, dir / L"gone") + size_line(0, dir / L"z2") +
                      size_line(5, dir / L"a") + size_line(5, dir / b) + size_line(6, dir / L"c");
  test::write_file(dir / L"count.txt", utf16le(L"6\r\n16\r\n"));
  test::RunResult r =
      test::run(L"dupcheck", L"-vT -F \"" + (dir / L"count.txt") + L"\"", utf16le(list), dir.path);
  EXPECT_EQ(r.exit_code, 0);
  std::wstring t = local_time_text(ft);
  std::wstring expected = L"\xFEFF" + t + L"00000000000000000000 " + (dir / L"z2") + L"\r\n" +
                          L"0000-00-00 00:00:00 00000000000000000000 " + (dir / L"gone") + L"\r\n" + t +
                          L"00000000000000000000 " + (dir / L"z1") + L"\r\n\r\n" + t + L"00000000000000000005 " +
                          (dir / b) + L"\r\n" + t + L"00000000000000000005 " + (dir / L"a") + L"\r\n\r\n";
  EXPECT_EQ(from_utf16le(r.out), expected);
  EXPECT_EQ(from_utf16le(r.err), L"\r4 \r6 \r\n5, 2\r\n");
  EXPECT_EQ(test::read_file(dir / L"count.txt"), utf16le(L"5\r\n2\r\n"));  // no byte-order mark
}

TEST(DupcheckRun, HardLinksWithAndWithoutSameFileDetection) {
  TempDir dir(L"dupcheck-links");
  std::string data = pattern(200000, 9);
  test::write_file(dir / L"orig", data);
  ASSERT_TRUE(CreateHardLinkW((dir / L"link").c_str(), (dir / L"orig").c_str(), nullptr));
  test::write_file(dir / L"copy", data);
  test::write_file(dir / L"other", flipped(data, 199999));
  std::string pair_list = utf16le(size_line(200000, dir / L"orig") + size_line(200000, dir / L"link"));
  std::string group_list = utf16le(size_line(200000, dir / L"orig") + size_line(200000, dir / L"other") +
                                   size_line(200000, dir / L"link") + size_line(200000, dir / L"copy"));
  for (const wchar_t* options : {L"", L"-S"}) {
    test::RunResult pair = test::run(L"dupcheck", options, pair_list);
    EXPECT_EQ(parse_sets(pair.out), (Sets{{dir / L"link", dir / L"orig"}})) << to_utf8(options);
    test::RunResult group = test::run(L"dupcheck", options, group_list);
    EXPECT_EQ(parse_sets(group.out), (Sets{{dir / L"copy", dir / L"link", dir / L"orig"}})) << to_utf8(options);
  }
}

TEST(DupcheckRun, ShrunkAndUnopenableFilesAreLeftOutWithMessages) {
  TempDir dir(L"dupcheck-problems");
  std::string data = pattern(100000, 11);
  test::write_file(dir / L"a", data);
  test::write_file(dir / L"b", data);
  test::write_file(dir / L"shrunk", data.substr(0, 90000));  // listed with 100000 bytes
  std::wstring list = size_line(100000, dir / L"a") + size_line(100000, dir / L"shrunk") +
                      size_line(100001, dir / L"x") + size_line(100001, dir / L"missing") +
                      size_line(100002, dir / L"a") + size_line(100002, dir / L"gone") +
                      size_line(100002, dir / L"b") + size_line(100002, dir / L"shrunk");
  test::RunResult r = test::run(L"dupcheck", L"-L log.txt", utf16le(list), dir.path);
  EXPECT_EQ(r.exit_code, 0);
  // Listed as 100002 bytes, a and b fall short too, and nothing is a set.
  EXPECT_EQ(parse_sets(r.out), Sets{});
  std::wstring err = from_utf16le(r.err);
  EXPECT_NE(err.find(L"read length error: " + (dir / L"a") + L"=67232 " + (dir / L"shrunk") + L"=57232\r\n"),
            std::wstring::npos)
      << to_utf8(err);
  EXPECT_NE(err.find(L" can't open (2)\r\n"), std::wstring::npos) << to_utf8(err);
  EXPECT_NE(err.find(L"(2) pos=-1 handle=-1 name2="), std::wstring::npos) << to_utf8(err);
  std::wstring log = from_utf16le(test::read_file(dir / L"log.txt"));
  EXPECT_NE(log.find(L"read length error: "), std::wstring::npos);
  EXPECT_NE(log.find(L"dupcheck.exe: " + (dir / L"gone") + L" can't open (2)\r\n"), std::wstring::npos)
      << to_utf8(log);

  // The same files listed with their true sizes.
  list = size_line(100000, dir / L"a") + size_line(100000, dir / L"gone") + size_line(100000, dir / L"b") +
         size_line(100000, dir / L"missing");
  r = test::run(L"dupcheck", L"", utf16le(list));
  EXPECT_EQ(parse_sets(r.out), (Sets{{dir / L"b", dir / L"a"}}));
}

// A plain path that the system would alter is never opened: "n." would read
// "n", "COM1" the serial line for ever. The \\?\ form is read as the file it
// names; a device reached through it is closed unread.
TEST(DupcheckRun, OnlyTheDiskFileAPathNamesIsRead) {
  test::start_watchdog(540000);
  TempDir dir(L"dupcheck-odd");
  std::wstring root = canonical_path(dir.path), ext = extended_path(root);
  const std::pair<std::wstring, std::string> files[] = {
      {root + L"\\n", "dotted n"},   {ext + L"\\n.", "dotted n"},   {ext + L"\\n ", "spaced n"},
      {root + L"\\copy", "dotted n"}, {ext + L"\\COM1", "dotted n"}, {ext + L"\\aux.c", "spaced n"},
  };
  std::wstring list;
  for (const auto& [path, bytes] : files) {
    ASSERT_TRUE(test::write_file(path, bytes)) << to_utf8(path);
    list += size_line(8, path);
  }
  for (const wchar_t* plain : {L"\\n.", L"\\COM1", L"\\aux.c", L"\\n "}) list += size_line(8, root + plain);
  list += size_line(8, L"\\\\?\\NUL");
  test::RunResult r = test::run(L"dupcheck", L"", utf16le(list));
  EXPECT_EQ(r.exit_code, 0);
  Sets sets = parse_sets(r.out);
  for (auto& set : sets) std::sort(set.begin(), set.end());
  std::sort(sets.begin(), sets.end());
  EXPECT_EQ(sets, (Sets{{root + L"\\copy", root + L"\\n", ext + L"\\COM1", ext + L"\\n."},
                        {ext + L"\\aux.c", ext + L"\\n "}}));
  std::wstring err = from_utf16le(r.err);
  for (const wchar_t* plain : {L"\\n.", L"\\COM1", L"\\aux.c", L"\\n "})
    EXPECT_NE(err.find(root + plain + L" can't open (123)\r\n"), std::wstring::npos) << to_utf8(err);
  EXPECT_NE(err.find(L" \\\\?\\NUL can't open (110)\r\n"), std::wstring::npos) << to_utf8(err);

  // A pair alone takes the pair's path through the files, with its own message.
  list = size_line(8, root + L"\\copy") + size_line(8, root + L"\\COM1");
  r = test::run(L"dupcheck", L"", utf16le(list));
  EXPECT_EQ(parse_sets(r.out), Sets{});
  EXPECT_NE(from_utf16le(r.err).find(root + L"\\COM1: "), std::wstring::npos) << r.err;
  EXPECT_NE(from_utf16le(r.err).find(L"(123) pos=-1"), std::wstring::npos) << r.err;
}

// Files that grew since the listing: their listed bytes are equal, what
// follows is not, so they must never be a set, with either method.
TEST(DupcheckRun, FilesThatGrewAreLeftOut) {
  TempDir dir(L"dupcheck-grown");
  std::string data = pattern(100000, 12);
  test::write_file(dir / L"a", data);
  test::write_file(dir / L"c", data);
  test::write_file(dir / L"grown1", data + "x");
  test::write_file(dir / L"grown2", data + "y");
  std::wstring pair = size_line(100000, dir / L"grown1") + size_line(100000, dir / L"grown2");
  std::wstring group = size_line(100001, dir / L"zz") + size_line(100000, dir / L"a") +
                       size_line(100000, dir / L"grown1") + size_line(100000, dir / L"grown2") +
                       size_line(100000, dir / L"c");
  for (const wchar_t* buffer : {L"", L"32768"}) {  // refinement, then pairwise
    write_config(dir, buffer);
    test::RunResult r = test::run(L"dupcheck", L"", utf16le(pair), dir.path);
    EXPECT_EQ(parse_sets(r.out), Sets{}) << to_utf8(buffer);
    EXPECT_NE(from_utf16le(r.err).find(L"changed since the listing (100001 bytes, listed 100000)"), std::wstring::npos);
    r = test::run(L"dupcheck", L"", utf16le(group), dir.path);
    EXPECT_EQ(parse_sets(r.out), (Sets{{dir / L"c", dir / L"a"}})) << to_utf8(buffer);
  }
}

// A JPEG file: start of image, an optional application segment, then the payload.
std::string jpeg_file(const std::string& payload, size_t app_length) {
  std::string head = "\xFF\xD8";
  if (app_length) {
    head += "\xFF\xE1";
    head += static_cast<char>(app_length >> 8);
    head += static_cast<char>(app_length & 0xFF);
    head += pattern(app_length - 2, static_cast<uint32_t>(app_length));
  }
  return head + payload;
}

TEST(DupcheckRun, JpegModeComparesThePayloadOnly) {
  TempDir dir(L"dupcheck-jpeg");
  std::string payload = "\xFF\xDB" + pattern(70000, 12);
  test::write_file(dir / L"j1", jpeg_file(payload, 5000));
  test::write_file(dir / L"j2", jpeg_file(payload, 0));
  test::write_file(dir / L"j3", jpeg_file(flipped(payload, payload.size() - 1), 300));
  uint64_t size = payload.size();
  std::string list = utf16le(size_line(size, dir / L"j1") + size_line(size, dir / L"j2") + size_line(size, dir / L"j3"));
  test::RunResult r = test::run(L"dupcheck", L"-A JPEG", list);
  EXPECT_EQ(parse_sets(r.out), (Sets{{dir / L"j2", dir / L"j1"}}));
  // The lines carry the files' own sizes.
  std::wstring out = from_utf16le(r.out);
  EXPECT_NE(out.find(L" 00000000000000075006 " + (dir / L"j1")), std::wstring::npos) << to_utf8(out);
  EXPECT_EQ(parse_sets(test::run(L"dupcheck", L"-A other", list).out), Sets{});  // whole files differ
}

TEST(DupcheckRun, CommandLineAndInputProblems) {
  TempDir dir(L"dupcheck-cli");
  test::RunResult r = test::run(L"dupcheck", L"/?");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(from_utf16le(r.err).find(L"dupcheck.exe [-btv] [-f outfile] [-L logfile]\r\n"), std::wstring::npos);
  r = test::run(L"dupcheck", L"-q");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(from_utf16le(r.err).find(L"dupcheck.exe: bad option Q\r\n"), std::wstring::npos);
  r = test::run(L"dupcheck", L"\"" + (dir / L"no list") + L"\"");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(from_utf16le(r.err).find(L"can't reopen " + (dir / L"no list") + L"\r\n"), std::wstring::npos);

  // A short line in a run is reported and skipped; the count file cannot be
  // read at start (total unknown) nor written at the end: exit status 1.
  test::write_file(dir / L"a", "same");
  test::write_file(dir / L"b", "same");
  std::wstring list = size_line(4, dir / L"a") + L"00000000000000000004\r\n" + size_line(4, dir / L"b");
  std::wstring count = dir / L"no folder\\count.txt";
  r = test::run(L"dupcheck", L"-F \"" + count + L"\"", utf16le(list));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(parse_sets(r.out), (Sets{{dir / L"b", dir / L"a"}}));
  std::wstring err = from_utf16le(r.err);
  EXPECT_NE(err.find(L"dupcheck.exe: line 2 is not a size-path line, skipped\r\n"), std::wstring::npos)
      << to_utf8(err);
  EXPECT_NE(err.find(L"dupcheck.exe: can't write count file " + count + L"\r\n"), std::wstring::npos)
      << to_utf8(err);
  // A list that does not reach its file is no success either.
  r = test::run(L"dupcheck", L"", utf16le(list), L"", false);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(from_utf16le(r.err).find(L"dupcheck.exe: can't write output\r\n"), std::wstring::npos);
}

}  // namespace
}  // namespace mox
