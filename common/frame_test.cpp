#include "common/frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/testkit.h"

namespace mox {
namespace {

struct Args {
  std::vector<std::wstring> text;
  std::vector<wchar_t*> argv;
  explicit Args(std::initializer_list<const wchar_t*> items) {
    text.emplace_back(L"prog");
    for (auto* s : items) text.emplace_back(s);
    for (auto& s : text) argv.push_back(s.data());
  }
  int argc() const { return static_cast<int>(argv.size()); }
};

OptionLetters counting_letters() {
  OptionLetters letters;
  letters.flags = "OT";
  letters.valued = "FLE";
  letters.value_optional = "E";
  return letters;
}

OptionLetters column_letters() {
  OptionLetters letters;
  letters.flags = "FR";
  letters.valued = "L";
  letters.char_valued = "SD";
  letters.column = true;
  return letters;
}

TEST(OptionLoop, LettersValuesAndOperands) {
  struct Case {
    std::initializer_list<const wchar_t*> args;
    bool o, t;
    const wchar_t* log;
    const wchar_t* count;
    int first_operand;
  };
  const Case cases[] = {
      {{L"-Lt", L"log"}, false, true, L"log", nullptr, 3},   // value from the next argument
      {{L"-L", L"-t"}, false, false, L"-t", nullptr, 3},     // whatever it begins with
      {{L"-LF", L"a", L"b", L"in"}, false, false, L"a", L"b", 4},
      {{L"/o/t", L"in"}, true, true, nullptr, nullptr, 2},
      {{L"-o-t"}, true, true, nullptr, nullptr, 2},
      {{L"-O", L"--", L"-x"}, true, false, nullptr, nullptr, 3},  // after -- an operand
      {{L"-", L"in"}, false, false, nullptr, nullptr, 2},         // lone - consumed
      {{L"/"}, false, false, nullptr, nullptr, 2},
      {{L"in", L"-o"}, false, false, nullptr, nullptr, 1},        // options end at an operand
  };
  for (const Case& c : cases) {
    Args a(c.args);
    OptionState s;
    ParseResult r = scan_options(a.argc(), a.argv.data(), counting_letters(), s);
    SCOPED_TRACE(a.text[1]);
    EXPECT_EQ(r.status, ParseStatus::ok);
    EXPECT_EQ(opt(s, 'O'), c.o);
    EXPECT_EQ(opt(s, 'T'), c.t);
    EXPECT_STREQ(opt_value(s, 'L'), c.log);
    EXPECT_STREQ(opt_value(s, 'F'), c.count);
    EXPECT_EQ(s.first_operand, c.first_operand);
  }
}

TEST(OptionLoop, OrderInWhichLettersAreMet) {
  Args a({L"-tL", L"log", L"/o-T", L"in"});
  OptionState s;
  ASSERT_EQ(scan_options(a.argc(), a.argv.data(), counting_letters(), s).status, ParseStatus::ok);
  EXPECT_EQ(s.met['L'], 2);
  EXPECT_EQ(s.met['O'], 3);
  EXPECT_EQ(s.met['T'], 4);  // met again: the later time counts
  EXPECT_EQ(s.met['F'], 0);
}

TEST(OptionLoop, UsageBadOptionAndMissingValue) {
  struct Case {
    std::initializer_list<const wchar_t*> args;
    ParseStatus status;
    wchar_t letter;
  };
  const Case cases[] = {
      {{L"/?"}, ParseStatus::usage, L'?'},
      {{L"-h"}, ParseStatus::usage, L'H'},
      {{L"-z"}, ParseStatus::bad_option, L'Z'},
      {{L"-o1"}, ParseStatus::bad_option, L'1'},        // digits only where a column exists
      {{L"-L"}, ParseStatus::missing_value, L'L'},      // value-taking letter last
      {{L"-tF"}, ParseStatus::missing_value, L'F'},
      {{L"-E"}, ParseStatus::ok, 0},                    // a letter whose value may be missing
  };
  for (const Case& c : cases) {
    Args a(c.args);
    OptionState s;
    ParseResult r = scan_options(a.argc(), a.argv.data(), counting_letters(), s);
    SCOPED_TRACE(a.text[1]);
    EXPECT_EQ(r.status, c.status);
    if (c.letter) {
      EXPECT_EQ(r.letter, c.letter);
    }
  }
}

TEST(OptionLoop, ColumnsAndMarkCharacters) {
  {
    Args a({L"-3", L"-sX", L"-dy"});
    OptionState s;
    ASSERT_EQ(scan_options(a.argc(), a.argv.data(), column_letters(), s).status, ParseStatus::ok);
    EXPECT_TRUE(s.has_column);
    EXPECT_EQ(s.column, 3);
    EXPECT_EQ(s.char_value['S'], L'X');  // the mark keeps its case
    EXPECT_EQ(s.char_value['D'], L'y');
  }
  {
    Args a({L"-2.9r"});  // a fraction is read and truncated; scanning goes on after it
    OptionState s;
    ASSERT_EQ(scan_options(a.argc(), a.argv.data(), column_letters(), s).status, ParseStatus::ok);
    EXPECT_EQ(s.column, 2);
    EXPECT_TRUE(opt(s, 'R'));
  }
  {
    Args a({L"-s"});
    OptionState s;
    EXPECT_EQ(scan_options(a.argc(), a.argv.data(), column_letters(), s).status, ParseStatus::missing_value);
  }
}

TEST(OptionLoop, ColumnIsADecimalNumber) {
  struct Case {
    const wchar_t* arg;
    ParseStatus status;
    long column;
    wchar_t letter;  // the bad letter
  };
  const Case cases[] = {
      {L"-3e1r", ParseStatus::ok, 30, 0},          // an exponent is part of the number
      {L"-3er", ParseStatus::bad_option, 3, L'E'},  // an exponent needs digits
      {L"-0x10", ParseStatus::bad_option, 0, L'X'}, // no hexadecimal: 0, then the letter x
      {L"-99999999999999999999", ParseStatus::ok, 2147483647L, 0},  // beyond any line
  };
  for (const Case& c : cases) {
    Args a({c.arg});
    OptionState s;
    ParseResult r = scan_options(a.argc(), a.argv.data(), column_letters(), s);
    SCOPED_TRACE(a.text[1]);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(s.column, c.column);
    if (c.letter) {
      EXPECT_EQ(r.letter, c.letter);
    }
  }
}

TEST(CountFile, Utf16WithoutByteOrderMark) {
  test::TempDir dir(L"count");
  frame_start(L"prog", Family::wide);
  ASSERT_TRUE(write_count_file((dir / L"LIST5.TXT").c_str(), 12, 3));
  EXPECT_EQ(test::read_file(dir / L"LIST5.TXT"), test::utf16le(L"12\r\n3\r\n"));
  EXPECT_FALSE(write_count_file((dir / L"no\\such\\x").c_str(), 1, 1));
}

TEST(LogFile, AppendsInBothFamilies) {
  // The wide family writes its bytes as they are; the byte family's log is
  // text, its line ends written as CR LF.
  struct Case {
    Family family;
    const char* appended;
  };
  const Case cases[] = {{Family::wide, "x\n"}, {Family::byte, "x\r\n"}};
  for (const Case& c : cases) {
    test::TempDir dir(L"log");
    std::wstring path = dir / L"log.txt";
    test::write_file(path, "old\n");
    frame_start(L"prog", c.family);
    log_open(path.c_str());
    ASSERT_NE(g_frame.log, nullptr);
    fprintf(g_frame.log, "x\n");
    log_close();
    EXPECT_EQ(test::read_file(path), std::string("old\n") + c.appended);
  }
}

}  // namespace
}  // namespace mox
