// Viewer launcher: opens each named or listed file with the program that
// view.prg assigns to its extension, or with the shell, and reports failures
// in message boxes where OK goes on and Cancel ends the run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mox::view {

constexpr int kMaxArguments = 16383;
constexpr int kCommandCap = 4132;          // built command line: 4131 characters
constexpr int kListLineCap = 1033;         // list file lines: 1032 characters
constexpr int kAssociationLineCap = 1040;  // view.prg lines: 1039 bytes
constexpr int kModulePathCap = 1033;
constexpr int kDirectoryCap = 3096;
constexpr int kErrorTableCap = 3999;       // string 402
constexpr int kFormatCap = 19;             // the message formats and the caption
constexpr int kErrorCount = 15;

// Exit statuses the launcher sets itself; the others are shell and system
// error codes.
constexpr int kStatusNoFiles = 255;
constexpr int kStatusFailure = 1;          // too many arguments, no module path
constexpr int kStatusCancelled = 1;        // Cancel on a '|' association's message
constexpr int kErrorCommandTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE

// String table ids.
enum : unsigned {
  kStringCaption = 400,
  kStringShellFailed = 401,
  kStringErrorTable = 402,
  kStringStartFailed = 404,
  kStringPipeMessage = 405,
  kStringCommandTooLong = 406,
};

// ---- Associations (view.prg) ----

struct Extension {
  std::wstring text;  // without its dot
  int command;        // index into Associations::commands
};

struct Associations {
  std::vector<std::wstring> commands;
  std::vector<Extension> extensions;  // a later record wins over an earlier one
};

// Takes one line of view.prg (already wide). Lines that do not begin with '.'
// and lines without a command are ignored.
void add_association_line(Associations& assoc, const wchar_t* line);

// The extension of a file argument (without its dot), or empty when it has none.
std::wstring file_extension(const wchar_t* argument);

// The command for the argument's extension, or nullptr.
const std::wstring* find_command(const Associations& assoc, const wchar_t* argument);

// ---- Command line and list file ----

struct Request {
  bool from_list = false;
  std::wstring list_file;                // the text after "/r:", as given
  std::vector<std::wstring> arguments;   // file arguments from the command line
  bool too_many = false;                 // more than kMaxArguments
};

// Splits the launcher's whole command line, program name included.
Request split_command_line(const wchar_t* line);

// Adds one piece of a list file (as read, line end included) to the file
// arguments; false once kMaxArguments are taken.
bool add_list_line(std::vector<std::wstring>& arguments, wchar_t* piece);

// ---- Building and choosing ----

struct CommandBuffer {
  wchar_t text[kCommandCap];
  int length;
};

// The text for a file argument built from a command. False (and an empty
// buffer) when it would not fit.
bool build_command(const wchar_t* command, const wchar_t* argument, CommandBuffer& out);

enum class ActionKind { shell, message, start, too_long };

// What to do with one file argument; fills `built` for message and start.
ActionKind choose_action(const Associations& assoc, const wchar_t* argument, CommandBuffer& built);

// ---- Texts ----

struct Texts {
  std::wstring caption, shell_failed, start_failed, pipe_message, command_too_long;
  std::wstring errors[kErrorCount];
};

// The codes of the error table in table order.
extern const int kErrorCodes[kErrorCount];

// Error texts from the fallback column.
void set_fallback_errors(Texts& texts);

// Error texts from the pieces of string 402 (split at '|'); entries past the
// last piece keep what they held.
void set_errors_from_table(Texts& texts, const wchar_t* table);

// The text of the first entry with the code, or "Unknown errror".
const wchar_t* error_text(const Texts& texts, long code);

// Fills a message format: each %s takes the next of the two texts, %d the
// number, %% gives %.
std::wstring fill_message(const std::wstring& format, const wchar_t* first, const wchar_t* second, long number);

// ---- Running ----

// The calls with effects outside the launcher; tests replace them.
struct System {
  int (*show_message)(const wchar_t* text, const wchar_t* caption);  // IDOK or IDCANCEL
  intptr_t (*shell_open)(const wchar_t* file, const wchar_t* directory);  // ShellExecuteW's result
  unsigned long (*start_program)(wchar_t* command_line);             // 0 or the system error code
};
extern System g_system;
extern const System kRealSystem;

// Opens every file argument in order; returns the exit status.
int open_files(const Associations& assoc, const std::vector<std::wstring>& arguments, const Texts& texts,
               const wchar_t* directory);

// ---- System edges ----

// view.prg beside the executable; false when the module path is unknown.
bool association_path(wchar_t (&path)[kModulePathCap]);

// Reads view.prg (8-bit OEM text); a missing file gives no associations.
Associations read_association_file(const wchar_t* path);

// Reads the "/r:" list file (UTF-16LE); a missing file gives no arguments.
std::vector<std::wstring> read_list_file(const wchar_t* path);

// The folder for shell requests, or nullptr when it does not fit.
const wchar_t* current_directory(wchar_t (&buffer)[kDirectoryCap]);

// The message texts and the error table from the module's string table.
Texts load_texts(void* module);

}  // namespace mox::view
