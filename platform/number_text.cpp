#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>

#include "platform/internal/automation_text.h"

namespace {

std::wstring Widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }

bool IsNegativeZeroText(const char* text) {
  return text[0] == '-' && std::strspn(text + 1, "0.") == std::strlen(text + 1);
}

std::wstring MagnitudeText(unsigned __int128 magnitude, int scale, bool negative) {
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  if (scale > 0) {
    if (static_cast<int>(digits.size()) <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    digits.insert(digits.size() - scale, 1, '.');
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  if (negative && digits != "0") digits.insert(0, 1, '-');
  return Widen(digits.c_str());
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0xA0; }

// printf's "%.*G" and "%.*f" of a finite value, through to_chars (which
// gives the same digits as printf in the "C" locale, without its cost).
void PrintReal(char* text, size_t size, double value, int digits, bool general) {
  if (std::isfinite(value)) {
    const std::to_chars_result r = std::to_chars(
        text, text + size - 1, value, general ? std::chars_format::general : std::chars_format::fixed, digits);
    if (r.ec == std::errc()) {
      *r.ptr = '\0';
      if (general) {
        if (char* exponent = std::strchr(text, 'e')) *exponent = 'E';
      }
      return;
    }
  }
  std::snprintf(text, size, general ? "%.*G" : "%.*f", digits, value);
}

}  // namespace

std::wstring FormatRealText(double value, int significantDigits) {
  char text[400];
  PrintReal(text, sizeof text, value, significantDigits, true);
  if (IsNegativeZeroText(text)) return L"0";
  return Widen(text);
}

std::wstring FormatCurrencyText(LONGLONG scaled) {
  const bool negative = scaled < 0;
  unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(scaled)
                                          : static_cast<unsigned long long>(scaled);
  return MagnitudeText(magnitude, 4, negative);
}

std::wstring FormatDecimalText(const DECIMAL& value) {
  unsigned __int128 magnitude = (static_cast<unsigned __int128>(value.Hi32) << 64) | value.Lo64;
  return MagnitudeText(magnitude, value.scale, (value.sign & DECIMAL_NEG) != 0);
}

HRESULT ParseNumberText(std::wstring_view text, ParsedNumber* number) {
  size_t at = 0;
  size_t end = text.size();
  while (at < end && IsBlank(text[at])) ++at;
  while (end > at && IsBlank(text[end - 1])) --end;
  bool negative = false;
  if (at < end && (text[at] == L'+' || text[at] == L'-')) {
    negative = text[at] == L'-';
    ++at;
  } else if (at < end && text[at] == L'(' && end - at >= 2 && text[end - 1] == L')') {
    negative = true;
    ++at;
    --end;
  }
  // The en-US currency symbol may stand before the digits ("$5", "-$5").
  if (at < end && text[at] == L'$') ++at;
  if (at >= end) return DISP_E_TYPEMISMATCH;

  ParsedNumber result;
  result.negative = negative;
  if (text[at] == L'&') {
    if (at + 2 >= end) return DISP_E_TYPEMISMATCH;
    const wchar_t radixMark = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(text[at + 1])));
    const unsigned radix = radixMark == L'H' ? 16 : radixMark == L'O' ? 8 : 0;
    if (radix == 0) return DISP_E_TYPEMISMATCH;
    unsigned long long magnitude = 0;
    for (size_t i = at + 2; i < end; ++i) {
      const wchar_t c = text[i];
      unsigned digit = c >= L'0' && c <= L'9' ? c - L'0'
                       : c >= L'a' && c <= L'f' ? c - L'a' + 10
                       : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                : 99;
      if (digit >= radix) return DISP_E_TYPEMISMATCH;
      if (magnitude > (~0ull - digit) / radix) return DISP_E_OVERFLOW;
      magnitude = magnitude * radix + digit;
    }
    result.exact = true;
    result.magnitude = magnitude;
    result.value = negative ? -static_cast<double>(magnitude) : static_cast<double>(magnitude);
    *number = result;
    return S_OK;
  }

  // Normalise to "[-]digits[.digits][e[-]digits]" for strtod.
  std::string plain = negative ? "-" : "";
  bool sawDigit = false;
  bool sawPoint = false;
  bool exact = true;
  unsigned __int128 magnitude = 0;
  size_t i = at;
  for (; i < end; ++i) {
    const wchar_t c = text[i];
    if (c >= L'0' && c <= L'9') {
      sawDigit = true;
      plain += static_cast<char>(c);
      if (!sawPoint) {
        magnitude = magnitude * 10 + static_cast<unsigned>(c - L'0');
        if (magnitude > ~0ull) exact = false;
      } else if (c != L'0') {
        exact = false;
      }
    } else if (c == L',' && !sawPoint && sawDigit) {
      continue;
    } else if (c == L'.' && !sawPoint) {
      sawPoint = true;
      plain += '.';
    } else {
      break;
    }
  }
  if (!sawDigit) return DISP_E_TYPEMISMATCH;
  if (i < end && (text[i] == L'e' || text[i] == L'E' || text[i] == L'd' || text[i] == L'D')) {
    plain += 'e';
    ++i;
    if (i < end && (text[i] == L'+' || text[i] == L'-')) plain += static_cast<char>(text[i++]);
    const size_t digitsStart = i;
    while (i < end && text[i] >= L'0' && text[i] <= L'9') plain += static_cast<char>(text[i++]);
    if (i == digitsStart) return DISP_E_TYPEMISMATCH;
    exact = false;
  }
  if (i != end) return DISP_E_TYPEMISMATCH;

  result.value = std::strtod(plain.c_str(), nullptr);
  if (std::isinf(result.value)) return DISP_E_OVERFLOW;
  result.exact = exact;
  result.magnitude = exact ? static_cast<unsigned long long>(magnitude) : 0;
  *number = result;
  return S_OK;
}
