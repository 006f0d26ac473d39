// Text put into a cell is read as the application reads typed input:
//   ""                     -> the cell is emptied (its style stays)
//   "'text"                -> the text after the apostrophe, always text
//   "=..."                 -> a formula (rejected when plainly malformed)
//   "12", "-1.5", "1E3", "00123", "1,000"  -> numbers
//   "50%"                  -> 0.5 with a percent format
//   "TRUE", "false"        -> Booleans
//   "#N/A", "#DIV/0!" ...  -> error values
//   "1/2/2020", "2020-01-02", "13:45", "1/2/2020 8:30 AM" -> date serials with a date format
//   anything else          -> text
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "server/engine/cell.h"

namespace sheetwright::engine {

class Workbook;
class Sheet;

struct TypedValue {
  enum class Kind : uint8_t { Empty, Number, Text, Boolean, Error, Formula, Invalid };
  Kind kind = Kind::Empty;
  double number = 0;
  std::wstring text;  // Text: the text; Formula: the formula without '='
  bool boolean = false;
  ErrorValue error = ErrorValue::Null;
  uint16_t numberFormat = 0;  // non-zero: the format typing implies (percent, date ...)
};

TypedValue InterpretTypedText(std::wstring_view text);

// Writes value into (row, col), keeping the cell's style except where the
// typed form implies a number format (then Workbook::DeriveStyle). An Invalid
// value is not written; the function returns false for it.
bool StoreTypedValue(Workbook& book, Sheet& sheet, int32_t row, int32_t col, const TypedValue& value);

}  // namespace sheetwright::engine
