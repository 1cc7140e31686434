#include "moxwin/shell/numbers.h"

#include <cwchar>

#include "moxwin/shell/file_status.h"

namespace mox::shell {

namespace {

constexpr int kSeparatorCap = 10;  // 9 characters
constexpr int kDateTextCap = 60;

struct NumberFormat {
  NUMBERFMTW format = {};  // pointers set by prepare_number_format
  wchar_t decimal[kSeparatorCap] = L".";
  wchar_t thousands[kSeparatorCap] = L",";
} g_number;

DWORD read_locale(LCTYPE type, wchar_t* out, int cap) {
  return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, out, cap) ? 0 : GetLastError();
}

UINT locale_number(LCTYPE type, DWORD* error) {
  wchar_t text[kSeparatorCap];
  DWORD failed = read_locale(type, text, kSeparatorCap);
  if (failed) {
    *error = failed;
    return 0;
  }
  return static_cast<UINT>(std::wcstoul(text, nullptr, 10));
}

}  // namespace

DWORD prepare_number_format() {
  DWORD error = 0;
  NUMBERFMTW& f = g_number.format;
  f.NumDigits = 0;
  f.LeadingZero = locale_number(LOCALE_ILZERO, &error);
  f.Grouping = locale_number(LOCALE_SGROUPING, &error);  // "3;0" reads as 3
  if (DWORD failed = read_locale(LOCALE_SDECIMAL, g_number.decimal, kSeparatorCap)) error = failed;
  if (DWORD failed = read_locale(LOCALE_SMONTHOUSANDSEP, g_number.thousands, kSeparatorCap)) error = failed;
  f.NegativeOrder = locale_number(LOCALE_INEGNUMBER, &error);
  f.lpDecimalSep = g_number.decimal;
  f.lpThousandSep = g_number.thousands;
  return error;
}

std::wstring grouped(int64_t number) {
  wchar_t digits[24];
  std::swprintf(digits, 24, L"%lld", static_cast<long long>(number));
  wchar_t text[30];  // 29 characters
  if (GetNumberFormatW(LOCALE_USER_DEFAULT, 0, digits, &g_number.format, text, 30) == 0) return digits;
  return text;
}

int64_t current_time() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

// SystemTimeToTzSpecificLocalTime is in every 64-bit Windows, so the
// conversion by the current offset, for systems without it, is not built.
bool local_time(int64_t file_time, SYSTEMTIME* local) {
  if (file_time < 0) return false;
  FILETIME utc_file = {static_cast<DWORD>(file_time), static_cast<DWORD>(static_cast<uint64_t>(file_time) >> 32)};
  SYSTEMTIME utc;
  return FileTimeToSystemTime(&utc_file, &utc) && SystemTimeToTzSpecificLocalTime(nullptr, &utc, local);
}

std::wstring date_text(int64_t file_time) {
  if (file_time == kUnknown) return {};
  SYSTEMTIME local;
  wchar_t text[kDateTextCap];
  if (!local_time(file_time, &local)) return L"date time format error";
  int date = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &local, nullptr, text, kDateTextCap);
  if (date == 0 || date >= kDateTextCap - 1) return L"date time format error";
  text[date - 1] = L' ';
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, text + date, kDateTextCap - date) == 0)
    return L"date time format error";
  return text;
}

}  // namespace mox::shell
