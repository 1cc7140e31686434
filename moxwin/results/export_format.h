// The two files the result list is saved as: a CSV file of every column in
// the list's order, and the tab-separated ".dat" duplicate list in storage
// order, which tabfeed reads back.
#pragma once
#include <string>

#include "moxwin/results/checking.h"
#include "moxwin/results/model.h"

namespace mox::results {

// Buffer for one ".dat" line in the OEM code page; a longer line is
// converted whole in a larger one.
constexpr int kDatLineCap = 2102;

// One CSV line (CR LF ended) of a row, its check and selection as the row's
// snapshots hold them.
std::wstring csv_line(const Row& row);

// The CSV file: U+FEFF, then one line per item in list order, UTF-16LE.
std::string csv_bytes(const Model& model, const ListItems& items);

// One ".dat" line of a row, wide: path, TAB, local time as
// YYYY/MM/DD hh:mm:ss (empty when the time cannot be converted), TAB, size.
std::wstring dat_line(const Row& row);

// The line in the OEM code page. A character the code page lacks becomes its
// default character, never a look-alike: best fit would name another file.
std::string oem_bytes(const std::wstring& line);

// The ".dat" file: every row in storage order, an empty line between groups.
std::string dat_bytes(const Model& model);

}  // namespace mox::results
