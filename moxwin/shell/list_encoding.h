// The encodings a list file of the working folder may arrive in. The program
// writes UTF-16LE; a user who edits LIST.TXT in Notepad saves UTF-8, with or
// without its byte-order mark. Anything else is not guessed at.
#pragma once
#include <string>

namespace mox::shell {

enum class ListEncoding { kUtf16le, kUtf8, kNeither };

// UTF-16LE: empty, or FF FE first, or (without a mark) an even length of
// well-formed UTF-16 with at least one ASCII character, as every path has.
// UTF-8: EF BB BF first, or no NUL byte; in both cases well-formed UTF-8.
// Plain ASCII counts as UTF-8. Checked in the order: marks, UTF-8, UTF-16LE.
ListEncoding detect_list_encoding(const std::string& bytes);

// The text of the bytes in that encoding (a lone last byte of UTF-16LE is
// dropped; a mark stays as U+FEFF for the line cleaning to remove).
std::wstring decode_list_text(const std::string& bytes, ListEncoding encoding);

}  // namespace mox::shell
