// Test helper: a name-size-path line as the scanner writes it, without its
// line end.
#pragma once
#include <string>

namespace mox::test {

inline std::wstring name_line(const std::wstring& name, const wchar_t* size20, const std::wstring& path) {
  std::wstring field = name;
  if (field.size() < 70) field.resize(70, L' ');
  return field + L"|" + size20 + L" " + path;
}

}  // namespace mox::test
