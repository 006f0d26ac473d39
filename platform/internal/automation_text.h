// Text forms of OLE Automation values as VariantChangeType produces and reads
// them, for the en-US locale ('.' decimal point, M/D/YYYY dates, 12-hour
// times).
#pragma once

#include <string>
#include <string_view>

#include "platform/variant_types.h"

// significantDigits is 15 for VT_R8 and 7 for VT_R4: "%.<n>G" (exponent
// form below 1E-04 and from 1E+<n> on, as 1.2E-06); negative zero is "0".
std::wstring FormatRealText(double value, int significantDigits);
// Four implied decimals, trailing zeros dropped: 15000 -> "1.5".
std::wstring FormatCurrencyText(LONGLONG scaled);
std::wstring FormatDecimalText(const DECIMAL& value);
// Date only for whole days, time only when the day part is 0, both otherwise.
// False when the date lies outside 1/1/100 - 12/31/9999.
bool FormatDateText(DATE value, std::wstring* text);

// A number read from text: exact when it is an integer that fits in 64 bits.
struct ParsedNumber {
  bool exact = false;
  bool negative = false;
  unsigned long long magnitude = 0;  // when exact
  double value = 0;                  // always
};
// Accepts surrounding blanks, a sign or parentheses for a negative number, a
// leading "$",
// digits with ',' group separators, a '.' fraction, an exponent, and "&H"
// hexadecimal or "&O" octal integers. DISP_E_TYPEMISMATCH for anything else,
// DISP_E_OVERFLOW beyond the range of a double.
HRESULT ParseNumberText(std::wstring_view text, ParsedNumber* number);

// Accepts "M/D/YYYY" (or two-digit years: 00-29 are 20xx, 30-99 19xx),
// "YYYY-MM-DD", either followed by a time, or a time alone: "h:mm[:ss]"
// with an optional AM/PM. False for anything else.
bool ParseDateText(std::wstring_view text, DATE* value);
