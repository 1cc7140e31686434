// Reaching the rows' files: the viewer, the file manager, properties, the
// configured programs and the clipboard. Each command acts on the selected
// rows (or the focused one) and does nothing without them.
#pragma once
#include <windows.h>

namespace mox::results::commands {

// 225: the selected rows' paths into list6.txt, then "view.exe /r:list6.txt".
void open_selected(HWND window);
// Double click on item `item` (-1: not on a row): the viewer for its path.
void open_clicked(HWND window, int item);
// 227: the file manager on the focused row's folder.
void open_folder(HWND window);
// 228 and 338: the properties of the focused row's file or of its folder.
void show_properties(HWND window, bool of_folder);
// 231 to 330: the configured program with that command id, for the selection.
void open_with_program(HWND window, int command_id);
// 206: the selected rows' paths, each ended by CR LF, as Unicode text.
void copy_paths(HWND window);

}  // namespace mox::results::commands
