// dupcheck's settings: the buffer size from config.ini and the byte total
// from the count file.
#pragma once
#include <cstdint>

namespace mox {

constexpr uint32_t kDefaultBufferSize = 33554432;

// An integer whose base follows its prefix ("0x" hexadecimal, a leading 0
// octal, else decimal); reading stops at the first character that does not fit.
int64_t parse_prefixed_number(const wchar_t* text);

// The `buffer` value: the largest power of two not above it, from 32768 to
// 1073741824. An empty value keeps the default.
uint32_t buffer_size_from_setting(const wchar_t* text);

// Key `buffer` of section `Options` in config.ini.
uint32_t read_buffer_setting();

// The second line of a count file's text (UTF-16 code units), as a number.
int64_t count_total_from_text(const wchar_t* text);

// The byte total of the count file; 0 (unknown) when it cannot be read.
int64_t read_count_total(const wchar_t* path);

}  // namespace mox
