// Sizes as users type them: digits, ',' ignored, one optional K/M/G/T
// (binary multiples) that ends the number.
#pragma once

namespace mox {

// Returns false for an invalid text (empty, no digit, another character
// before the unit, or a value above 2^63 - 1 after the unit).
bool parse_size(const wchar_t* text, long long* size);

}  // namespace mox
