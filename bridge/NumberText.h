// The text of a cell's number, as the cell reads show it.
//
// The OLE text form of a number (VariantChangeType to VT_BSTR) decides how
// many decimals the result carries: the number is written in fixed notation
// with as many decimals as follow the point when the OLE text is laid over
// the number's "%f" form. A number whose OLE text is in plain form comes out
// with the OLE text's own digits; one whose OLE text is in exponent form
// comes out in fixed form (1.2E-06 -> 0.00000); when no decimals result, the
// OLE text itself is the answer (1234, 1E+20, 0).
#pragma once

#include <cstddef>
#include <string>

// Writes into `text` the cell text of `value`, given `oleText` (`oleLength`
// characters), its OLE text form. `decimalPoint` replaces "." in the fixed
// form; the OLE text is used as it is.
void FormatNumberLikeOleText(double value, const wchar_t* oleText, size_t oleLength,
                             wchar_t decimalPoint, std::wstring& text);

// The decimal point of the user's default locale (the environment's numeric
// locale), "." when that locale cannot be read. Read once per process.
wchar_t UserDecimalPoint();
