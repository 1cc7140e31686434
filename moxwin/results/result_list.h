// The result list control (1011) and the model behind it: columns, filling,
// the texts of every column, backgrounds, notifications, and moving check
// boxes and selection between the control and the rows.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "moxwin/results/checking.h"
#include "moxwin/results/model.h"
#include "moxwin/shell/controls.h"
#include "moxwin/results/columns.h"

namespace mox::results {

constexpr int kFolderTextCap = 1032;  // Folder texts read back from the list
constexpr int kPathTextCap = 1033;

// The text of one column of a row.
std::wstring column_text(const Row& row, int column);

namespace list {

shell::ListView control(HWND window);

// Creates the ten columns with their saved widths and order, the extended
// styles and the header images.
void create_columns(HWND window, const ColumnRecord& saved);

// Refills the control in storage order (display order reset, parity and
// colouring mode natural ascending), hidden while it fills.
void fill_storage_order(HWND window);

// Every header item to the base image.
void reset_header_images(HWND window);

// The check boxes and selection of every item, in list order.
ListItems items(HWND window);
// The row behind an item, or none for an item that is not in the list.
const Row* row_at(HWND window, int item);
// The rows of the selected items, in list order.
std::vector<const Row*> selected_rows(HWND window);
// Writes the items' check boxes and selection where they differ from `before`.
void write_items(HWND window, const ListItems& before, const ListItems& after);

// The widths of columns 0 to 9 and the column order.
void record_columns(HWND window, ColumnRecord* columns);

// WM_NOTIFY from the result list; the value is the message's result.
LRESULT notify(HWND window, NMHDR* header);

}  // namespace list

}  // namespace mox::results
