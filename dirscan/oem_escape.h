// Escaped OEM text: each UTF-16 unit becomes its OEM code-page bytes when
// they convert back to the same unit, else "?" and four upper-case hex
// digits. A literal '?' is always escaped, so "?" never stands for itself.
#pragma once
#include <cstddef>
#include <string>

namespace mox {

// Most bytes one unit can take ("?XXXX").
constexpr size_t kOemEscapeMax = 5;

// Writes the escaped bytes of text[0..length) to out, which must have room
// for length * kOemEscapeMax bytes; returns the bytes written.
size_t oem_escape(const wchar_t* text, size_t length, char* out);

std::string oem_escape(const std::wstring& text);

}  // namespace mox
