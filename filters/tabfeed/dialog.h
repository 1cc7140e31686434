// The common open-file dialog that picks the .dat list when no file is named.
#pragma once

namespace mox {

constexpr int kDatNameCap = 1053;

// Fills name (kDatNameCap characters) with the chosen file; false when the
// user cancelled. The current folder is the same afterwards.
bool choose_dat_file(wchar_t* name);

}  // namespace mox
