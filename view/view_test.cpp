#include "view/view.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/paths.h"
#include "common/testkit.h"

namespace mox::view {
namespace {

Associations parse_lines(const std::vector<const wchar_t*>& lines) {
  Associations assoc;
  for (const wchar_t* line : lines) add_association_line(assoc, line);
  return assoc;
}

TEST(Associations, LinesAndLookup) {
  struct Case {
    std::vector<const wchar_t*> lines;
    const wchar_t* argument;
    const wchar_t* command;  // nullptr: no association
  };
  const Case cases[] = {
      {{L".txt.log notepad\n"}, L"a.txt", L"notepad"},
      {{L".txt.log notepad\n"}, L"b.LOG", L"notepad"},
      {{L".txt\n"}, L"a.txt", nullptr},          // no blank after it: not an extension
      {{L".txt.log\n"}, L"a.txt", nullptr},      // no command
      {{L".txt  \t\r\n"}, L"a.txt", nullptr},    // only blanks where the command goes
      {{L"txt notepad\n"}, L"a.txt", nullptr},   // does not begin with '.'
      {{L".c\t \tcc -o x %1\r\n"}, L"m.C", L"cc -o x %1"},
      {{L".txt first\n", L".txt second\n"}, L"a.txt", L"second"},  // a later line wins
      {{L"..txt. x\n"}, L"a.txt", L"x"},         // empty tokens name nothing
      {{L".h.hpp ed\n"}, L"a.hp", nullptr},      // lengths must match
      {{L".txt ed\n"}, L"C:\\dir.txt\\file", nullptr},
      {{L".txt ed\n"}, L"x.txt.bak", nullptr},
      {{L".\u00e9 ed\n"}, L"a.\u00c9", nullptr},  // only ASCII letters fold
  };
  for (const Case& c : cases) {
    Associations assoc = parse_lines(c.lines);
    const std::wstring* found = find_command(assoc, c.argument);
    SCOPED_TRACE(test::to_utf8(c.argument));
    if (c.command) {
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(*found, c.command);
    } else {
      EXPECT_EQ(found, nullptr);
    }
  }
}

TEST(Associations, FileExtension) {
  struct Case {
    const wchar_t* argument;
    const wchar_t* extension;
  };
  const Case cases[] = {
      {L"a.txt", L"txt"},
      {L"dir.d\\file", L""},
      {L"C:file.tar.gz", L"gz"},
      {L"C:.profile", L"profile"},
      {L"x.d/file", L"d/file"},  // '/' is an ordinary character
      {L"noext", L""},
      {L"a.", L""},
      {L"\\\\srv\\share.x\\f.y", L"y"},
  };
  for (const Case& c : cases) EXPECT_EQ(file_extension(c.argument), c.extension) << test::to_utf8(c.argument);
}

// view.prg is OEM text: the same bytes mean different letters per locale.
TEST(Associations, FileInOemCodePage) {
  const bool japanese = test::japanese_locale();
  std::string name = japanese ? "\x83\x65\x83\x4C\x83\x58\x83\x67" : "\x82";
  std::wstring expected = japanese ? L"\u30c6\u30ad\u30b9\u30c8" : L"\u00e9";
  test::TempDir dir(L"viewprg");
  test::write_file(dir / L"view.prg", ".txt.log ed" + name + " %1\r\n; comment\r\n.htm\t|" + name + "\r\n");
  Associations assoc = read_association_file((dir / L"view.prg").c_str());
  const std::wstring* txt = find_command(assoc, L"a.log");
  const std::wstring* htm = find_command(assoc, L"a.htm");
  ASSERT_TRUE(txt && htm);
  EXPECT_EQ(*txt, L"ed" + expected + L" %1");
  EXPECT_EQ(*htm, L"|" + expected);
  EXPECT_TRUE(read_association_file((dir / L"missing.prg").c_str()).extensions.empty());
}

TEST(Commands, BuiltTextAndAction) {
  struct Case {
    const wchar_t* line;
    const wchar_t* argument;
    ActionKind kind;
    const wchar_t* built;
  };
  const Case cases[] = {
      {L".ed editor /n %1", L"c d.ed", ActionKind::start, L"editor /n c d.ed"},  // no quotes added
      {L".ed x %1-%1", L"a.ed", ActionKind::start, L"x a.ed-%1"},                 // first %1 only
      {L".txt notepad", L"a b.txt", ActionKind::start, L"notepad \"a b.txt\""},
      {L".htm |Open it in the browser", L"x.htm", ActionKind::message, L"|Open it in the browser"},
      {L".htm |see %1", L"x.htm", ActionKind::message, L"|see x.htm"},
      {L".txt notepad", L"a.doc", ActionKind::shell, L""},
  };
  for (const Case& c : cases) {
    Associations assoc = parse_lines({c.line});
    CommandBuffer built{};
    EXPECT_EQ(choose_action(assoc, c.argument, built), c.kind) << test::to_utf8(c.line);
    if (c.kind != ActionKind::shell) {
      EXPECT_EQ(std::wstring(built.text), c.built);
    }
  }
}

TEST(Commands, LongestLineFitsLongerIsRefused) {
  struct Guarded {
    CommandBuffer buffer;
    wchar_t guard[8];
  };
  struct Case {
    const wchar_t* command;
    size_t argument_length;
    bool fits;
  };
  const Case cases[] = {
      {L"x", 4127, true},  // x, blank, two quotes: 4131 in all
      {L"x", 4128, false},
      {L"e %1", 4129, true},
      {L"e %1", 4130, false},
      {L"e %1 tail", 40000, false},
  };
  for (const Case& c : cases) {
    static Guarded g;
    std::wmemset(g.guard, L'G', 8);
    std::wstring argument(c.argument_length, L'a');
    EXPECT_EQ(build_command(c.command, argument.c_str(), g.buffer), c.fits) << c.argument_length;
    EXPECT_EQ(std::wstring(g.guard, 8), std::wstring(8, L'G'));
    EXPECT_EQ(g.buffer.length, static_cast<int>(std::wcslen(g.buffer.text)));
    EXPECT_EQ(g.buffer.length, c.fits ? kCommandCap - 1 : 0);
  }
  Associations assoc = parse_lines({L".txt notepad"});
  CommandBuffer built{};
  EXPECT_EQ(choose_action(assoc, (std::wstring(5000, L'a') + L".txt").c_str(), built), ActionKind::too_long);
}

TEST(CommandLine, Splitting) {
  struct Case {
    const wchar_t* line;
    std::vector<std::wstring> arguments;
  };
  const Case cases[] = {
      {L"view.exe a.txt b.txt", {L"a.txt", L"b.txt"}},
      {L"\"C:\\p q\\view.exe\" \"a b.txt\"", {L"a b.txt"}},
      {L"view a\"b c\"d", {L"ab cd"}},
      {L"view \"say \\\"hi\\\".txt\"", {L"say \"hi\".txt"}},
      {L"view \\\"a x\\\"y", {L"\"a", L"x\"y"}},
      {L"view a\tb", {L"a\tb"}},  // TAB is an ordinary character
      {L"view   a    b  ", {L"a", L"b"}},
      {L"view \"ab\"cd", {L"ab", L"cd"}},  // a quoted argument ends at its quote
      {L"view \"open a", {L"open a"}},
      {L"view C:\\dir\\ x", {L"C:\\dir\\", L"x"}},
      {L"view \"\" a", {L"a"}},  // an empty argument names no file
      {L"view", {}},
      {L"view ", {}},
  };
  for (const Case& c : cases) {
    Request req = split_command_line(c.line);
    EXPECT_FALSE(req.from_list);
    EXPECT_FALSE(req.too_many);
    EXPECT_EQ(req.arguments, c.arguments) << test::to_utf8(c.line);
  }
}

TEST(CommandLine, ListFileAndTooManyArguments) {
  struct Case {
    const wchar_t* line;
    const wchar_t* list_file;
  };
  const Case cases[] = {
      {L"view.exe /r:list6.txt", L"list6.txt"},
      {L"view /r:C:\\my lists\\l.txt", L"C:\\my lists\\l.txt"},  // the whole rest
      {L"\"C:\\a b\\view.exe\" /r:\"x.txt\"", L"\"x.txt\""},       // not unquoted
      {L"view /r:", L""},
  };
  for (const Case& c : cases) {
    Request req = split_command_line(c.line);
    EXPECT_TRUE(req.from_list);
    EXPECT_EQ(req.list_file, c.list_file);
    EXPECT_TRUE(req.arguments.empty());
  }
  EXPECT_FALSE(split_command_line(L"view  /r:x").from_list);  // only right after the name

  std::wstring line = L"view";
  for (int i = 0; i < kMaxArguments; ++i) line += L" a";
  Request full = split_command_line(line.c_str());
  EXPECT_FALSE(full.too_many);
  EXPECT_EQ(full.arguments.size(), static_cast<size_t>(kMaxArguments));
  EXPECT_TRUE(split_command_line((line + L" b").c_str()).too_many);
}

TEST(ListFile, LinesMarkAndLimits) {
  test::TempDir dir(L"list");
  struct Case {
    std::string bytes;
    std::vector<std::wstring> arguments;
  };
  std::wstring long_line(1040, L'x');
  const Case cases[] = {
      {test::utf16le(L"\uFEFFa.txt\r\nb c.txt\r\n\r\nlast"), {L"a.txt", L"b c.txt", L"last"}},
      {test::utf16le(L"a.txt\nb.txt\n"), {L"a.txt", L"b.txt"}},
      {test::utf16le(long_line + L"\r\n"), {long_line.substr(0, 1032), long_line.substr(1032)}},
      {"", {}},
  };
  for (const Case& c : cases) {
    test::write_file(dir / L"l.txt", c.bytes);
    EXPECT_EQ(read_list_file((dir / L"l.txt").c_str()), c.arguments);
  }
  std::wstring many;
  for (int i = 0; i <= kMaxArguments; ++i) many += L"f" + std::to_wstring(i) + L"\r\n";
  test::write_file(dir / L"l.txt", test::utf16le(many));
  std::vector<std::wstring> taken = read_list_file((dir / L"l.txt").c_str());
  ASSERT_EQ(taken.size(), static_cast<size_t>(kMaxArguments));
  EXPECT_EQ(taken.back(), L"f" + std::to_wstring(kMaxArguments - 1));
  EXPECT_TRUE(read_list_file((dir / L"missing.txt").c_str()).empty());

  // "aux.txt" read plainly is the serial line: only its \\?\ form is read.
  std::wstring aux = extended_path(canonical_path(dir.path)) + L"\\aux.txt";
  ASSERT_TRUE(test::write_file(aux, test::utf16le(L"a.txt\r\n")));
  EXPECT_EQ(read_list_file(aux.c_str()), std::vector<std::wstring>{L"a.txt"});
  EXPECT_TRUE(read_list_file((dir / L"aux.txt").c_str()).empty());
}

// The texts of string 402 in table order, as the program must load them.
const wchar_t* const kJapaneseErrors[kErrorCount] = {
    L"0 \r\nメモリまたはリソースが不足しています。",
    L"ERROR_FILE_NOT_FOUND \r\n指定されたファイルが見つかりませんでした。",
    L"ERROR_PATH_NOT_FOUND \r\n指定されたパスが見つかりませんでした。",
    L"ERROR_BAD_FORMAT \r\n.exe ファイルが無効です。Win32 の .exe ではないか、\r\n.exe イメージ内にエラーがあります。",
    L"SE_ERR_ACCESSDENIED \r\nオペレーティングシステムが、指定されたファイルへの\r\nアクセスを拒否しました。",
    L"SE_ERR_ASSOCINCOMPLETE \r\nファイル名の関連付けが不完全または無効です。",
    L"SE_ERR_DDEBUSY ほかの DDE トランザクション\r\nが現在処理中なので、DDE トランザクションを完了\r\nできませんでした。",
    L"SE_ERR_DDEFAIL DDE トランザクションが失敗しました。",
    L"SE_ERR_DDETIMEOUT \r\n要求がタイムアウトしたので、DDE トランザクションを\r\n完了できませんでした。",
    L"SE_ERR_DLLNOTFOUND \r\n指定されたダイナミックリンクライブラリ（DLL）が\r\n見つかりませんでした。",
    L"SE_ERR_FNF \r\n指定されたファイルが見つかりませんでした。",
    L"SE_ERR_NOASSOC \r\n指定されたファイル拡張子に関連付けられたアプリケーション\r\nがありません。印刷可能ではないファイルを印刷しようとした\r\n場合も、このエラーが返ります。",
    L"SE_ERR_OOM \r\n操作を完了するのに十分なメモリがありません。",
    L"SE_ERR_PNF \r\n指定されたパスが、見つかりませんでした。",
    L"SE_ERR_SHARE \r\n共有違反が発生しました。",
};

TEST(Texts, StringTableAsLoaded) {
  Texts texts = load_texts(GetModuleHandleW(nullptr));
  EXPECT_EQ(texts.caption, L"view Version 4");
  EXPECT_EQ(texts.shell_failed, L"view %s\n%s (%d)");
  EXPECT_EQ(texts.start_failed, L"%s\n%s (%d)");
  EXPECT_EQ(texts.pipe_message, L"view %s\n%s");
  EXPECT_EQ(texts.command_too_long, L"view %s\nコマンド行が長すぎます (%d)");
  for (int i = 0; i < kErrorCount; ++i) EXPECT_EQ(texts.errors[i], kJapaneseErrors[i]) << i;
}

TEST(Texts, FirstEntryWinsAndFallbacks) {
  struct Case {
    long code;
    const wchar_t* loaded;
    const wchar_t* fallback;
  };
  const Case cases[] = {
      {2, kJapaneseErrors[1], L"2L"},  // never SE_ERR_FNF
      {3, kJapaneseErrors[2], L"3L"},  // never SE_ERR_PNF
      {31, kJapaneseErrors[11], L"31"},
      {0, kJapaneseErrors[0], L"0"},
      {99, L"Unknown errror", L"Unknown errror"},
  };
  Texts loaded = load_texts(GetModuleHandleW(nullptr));
  Texts fallback;
  set_fallback_errors(fallback);
  for (const Case& c : cases) {
    EXPECT_STREQ(error_text(loaded, c.code), c.loaded) << c.code;
    EXPECT_STREQ(error_text(fallback, c.code), c.fallback) << c.code;
  }
  // A short table replaces only the entries it has.
  set_errors_from_table(fallback, L"zero|two");
  EXPECT_STREQ(error_text(fallback, 0), L"zero");
  EXPECT_STREQ(error_text(fallback, 2), L"two");
  EXPECT_STREQ(error_text(fallback, 3), L"3L");
}

TEST(Texts, FillMessage) {
  EXPECT_EQ(fill_message(L"view %s\n%s (%d)", L"a.txt", L"E", 31), L"view a.txt\nE (31)");
  EXPECT_EQ(fill_message(L"%s\n%s (%d)", L"cmd %1", L"x", -2), L"cmd %1\nx (-2)");  // texts are not formats
  EXPECT_EQ(fill_message(L"100%% %s %s %s%", L"a", nullptr, 0), L"100% a  %");
}

// ---- The run through a fake system ----

struct Fake {
  std::vector<intptr_t> shell_results;
  std::vector<unsigned long> start_results;
  std::vector<int> answers;
  std::vector<std::wstring> calls;
  size_t shells = 0, starts = 0, boxes = 0;
};
Fake* g_fake;

int fake_message(const wchar_t* text, const wchar_t* caption) {
  g_fake->calls.push_back(L"box:" + std::wstring(text) + L"|" + caption);
  return g_fake->boxes < g_fake->answers.size() ? g_fake->answers[g_fake->boxes++] : IDOK;
}

intptr_t fake_shell(const wchar_t* file, const wchar_t* directory) {
  g_fake->calls.push_back(L"shell:" + std::wstring(file) + L" in " + directory);
  return g_fake->shells < g_fake->shell_results.size() ? g_fake->shell_results[g_fake->shells++] : 42;
}

unsigned long fake_start(wchar_t* command_line) {
  g_fake->calls.push_back(L"start:" + std::wstring(command_line));
  return g_fake->starts < g_fake->start_results.size() ? g_fake->start_results[g_fake->starts++] : 0;
}

TEST(Run, ActionsMessagesAndExitStatus) {
  const std::wstring caption = L"|view Version 4";
  const std::wstring long_name = std::wstring(4200, L'n') + L".txt";
  struct Case {
    const char* what;
    std::vector<std::wstring> arguments;
    std::vector<intptr_t> shell;
    std::vector<unsigned long> start;
    std::vector<int> answers;
    int status;
    std::vector<std::wstring> calls;
  };
  const Case cases[] = {
      {"associated programs start",
       {L"a.txt", L"b.LOG", L"c d.ed"}, {}, {}, {}, 0,
       {L"start:recorder.exe \"a.txt\"", L"start:recorder.exe \"b.LOG\"", L"start:ed /n c d.ed"}},
      {"the shell opens the rest", {L"x.doc"}, {42}, {}, {}, 0, {L"shell:x.doc in C:\\work"}},
      {"a shell failure code is the exit status",
       {L"x.zzz"}, {31}, {}, {IDOK}, 31,
       {L"shell:x.zzz in C:\\work", L"box:view x.zzz\n31 (31)" + caption}},
      {"the last shell failure wins; code 2 shows the first entry",
       {L"a.zzz", L"b.zzz", L"c.doc"}, {2, 3, 42}, {}, {}, 3,
       {L"shell:a.zzz in C:\\work", L"box:view a.zzz\n2L (2)" + caption, L"shell:b.zzz in C:\\work",
        L"box:view b.zzz\n3L (3)" + caption, L"shell:c.doc in C:\\work"}},
      {"Cancel ends the run with the shell's code",
       {L"a.zzz", L"b.zzz"}, {2}, {}, {IDCANCEL}, 2,
       {L"shell:a.zzz in C:\\work", L"box:view a.zzz\n2L (2)" + caption}},
      {"shell code 0 leaves the status", {L"a.zzz"}, {0}, {}, {}, 0,
       {L"shell:a.zzz in C:\\work", L"box:view a.zzz\n0 (0)" + caption}},
      {"a '|' association shows its text, OK goes on",
       {L"x.htm", L"a.txt"}, {}, {}, {IDOK}, 0,
       {L"box:view x.htm\nOpen it in the browser" + caption, L"start:recorder.exe \"a.txt\""}},
      {"Cancel on a '|' association ends with status 1",
       {L"x.htm", L"a.txt"}, {}, {}, {IDCANCEL}, 1,
       {L"box:view x.htm\nOpen it in the browser" + caption}},
      {"a failed start is shown, OK goes on, its code is the exit status",
       {L"a.txt", L"b.txt"}, {}, {2}, {IDOK}, 2,
       {L"start:recorder.exe \"a.txt\"", L"box:recorder.exe \"a.txt\"\n2L (2)" + caption,
        L"start:recorder.exe \"b.txt\""}},
      {"Cancel on a failed start ends with its code",
       {L"a.txt", L"b.txt"}, {}, {5}, {IDCANCEL}, 5,
       {L"start:recorder.exe \"a.txt\"", L"box:recorder.exe \"a.txt\"\n5 (5)" + caption}},
      {"the last failure wins, a start's after a shell's",
       {L"a.zzz", L"a.txt"}, {31}, {193}, {IDOK, IDOK}, 193,
       {L"shell:a.zzz in C:\\work", L"box:view a.zzz\n31 (31)" + caption, L"start:recorder.exe \"a.txt\"",
        L"box:recorder.exe \"a.txt\"\nUnknown errror (193)" + caption}},
      {"an overlong command line is refused, OK goes on, its code is the exit status",
       {long_name, L"b.txt"}, {}, {}, {IDOK}, 206,
       {L"box:view " + long_name + L"\nコマンド行が長すぎます (206)" + caption, L"start:recorder.exe \"b.txt\""}},
      {"a plain path the system would alter goes to no program and is not found; its \\\\?\\ form is opened",
       {L"C:\\src\\aux.c", L"C:\\x\\a.", L"\\\\?\\C:\\src\\aux.c", L"\\\\?\\C:\\x\\a."}, {42}, {}, {IDOK, IDOK}, 2,
       {L"box:view C:\\src\\aux.c\n2L (2)" + caption, L"box:view C:\\x\\a.\n2L (2)" + caption,
        L"shell:\\\\?\\C:\\src\\aux.c in C:\\work", L"shell:\\\\?\\C:\\x\\a. in C:\\work"}},
      {"Cancel on an overlong command line",
       {long_name, L"b.txt"}, {}, {}, {IDCANCEL}, 206,
       {L"box:view " + long_name + L"\nコマンド行が長すぎます (206)" + caption}},
  };
  Associations assoc = parse_lines({L".txt.log recorder.exe\n", L".ed ed /n %1\n", L".htm |Open it in the browser\n"});
  Texts texts = load_texts(GetModuleHandleW(nullptr));
  set_fallback_errors(texts);  // short error texts keep the expectations readable
  for (const Case& c : cases) {
    Fake fake;
    fake.shell_results = c.shell;
    fake.start_results = c.start;
    fake.answers = c.answers;
    g_fake = &fake;
    g_system = {fake_message, fake_shell, fake_start};
    int status = open_files(assoc, c.arguments, texts, L"C:\\work");
    g_system = kRealSystem;
    EXPECT_EQ(status, c.status) << c.what;
    EXPECT_EQ(fake.calls, c.calls) << c.what;
  }
}

}  // namespace
}  // namespace mox::view
