#include "moxwin/shell/list_encoding.h"

#include <windows.h>

namespace mox::shell {

namespace {

bool starts_with(const std::string& bytes, const char* mark) { return bytes.rfind(mark, 0) == 0; }

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF), with the decoded text when asked for.
bool utf8_text(const std::string& bytes, std::wstring* text) {
  if (bytes.empty()) {
    if (text) text->clear();
    return true;
  }
  int size = static_cast<int>(bytes.size());
  int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;
  if (text) {
    text->assign(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), size, text->data(), length);
  }
  return true;
}

std::wstring utf16le_text(const std::string& bytes) {
  std::wstring text(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return text;
}

bool plausible_utf16le(const std::string& bytes) {
  if (bytes.size() % 2) return false;
  std::wstring text = utf16le_text(bytes);
  bool ascii = false;
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c > 0 && c < 0x80) ascii = true;
    if (c >= 0xDC00 && c <= 0xDFFF) return false;  // a low surrogate alone
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    }
  }
  return ascii;
}

}  // namespace

ListEncoding detect_list_encoding(const std::string& bytes) {
  if (bytes.empty() || starts_with(bytes, "\xFF\xFE")) return ListEncoding::kUtf16le;
  if (starts_with(bytes, "\xEF\xBB\xBF")) return utf8_text(bytes, nullptr) ? ListEncoding::kUtf8 : ListEncoding::kNeither;
  if (bytes.find('\0') == std::string::npos && utf8_text(bytes, nullptr)) return ListEncoding::kUtf8;
  return plausible_utf16le(bytes) ? ListEncoding::kUtf16le : ListEncoding::kNeither;
}

std::wstring decode_list_text(const std::string& bytes, ListEncoding encoding) {
  std::wstring text;
  if (encoding == ListEncoding::kUtf8)
    utf8_text(bytes, &text);
  else if (encoding == ListEncoding::kUtf16le)
    text = utf16le_text(bytes);
  return text;
}

}  // namespace mox::shell
