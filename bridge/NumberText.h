// The text of a cell's number, as the cell reads show it.
//
// The OLE text form of a number (VariantChangeType to VT_BSTR) decides how
// many decimals the result carries: the number is written in fixed notation
// with as many decimals as follow the point when the OLE text is laid over
// the number's "%f" form, so a number whose OLE text is in plain form comes
// out with the OLE text's own digits. A number whose OLE text is in exponent
// form (1.2E-06, 5.6789E-12, 1E+20) is answered with the OLE text itself:
// laying it over the fixed form would keep only as many decimals as the
// exponent text has characters (1.2E-06 -> 0.00000) and lose the value.
// When no decimals result, the OLE text itself is the answer (1234, 0).
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
