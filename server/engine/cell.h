// One cell of a worksheet and the error values a cell can hold.
//
// A Cell is a small value type (at most 24 bytes). Its type decides which
// fields are meaningful:
//   Number, Date  -> number (a Date is the serial in the workbook's date system)
//   Text          -> text (a string id of the workbook's StringPool)
//   Boolean       -> boolean
//   Error         -> error
//   Empty         -> nothing; with style != 0 it is a formatted empty cell,
//                    which is kept and written back on save.
// formula != 0 marks a formula cell: it is the string id of the formula text
// without its leading '='; the value fields then hold the cached value.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sheetwright::engine {

enum class CellType : uint8_t { Empty, Number, Text, Boolean, Error, Date };

enum class ErrorValue : uint8_t { Null, Div0, Value, Ref, Name, Num, NA };

// "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A".
const wchar_t* ErrorValueText(ErrorValue error);
// The reverse of ErrorValueText (exact, case-insensitive); nullopt otherwise.
std::optional<ErrorValue> ParseErrorValue(std::wstring_view text);
// The application's error numbers: 2000, 2007, 2015, 2023, 2029, 2036, 2042.
int32_t ErrorValueNumber(ErrorValue error);
// The reverse of ErrorValueNumber; nullopt for any other number.
std::optional<ErrorValue> ErrorValueFromNumber(int32_t number);

struct Cell {
  double number = 0;
  uint32_t text = 0;
  uint32_t formula = 0;
  uint32_t style = 0;
  CellType type = CellType::Empty;
  bool boolean = false;
  ErrorValue error = ErrorValue::Null;

  // Holds a value or a formula (a formatted empty cell does not).
  bool HasContent() const { return type != CellType::Empty || formula != 0; }
  // Takes part in the used range: content or a style.
  bool IsUsed() const { return HasContent() || style != 0; }
  // Drops value and formula, keeps the style.
  void ClearContent() {
    const uint32_t keep = style;
    *this = Cell{};
    style = keep;
  }
};
static_assert(sizeof(Cell) <= 24, "Cell must stay small");

}  // namespace sheetwright::engine
