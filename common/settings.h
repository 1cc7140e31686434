// config.ini in the current folder, written by the front end before each run.
#pragma once

namespace mox {

// Reads key of section into out (cap characters with the terminator).
// Returns the length; 0 means "not set".
int config_read(const wchar_t* section, const wchar_t* key, wchar_t* out, int cap);

}  // namespace mox
