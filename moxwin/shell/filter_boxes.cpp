#include "moxwin/shell/filter_boxes.h"

#include <shellapi.h>

#include <string>

#include "moxwin/resource.h"
#include "moxwin/shell/controls.h"
#include "moxwin/shell/format.h"
#include "moxwin/shell/messages.h"
#include "moxwin/shell/settings.h"

namespace mox::shell {

namespace {

struct HistoryBox {
  int id;
  const wchar_t* key;
};

// In the order their history is read.
const HistoryBox kHistoryBoxes[] = {
    {IDC_EXCLUDE, L"exclude0"}, {IDC_MIN, L"min0"}, {IDC_MAX, L"max0"}, {IDC_ATTRIBUTE, L"attribute0"}};

void prepare_program_box(HWND window) {
  ComboBox programs(window, IDC_PROGRAM);
  std::wstring lines = text(IDS_PROGRAMS);
  for (size_t start = 0;;) {
    size_t bar = lines.find(L'|', start);
    programs.add(lines.substr(start, bar == std::wstring::npos ? bar : bar - start).c_str());
    if (bar == std::wstring::npos) break;
    start = bar + 1;
  }
  std::wstring last = settings_read(L"history0", L"program0");
  if (last.empty()) {
    programs.set_text(programs.item(0).c_str());
    return;
  }
  programs.insert_at_top_unless_present(last.c_str());
  programs.set_text(last.c_str());
}

}  // namespace

void prepare_filter_boxes(HWND window) {
  for (int id : {IDC_EXCLUDE, IDC_MIN, IDC_MAX, IDC_ATTRIBUTE}) ComboBox(window, id).insert_at_top_unless_present(L"");
  ComboBox(window, IDC_MIN).insert_at_top_unless_present(L"1");
  ComboBox(window, IDC_MAX).insert_at_top_unless_present(L"2,147,483,647");
  std::wstring preset = settings_read(L"Options", L"preset");
  ComboBox(window, IDC_EXCLUDE).insert_at_top_unless_present(preset.empty() ? text(IDS_EXCLUDE_PRESET) : preset.c_str());
  for (const HistoryBox& box : kHistoryBoxes) {
    std::wstring last = settings_read(L"history0", box.key);
    if (last.empty()) continue;
    ComboBox combo(window, box.id);
    combo.set_text(last.c_str());
    combo.insert_at_top_unless_present(last.c_str());
  }
  prepare_program_box(window);
  std::wstring buffer = settings_read(L"Options", L"buffer");
  Control(window, IDC_STATUS)
      .set_text(format_text(kMessageTextCap, L"buffer size: %s", buffer.empty() ? L"default" : buffer.c_str()).c_str());
  DragAcceptFiles(window, TRUE);
}

}  // namespace mox::shell
