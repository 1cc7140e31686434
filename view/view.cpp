#include "view/view.h"

#include <windows.h>

#include <cwchar>

#include "common/lines.h"
#include "common/paths.h"

namespace mox::view {

namespace {

bool is_gap(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t ascii_upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool same_ignoring_ascii_case(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
  return true;
}

bool append(CommandBuffer& out, const wchar_t* text, size_t count) {
  if (count > static_cast<size_t>(kCommandCap - 1 - out.length)) return false;
  std::wmemcpy(out.text + out.length, text, count);
  out.length += static_cast<int>(count);
  out.text[out.length] = 0;
  return true;
}

bool append(CommandBuffer& out, const wchar_t* text) { return append(out, text, std::wcslen(text)); }

const wchar_t* const kFallbackErrors[kErrorCount] = {
    L"0", L"2L", L"3L", L"11L", L"5", L"27", L"30", L"29", L"28", L"32", L"2", L"31", L"8", L"3", L"26",
};

}  // namespace

const int kErrorCodes[kErrorCount] = {0, 2, 3, 11, 5, 27, 30, 29, 28, 32, 2, 31, 8, 3, 26};

void add_association_line(Associations& assoc, const wchar_t* line) {
  if (line[0] != L'.') return;
  const wchar_t* gap = line;
  while (*gap && !is_gap(*gap)) ++gap;
  if (!*gap) return;
  const wchar_t* command = gap;
  while (is_gap(*command)) ++command;
  size_t length = 0;
  while (command[length] && command[length] != L'\r' && command[length] != L'\n') ++length;
  // Extensions with nothing to start would only make every open fail.
  if (length == 0) return;
  assoc.commands.emplace_back(command, length);
  int index = static_cast<int>(assoc.commands.size()) - 1;
  // The walk ends at the gap found above at the latest.
  const wchar_t* start = line + 1;
  for (const wchar_t* p = line + 1;; ++p) {
    if (*p != L'.' && !is_gap(*p)) continue;
    if (p > start) assoc.extensions.push_back({std::wstring(start, p), index});
    if (*p != L'.') break;
    start = p + 1;
  }
}

std::wstring file_extension(const wchar_t* argument) {
  const wchar_t* p = argument;
  if (((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z')) && p[1] == L':') p += 2;
  const wchar_t* name = p;
  for (; *p; ++p)
    if (*p == L'\\') name = p + 1;
  const wchar_t* dot = std::wcsrchr(name, L'.');
  return dot ? std::wstring(dot + 1) : std::wstring();
}

const std::wstring* find_command(const Associations& assoc, const wchar_t* argument) {
  std::wstring extension = file_extension(argument);
  if (extension.empty()) return nullptr;
  for (auto it = assoc.extensions.rbegin(); it != assoc.extensions.rend(); ++it)
    if (same_ignoring_ascii_case(it->text, extension)) return &assoc.commands[static_cast<size_t>(it->command)];
  return nullptr;
}

Request split_command_line(const wchar_t* line) {
  Request req;
  const wchar_t* p = line;
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != L' ') ++p;
  }
  if (*p == L' ') ++p;
  if (std::wcsncmp(p, L"/r:", 3) == 0) {
    req.from_list = true;
    req.list_file = p + 3;
    return req;
  }
  for (;;) {
    while (*p == L' ') ++p;
    if (!*p) break;
    std::wstring arg;
    if (*p == L'"') {
      for (++p; *p && *p != L'"';) {
        if (p[0] == L'\\' && p[1] == L'"') {
          arg += L'"';
          p += 2;
        } else {
          arg += *p++;
        }
      }
      if (*p) ++p;
    } else {
      bool quoted = false;
      while (*p && (quoted || *p != L' ')) {
        if (p[0] == L'\\' && p[1] == L'"') {
          arg += L'"';
          p += 2;
        } else if (*p == L'"') {
          quoted = !quoted;
          ++p;
        } else {
          arg += *p++;
        }
      }
    }
    // "" names no file; the shell would be asked to open the folder.
    if (arg.empty()) continue;
    if (req.arguments.size() == static_cast<size_t>(kMaxArguments)) {
      req.too_many = true;
      break;
    }
    req.arguments.push_back(std::move(arg));
  }
  return req;
}

bool add_list_line(std::vector<std::wstring>& arguments, wchar_t* piece) {
  // A leading U+FEFF (the byte-order mark some writers put first) is no part of a name.
  int length = clean_line(piece);
  if (length == 0) return true;
  if (arguments.size() == static_cast<size_t>(kMaxArguments)) return false;
  arguments.emplace_back(piece, static_cast<size_t>(length));
  return true;
}

bool build_command(const wchar_t* command, const wchar_t* argument, CommandBuffer& out) {
  out.length = 0;
  out.text[0] = 0;
  const wchar_t* mark = std::wcsstr(command, L"%1");
  bool fits;
  if (mark)
    fits = append(out, command, static_cast<size_t>(mark - command)) && append(out, argument) && append(out, mark + 2);
  else if (command[0] == L'|')
    fits = append(out, command);
  else
    fits = append(out, command) && append(out, L" \"") && append(out, argument) && append(out, L"\"");
  if (!fits) {
    out.length = 0;
    out.text[0] = 0;
  }
  return fits;
}

ActionKind choose_action(const Associations& assoc, const wchar_t* argument, CommandBuffer& built) {
  const std::wstring* command = find_command(assoc, argument);
  if (!command) return ActionKind::shell;
  if (!build_command(command->c_str(), argument, built)) return ActionKind::too_long;
  return built.text[0] == L'|' ? ActionKind::message : ActionKind::start;
}

void set_fallback_errors(Texts& texts) {
  for (int i = 0; i < kErrorCount; ++i) texts.errors[i] = kFallbackErrors[i];
}

void set_errors_from_table(Texts& texts, const wchar_t* table) {
  const wchar_t* start = table;
  for (int entry = 0; entry < kErrorCount;) {
    const wchar_t* end = start;
    while (*end && *end != L'|') ++end;
    texts.errors[entry++].assign(start, end);
    if (!*end) break;
    start = end + 1;
  }
}

const wchar_t* error_text(const Texts& texts, long code) {
  for (int i = 0; i < kErrorCount; ++i)
    if (kErrorCodes[i] == code) return texts.errors[i].c_str();
  return L"Unknown errror";
}

std::wstring fill_message(const std::wstring& format, const wchar_t* first, const wchar_t* second, long number) {
  std::wstring out;
  const wchar_t* texts[2] = {first, second};
  int next_text = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    wchar_t c = format[i];
    wchar_t kind = i + 1 < format.size() ? format[i + 1] : 0;
    if (c == L'%' && kind == L's') {
      const wchar_t* text = next_text < 2 ? texts[next_text++] : nullptr;
      if (text) out += text;
      ++i;
    } else if (c == L'%' && kind == L'd') {
      out += std::to_wstring(number);
      ++i;
    } else if (c == L'%' && kind == L'%') {
      out += L'%';
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

int open_files(const Associations& assoc, const std::vector<std::wstring>& arguments, const Texts& texts,
               const wchar_t* directory) {
  int status = 0;
  static CommandBuffer built;
  for (const std::wstring& arg : arguments) {
    const wchar_t* file = arg.c_str();
    // A plain path that the system would alter names another file or a
    // device: no program gets it, it is reported as a file not found.
    bool reaches = plain_path_reaches(file);
    switch (reaches ? choose_action(assoc, file, built) : ActionKind::shell) {
      case ActionKind::shell: {
        intptr_t result = reaches ? g_system.shell_open(file, directory) : ERROR_FILE_NOT_FOUND;
        if (result > 32) break;
        int code = static_cast<int>(result);
        std::wstring text = fill_message(texts.shell_failed, file, error_text(texts, code), code);
        if (g_system.show_message(text.c_str(), texts.caption.c_str()) == IDCANCEL) return code;
        if (code >= 1) status = code;
        break;
      }
      case ActionKind::message: {
        std::wstring text = fill_message(texts.pipe_message, file, built.text + 1, 0);
        if (g_system.show_message(text.c_str(), texts.caption.c_str()) == IDCANCEL) return kStatusCancelled;
        break;
      }
      case ActionKind::start: {
        unsigned long code = g_system.start_program(built.text);
        if (code == 0) break;
        std::wstring text = fill_message(texts.start_failed, built.text, error_text(texts, static_cast<long>(code)),
                                         static_cast<long>(code));
        if (g_system.show_message(text.c_str(), texts.caption.c_str()) == IDCANCEL) return static_cast<int>(code);
        // A file that was not opened must not end the run as a success.
        status = static_cast<int>(code);
        break;
      }
      case ActionKind::too_long: {
        std::wstring text = fill_message(texts.command_too_long, file, nullptr, kErrorCommandTooLong);
        if (g_system.show_message(text.c_str(), texts.caption.c_str()) == IDCANCEL) return kErrorCommandTooLong;
        status = kErrorCommandTooLong;
        break;
      }
    }
  }
  return status;
}

}  // namespace mox::view
