#include "scan.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "common/frame.h"
#include "common/paths.h"
#include "dirscan/jpeg_payload.h"
#include "dirscan/oem_escape.h"

namespace mox {

namespace {

constexpr int kMaxPath = 1032;    // longest root and search pattern
constexpr int kMaxJoined = 514;   // longest folder path plus entry name below a root
constexpr int kPathRoom = kMaxPath + 1 + 260 + 8;
constexpr int kFoldRoom = kMaxPath + 2;
constexpr int kLineRoom = 260 + 1 + 20 + 1 + kMaxPath + 2 + 1;
// Each level below a root adds a '\' and at least one character within the
// joined limit, so no path holds more folders than this.
constexpr int kMaxDepth = kMaxJoined / 2 + 2;

// ---- the system behind the walk ----

void fill_entry(const WIN32_FIND_DATAW& data, DirEntry* entry) {
  entry->attributes = entry_attributes(data.dwFileAttributes);
  entry->reparse_tag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
  entry->size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  size_t n = wcsnlen(data.cFileName, MAX_PATH - 1);
  std::wmemcpy(entry->name, data.cFileName, n);
  entry->name[n] = 0;
}

bool system_get_attributes(const wchar_t* path, unsigned long* attributes) {
  DWORD a = GetFileAttributesW(path);
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  *attributes = a;
  return true;
}

bool system_find_first(const wchar_t* pattern, FindHandle* handle, DirEntry* entry, unsigned long* error) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(pattern, &data);
  if (h == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  fill_entry(data, entry);
  *handle = h;
  return true;
}

bool system_find_next(FindHandle handle, DirEntry* entry) {
  WIN32_FIND_DATAW data;
  if (!FindNextFileW(static_cast<HANDLE>(handle), &data)) return false;
  fill_entry(data, entry);
  return true;
}

void system_find_close(FindHandle handle) { FindClose(static_cast<HANDLE>(handle)); }

void system_set_title(const wchar_t* text) { SetConsoleTitleW(text); }

// Standard output is a buffered binary stream; lines go out as escaped OEM text.
void system_write_line(const wchar_t* line, int length) {
  constexpr int kPiece = 1024;
  static char bytes[kPiece * kOemEscapeMax];
  for (int done = 0; done < length; done += kPiece) {
    int piece = length - done < kPiece ? length - done : kPiece;
    size_t n = oem_escape(line + done, static_cast<size_t>(piece), bytes);
    fwrite(bytes, 1, n, stdout);
  }
}

void system_report(const wchar_t* fmt, const wchar_t* first, const wchar_t* second) { msg_log(fmt, first, second); }

HANDLE open_folder(const wchar_t* path) {
  return CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The file index alone. Every call that also gives the volume's serial
// number asks the volume for it, which under Wine costs several opens.
using QueryFileFn = LONG(WINAPI*)(HANDLE file, void* io_status, void* info, ULONG length, int info_class);

QueryFileFn query_file_service() {
  static QueryFileFn query = reinterpret_cast<QueryFileFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
  return query;
}

// A link or junction is followed: its index and identity are those of the
// folder it points at.
bool system_folder_index(const wchar_t* path, unsigned long long* index) {
  HANDLE h = open_folder(path);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok;
  if (QueryFileFn query = query_file_service()) {
    constexpr int kFileInternalInformation = 6;
    struct {
      LONG_PTR status;
      ULONG_PTR information;
    } io;
    LARGE_INTEGER number{};
    ok = query(h, &io, &number, sizeof number, kFileInternalInformation) >= 0;
    *index = static_cast<unsigned long long>(number.QuadPart);
  } else {
    BY_HANDLE_FILE_INFORMATION info{};
    ok = GetFileInformationByHandle(h, &info);
    *index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  }
  CloseHandle(h);
  return ok;
}

bool system_folder_identity(const wchar_t* path, FolderId* id) {
  HANDLE h = open_folder(path);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!ok) return false;
  id->volume = info.dwVolumeSerialNumber;
  id->index = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

// ---- the walk ----

struct Walk {
  const ScanOptions* options;
  const ScanSystem* system;
  bool network;                    // the root is a network path: no 'c' marker
  wchar_t path[kPathRoom];         // the current path; children are appended in place
  uint32_t folded[kFoldRoom];
  wchar_t line[kLineRoom];
  // The folders from the root down to the current one whose index could be
  // read, each with the length of its plain path (a prefix of the current
  // one once the shift is added).
  struct Ancestor {
    unsigned long long index;
    int length;
  } ancestors[kMaxDepth];
  int depth;
  // Below an entry that a plain path cannot carry, the path is in its
  // \\?\ form: extended is set and shift counts the characters the prefix added
  // (0 when the root itself was given in that form).
  bool extended;
  int shift;
};

void report(Walk& w, const wchar_t* fmt, const wchar_t* first, const wchar_t* second = L"") {
  w.system->report(fmt, first, second);
}

wchar_t marker_for(const Walk& w, unsigned long system_attributes) {
  bool packed = system_attributes & (FILE_ATTRIBUTE_COMPRESSED | FILE_ATTRIBUTE_SPARSE_FILE);
  return packed && !w.network ? L'c' : L' ';
}

// Folds path[0..length) (with a '\' appended for a folder) and tests the
// patterns. The patterns are written for plain paths: a path the walk put in
// its \\?\ form is folded in its plain spelling ("\\?\C:\x" as "C:\x",
// "\\?\UNC\srv" as "\\srv").
bool excluded(Walk& w, int length, bool folder) {
  const PatternTable& patterns = w.options->patterns;
  if (patterns.items.empty()) return false;
  int head = w.shift > 4 ? 2 : 0;  // the "\\" that "\\?\UNC\" stands for
  int skip = w.shift + head;
  if (head) fold_text(L"\\\\", head, w.folded, head);
  int n = head + fold_text(w.path + skip, length - skip, w.folded + head, kFoldRoom - 1 - head);
  if (folder && (n == 0 || w.folded[n - 1] != L'\\')) w.folded[n++] = L'\\';
  return any_pattern_matches(patterns, w.folded, n);
}

void write_size_line(Walk& w, unsigned long long size, wchar_t marker, int length) {
  int n = format_size_line(w.line, kLineRoom, size, marker, w.path, length);
  if (n > 0) w.system->write_line(w.line, n);
}

void write_name_line(Walk& w, const DirEntry& entry, int length) {
  int n = format_name_line(w.line, kLineRoom, entry.name, entry.size, w.path, length);
  if (n > 0) w.system->write_line(w.line, n);
}

void write_file_line(Walk& w, const DirEntry& entry, unsigned long system_attributes, int length) {
  const ScanOptions& o = *w.options;
  if (o.form == 1) {
    write_name_line(w, entry, length);
    return;
  }
  wchar_t marker = o.settings.rules.active ? L' ' : marker_for(w, system_attributes);
  if (!o.jpeg) {
    write_size_line(w, entry.size, marker, length);
    return;
  }
  long long payload = w.system->jpeg_payload(w.path, o.settings.jpeg);
  if (payload > 0) write_size_line(w, static_cast<unsigned long long>(payload), marker, length);
}

// A file named as a root: listed whatever the filters say.
void scan_named_file(Walk& w, int length, unsigned long system_attributes) {
  DirEntry entry;
  FindHandle handle;
  unsigned long error = 0;
  if (!w.system->find_first(w.path, &handle, &entry, &error)) {
    report(w, L"%ls: %ls\r\n", w.path, find_error_text(error));
    return;
  }
  w.system->find_close(handle);
  if (w.options->form == 1)
    write_name_line(w, entry, length);
  else
    write_size_line(w, entry.size, marker_for(w, system_attributes), length);
}

void scan_path(Walk& w, int length);

void visit_folder_entry(Walk& w, const DirEntry& entry, int joined_length) {
  const ScanOptions& o = *w.options;
  unsigned long a;
  if (!w.system->get_attributes(w.path, &a) || !(a & FILE_ATTRIBUTE_DIRECTORY)) {
    report(w, L"%ls: No such file or directory\r\n", w.path);
    return;
  }
  if (o.settings.rules.active && !passes_attribute_rules(o.settings.rules, entry.attributes, entry.reparse_tag))
    return;
  if (o.set_title) w.system->set_title(w.path);
  scan_path(w, joined_length);
}

void visit_file_entry(Walk& w, const DirEntry& entry, int joined_length) {
  const ScanOptions& o = *w.options;
  unsigned long a;
  if (!w.system->get_attributes(w.path, &a)) {
    report(w, L"%ls: No such file or directory\r\n", w.path);
    return;
  }
  if (excluded(w, joined_length, false)) return;
  const ScanSettings& s = o.settings;
  if (entry.size < static_cast<unsigned long long>(s.min_size) ||
      entry.size > static_cast<unsigned long long>(s.max_size))
    return;
  if (s.rules.active && !passes_attribute_rules(s.rules, entry.attributes, entry.reparse_tag)) return;
  write_file_line(w, entry, a, joined_length);
}

// Indexes are unique on one volume only: a folder whose index meets an
// ancestor's is that folder when the whole identities agree as well.
bool is_on_path(Walk& w, unsigned long long index) {
  for (int i = 0; i < w.depth; ++i) {
    if (w.ancestors[i].index != index) continue;
    FolderId here, there;
    if (!w.system->folder_identity(w.path, &here)) continue;
    wchar_t* end = w.path + w.ancestors[i].length + w.shift;
    wchar_t kept = *end;
    *end = 0;
    bool known = w.system->folder_identity(w.path, &there);
    *end = kept;
    if (known && here.volume == there.volume && here.index == there.index) return true;
  }
  return false;
}

// Puts the current path (length characters) into its \\?\ form, so that this
// entry and everything below it are reached and listed by their stored
// names. Returns the plain path for unextend, or nothing when the path
// cannot take the prefix (no drive or server: it stays plain).
std::wstring extend(Walk& w, int length) {
  std::wstring plain(w.path, static_cast<size_t>(length));
  std::wstring extended = extended_path(plain);
  if (extended.size() == plain.size()) return {};
  std::wmemcpy(w.path, extended.c_str(), extended.size() + 1);
  w.extended = true;
  w.shift = static_cast<int>(extended.size() - plain.size());
  return plain;
}

// Back to the plain folder path the walk goes on with.
void unextend(Walk& w, const std::wstring& plain) {
  std::wmemcpy(w.path, plain.c_str(), plain.size() + 1);
  w.extended = false;
  w.shift = 0;
}

void list_folder(Walk& w, int length) {
  // Children are joined to the folder as the path rules say: "C:\" and "\"
  // take the name directly, other folders with a '\' between.
  std::wstring prefix = join_path(std::wstring(w.path, static_cast<size_t>(length)), L"");
  int prefix_length = static_cast<int>(prefix.size());
  std::wmemcpy(w.path, prefix.data(), prefix.size());
  std::wmemcpy(w.path + prefix_length, L"*.*", 4);
  if (prefix_length + 3 > kMaxPath) {
    report(w, L"%ls: too long name\r\n", w.path);
    w.path[length] = 0;
    return;
  }
  DirEntry entry;
  FindHandle handle;
  unsigned long error = 0;
  if (!w.system->find_first(w.path, &handle, &entry, &error)) {
    w.path[length] = 0;
    report(w, L"%ls: %ls\r\n", w.path, find_error_text(error));
    return;
  }
  do {
    bool folder = entry.attributes & kAttrDirectory;
    if (folder && (w.options->no_recursion || !std::wcscmp(entry.name, L".") || !std::wcscmp(entry.name, L"..")))
      continue;
    if (!folder && w.options->extensions && !extension_listed(*w.options->extensions, entry.name)) continue;
    int name_length = static_cast<int>(std::wcslen(entry.name));
    std::wmemcpy(w.path + prefix_length, entry.name, static_cast<size_t>(name_length) + 1);
    int joined_length = prefix_length + name_length;
    int plain_folder_length = length - w.shift;
    std::wstring plain;
    if (!w.extended && plain_path_alters(entry.name)) {
      plain = extend(w, joined_length);
      joined_length += w.shift;
    }
    // The limit counts the path as a plain one, whatever its form.
    if (plain_folder_length + name_length > kMaxJoined)
      report(w, L"%ls: too long name\r\n", w.path);
    else if (folder)
      visit_folder_entry(w, entry, joined_length);
    else
      visit_file_entry(w, entry, joined_length);
    if (!plain.empty()) unextend(w, plain);
  } while (w.system->find_next(handle, &entry));
  w.system->find_close(handle);
  w.path[length] = 0;
}

// A folder already on the path from the root is not entered again: a link to
// an ancestor would list the same files under ever longer paths. Two links
// to one folder elsewhere are both walked.
void scan_folder(Walk& w, int length) {
  unsigned long long index;
  if (!w.system->folder_index(w.path, &index) || w.depth == kMaxDepth) {
    list_folder(w, length);
    return;
  }
  if (is_on_path(w, index)) {
    report(w, L"%ls: folder loop, skipped\r\n", w.path);
    return;
  }
  w.ancestors[w.depth++] = {index, length - w.shift};
  list_folder(w, length);
  --w.depth;
}

void scan_path(Walk& w, int length) {
  w.path[length] = 0;
  unsigned long a = 0;
  bool readable = w.system->get_attributes(w.path, &a);
  bool folder = readable && (a & FILE_ATTRIBUTE_DIRECTORY);
  if (excluded(w, length, folder)) return;
  if (!readable) {
    report(w, L"%ls: No such file or directory\r\n", w.path);
    return;
  }
  if (folder)
    scan_folder(w, length);
  else
    scan_named_file(w, length, a);
}

wchar_t* put_size(wchar_t* at, unsigned long long size) {
  for (int i = 19; i >= 0; --i) {
    at[i] = static_cast<wchar_t>(L'0' + size % 10);
    size /= 10;
  }
  return at + 20;
}

}  // namespace

const ScanSystem kSystemScan = {system_get_attributes, system_find_first,   system_find_next,
                                system_find_close,     jpeg_payload_size,   system_set_title,
                                system_write_line,     system_report,       system_folder_index,
                                system_folder_identity};

const wchar_t* find_error_text(unsigned long system_error) {
  switch (system_error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
      return L"No such file or directory";
    case ERROR_ACCESS_DENIED:
      return L"Permission denied";
    case ERROR_NOT_ENOUGH_MEMORY:
      return L"Not enough space";
    default:
      return L"Invalid argument";
  }
}

int format_size_line(wchar_t* out, int cap, unsigned long long size, wchar_t marker, const wchar_t* path,
                     int path_length) {
  int length = 20 + 1 + path_length + 2;
  if (length >= cap) return -1;
  wchar_t* at = put_size(out, size);
  *at++ = marker;
  std::wmemcpy(at, path, static_cast<size_t>(path_length));
  at += path_length;
  std::wmemcpy(at, L"\r\n", 3);
  return length;
}

int format_name_line(wchar_t* out, int cap, const wchar_t* name, unsigned long long size, const wchar_t* path,
                     int path_length) {
  constexpr int kNameColumns = 70;
  int name_length = static_cast<int>(std::wcslen(name));
  int padded = name_length > kNameColumns ? name_length : kNameColumns;
  int length = padded + 1 + 20 + 1 + path_length + 2;
  if (length >= cap) return -1;
  wchar_t* at = out;
  std::wmemcpy(at, name, static_cast<size_t>(name_length));
  std::wmemset(at + name_length, L' ', static_cast<size_t>(padded - name_length));
  at += padded;
  *at++ = L'|';
  at = put_size(at, size);
  *at++ = L' ';
  std::wmemcpy(at, path, static_cast<size_t>(path_length));
  at += path_length;
  std::wmemcpy(at, L"\r\n", 3);
  return length;
}

void scan_root(const ScanOptions& options, const ScanSystem& system, const std::wstring& root) {
  if (options.set_title) system.set_title(root.c_str());
  if (root.size() > static_cast<size_t>(kMaxPath)) {
    system.report(L"%ls: too long file name\r\n", root.c_str(), L"");
    return;
  }
  static Walk w;
  w.options = &options;
  w.system = &system;
  w.network = is_network_path(root);
  w.depth = 0;
  w.extended = is_extended_path(root);
  w.shift = 0;
  std::wmemcpy(w.path, root.c_str(), root.size() + 1);
  // A root whose stored spelling a plain path cannot carry (reached through
  // a short name, say) is walked in its \\?\ form too.
  int length = static_cast<int>(root.size());
  if (!plain_path_reaches(root) && !extend(w, length).empty()) length += w.shift;
  scan_path(w, length);
}

}  // namespace mox
