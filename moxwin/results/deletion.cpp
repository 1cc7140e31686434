#include "moxwin/results/deletion.h"

#include <cwchar>

#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/numbers.h"

namespace mox::results {

namespace {

Verdict judge(const Row& row, const FileNow& now) {
  if (has_wildcard(row.path)) return Verdict::wildcard;
  if (!now.found) return Verdict::gone;
  // A file that appeared after the load was never compared either.
  if (!row.found || now.status.size != row.size || now.status.write_time != row.time) return Verdict::changed;
  return Verdict::remove;
}

}  // namespace

bool has_wildcard(const wchar_t* path) { return std::wcspbrk(path, L"*?") != nullptr; }

std::vector<Verdict> judge_checked_rows(const Model& model, const std::vector<FileNow>& now) {
  std::vector<Verdict> verdicts(model.rows.size(), Verdict::remove);
  for (size_t i = 0; i < model.rows.size(); ++i)
    if (model.rows[i].checked == kChecked) verdicts[i] = judge(model.rows[i], now[i]);
  // A checked path that is the file of an unchecked row of its group would
  // take the kept file with it.
  const std::vector<Row>& rows = model.rows;
  for_each_group(model, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) {
      if (rows[i].checked != kChecked || verdicts[i] != Verdict::remove) continue;
      for (int j = begin; j < end; ++j) {
        if (rows[j].checked != kChecked && same_file(now[i].identity, now[j].identity)) {
          verdicts[i] = Verdict::same_file;
          break;
        }
      }
    }
  });
  return verdicts;
}

std::wstring shell_source_list(const Model& model, const std::vector<int>& rows) {
  std::wstring list;
  for (int row : rows) {
    list += model.rows[static_cast<size_t>(row)].path;
    list += L'\0';
  }
  list += L'\0';
  return list;
}

std::wstring deletion_result_text(int requested, int deleted, const wchar_t* all_format, const wchar_t* some_format) {
  if (deleted == requested) return shell::format_text(shell::kMessageTextCap, all_format, shell::grouped(deleted).c_str());
  bool requested_first = some_format[0] == L'1';
  std::wstring first = shell::grouped(requested_first ? requested : deleted);
  std::wstring second = shell::grouped(requested_first ? deleted : requested);
  return shell::format_text(shell::kMessageTextCap, some_format[0] ? some_format + 1 : some_format, first.c_str(),
                            second.c_str());
}

}  // namespace mox::results
