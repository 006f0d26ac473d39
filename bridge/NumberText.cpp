#include "bridge/NumberText.h"

#include <algorithm>
#include <charconv>
#include <locale>

namespace {

// Enough for any double in fixed notation (DBL_MAX has 309 integer digits)
// with up to kMaxDecimals decimals, sign and point included.
constexpr size_t kFixedBufferSize = 512;
// More decimals than any OLE number text can lend.
constexpr long long kMaxDecimals = 100;

}  // namespace

void FormatNumberLikeOleText(double value, const wchar_t* oleText, size_t oleLength,
                             wchar_t decimalPoint, std::wstring& text) {
  char fixed[kFixedBufferSize];
  // b: characters before the point in the six-decimal form, sign included.
  std::to_chars_result written =
      std::to_chars(fixed, fixed + sizeof(fixed), value, std::chars_format::fixed, 6);
  long long pointIndex = -1;
  if (written.ec == std::errc()) {
    for (const char* p = fixed; p != written.ptr; ++p) {
      if (*p == '.') {
        pointIndex = p - fixed;
        break;
      }
    }
  }
  const long long oleCount = static_cast<long long>(oleLength);
  const bool exponentForm =
      oleText != nullptr && std::find_if(oleText, oleText + oleLength, [](wchar_t c) {
                              return c == L'E' || c == L'e';
                            }) != oleText + oleLength;
  long long decimals = oleCount - pointIndex - 1;
  if (decimals < 0) decimals = 0;

  if (!exponentForm && value != 0 && pointIndex != oleCount && pointIndex != 0 && oleCount != 0 && decimals != 0) {
    if (pointIndex == 1 && decimals == 18) decimals = 16;
    if (decimals > kMaxDecimals) decimals = kMaxDecimals;
    written = std::to_chars(fixed, fixed + sizeof(fixed), value, std::chars_format::fixed,
                            static_cast<int>(decimals));
    if (written.ec == std::errc()) {
      text.assign(fixed, written.ptr);  // ASCII only: widened character by character
      if (decimalPoint != L'.') {
        for (wchar_t& c : text) {
          if (c == L'.') c = decimalPoint;
        }
      }
      return;
    }
  }
  text.assign(oleText != nullptr ? oleText : L"", oleText != nullptr ? oleLength : 0);
}

wchar_t UserDecimalPoint() {
  static const wchar_t point = [] {
    try {
      return std::use_facet<std::numpunct<wchar_t>>(std::locale("")).decimal_point();
    } catch (...) {
      return L'.';
    }
  }();
  return point;
}
