// view: opens the files named on its command line, or listed in the file
// after "/r:", with their associated programs or the shell. No window of its
// own; failures are reported in message boxes.
#include <windows.h>

#include <cstdio>

#include "view/view.h"

using namespace mox::view;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  wchar_t prg_path[kModulePathCap];
  if (!association_path(prg_path)) {
    std::fputs("can't GetModuleFileName(NULL,,)\n", stdout);
    return kStatusFailure;
  }
  Associations assoc = read_association_file(prg_path);
  Request request = split_command_line(GetCommandLineW());
  if (request.too_many) return kStatusFailure;
  if (request.from_list) request.arguments = read_list_file(request.list_file.c_str());
  if (request.arguments.empty()) return kStatusNoFiles;
  wchar_t directory_buffer[kDirectoryCap];
  const wchar_t* directory = current_directory(directory_buffer);
  Texts texts = load_texts(instance);
  return open_files(assoc, request.arguments, texts, directory);
}
