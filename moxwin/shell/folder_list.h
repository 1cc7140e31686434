// The folder list: which folders a search covers (checked) or keeps but skips
// (unchecked), kept in LIST.TXT in the working folder.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace mox::shell {

constexpr int kFolderTextCap = 1035;      // a row's text: 1,034 characters
constexpr int kArgumentTextCap = 1033;    // a folder from the command line: 1,032

struct FolderRow {
  std::wstring text;
  bool checked = true;
};

struct FolderFile {
  std::vector<FolderRow> rows;
  std::vector<int> refused_lines;  // 1-based numbers of lines too long for a row
};

// The lines of a folder list file's text (each ends after its LF): a
// byte-order mark at a line's start is dropped, the line ends at its first
// CR or LF, a leading ":" makes an unchecked row, every other line (an empty
// one too) a checked row. A line longer than a row can hold is refused whole.
FolderFile folder_rows(const std::wstring& text);

// The file as the folder list writes it: U+FEFF, then each row (":" first
// when unchecked) and CR LF.
std::string folder_file_bytes(const std::vector<FolderRow>& rows);

// The folders named on a command line, after the program's own name: quoted
// arguments run to the next quote, others to the next blank; tabs belong to
// the argument.
std::vector<std::wstring> command_line_folders(const wchar_t* command_line);

// The file written from the command line: one argument a line, CR LF, no
// byte-order mark, no prefixes.
std::string argument_file_bytes(const std::vector<std::wstring>& folders);

// What a save may do to LIST.TXT, decided when it was loaded. A file the
// list could not read is the user's own: it is overwritten only once the
// list holds rows again (the user's changes), a garbled one after a copy
// LIST.TXT.bak, an unreadable one only when it has gone.
enum class ListFileGuard {
  kNotLoaded,   // never loaded (a second instance): nothing is saved
  kFree,        // missing, or read as it is
  kGarbled,     // neither UTF-16LE nor UTF-8
  kUnreadable,  // exists but could not be opened or read
};

// The window side: control 1002 and LIST.TXT.
namespace folder_list {

// Replaces LIST.TXT by the command line's folders, when it names any; then
// the column, the extended styles and the rows of LIST.TXT.
void load(HWND window, const wchar_t* command_line);
// 0 (also when the guard kept the file as it was), or -1 after telling the
// user that LIST.TXT could not be written.
int save(HWND window);
// Whether a row is checked: a search needs one.
bool any_checked(HWND window);
void add_by_browsing(HWND window);
void add_dropped(HWND window, HDROP drop);
void remove_selected(HWND window);
void edit_focused(HWND window);
LRESULT notify(HWND window, NMHDR* header);
// The pop-up menu 103 at a screen point; (-1, -1), from the keyboard, at the
// focused row.
void show_menu(HWND window, int x, int y);

}  // namespace folder_list

}  // namespace mox::shell
