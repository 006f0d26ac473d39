// A workbook held by the engine: its sheets in tab order, its interned text
// and the part of its styles the engine needs (number formats, to tell dates
// and to derive "this style with number format N" for typed input).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "server/engine/sheet.h"
#include "server/engine/string_pool.h"

namespace sheetwright::engine {

class Calculation;

// A defined name as the workbook part keeps it: its formula (references
// with sheet names, "Sheet1!$A$1:$B$9") and the sheet it belongs to (an
// index into Workbook::sheets, -1 for the whole workbook).
struct DefinedName {
  std::wstring name;
  int32_t sheet = -1;
  std::wstring formula;
};

// Built-in number formats the engine gives typed input.
constexpr uint16_t kNumFmtPercent = 9;     // 0%
constexpr uint16_t kNumFmtPercent2 = 10;   // 0.00%
constexpr uint16_t kNumFmtShortDate = 14;  // m/d/yyyy
constexpr uint16_t kNumFmtScientific = 11; // 0.00E+00

// A style the engine asked for: xf `index` is xf `base` with number format
// `numFmtId`. The file layer appends these to cellXfs, in order, on save.
struct DerivedStyle {
  uint32_t base;
  uint16_t numFmtId;
  uint32_t index;
};

class Workbook {
 public:
  Workbook();
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  StringPool strings;
  std::vector<std::unique_ptr<Sheet>> sheets;  // tab order: worksheets and chart sheets
  size_t activeSheet = 0;                      // index into sheets
  std::wstring fullPath;                       // absolute path (or URL)
  std::wstring name;                           // file name part of fullPath
  bool date1904 = false;
  bool dirty = false;  // unsaved changes; false after load and save
  std::unique_ptr<AttachedData> fileData;

  // numFmtId of every xf index. Starts as {0} (the default xf, General); the
  // file layer replaces it with the loaded cellXfs before any DeriveStyle.
  std::vector<uint16_t> styleNumberFormat;
  // Indexed by numFmtId: non-zero for a custom date/time format. Built-in
  // ids 14-22 and 45-47 count as dates without an entry here.
  std::vector<uint8_t> dateStyle;
  // Indexed by numFmtId: non-zero for a custom currency or accounting format
  // (one that shows a currency symbol). Built-in ids 5-8 (currency) and 42
  // and 44 (accounting with the symbol) count without an entry here.
  std::vector<uint8_t> currencyStyle;
  std::vector<DerivedStyle> derivedStyles;
  std::vector<DefinedName> definedNames;
  // The formulas: their programs, dependencies and calculation. Cell::formula
  // is an id of it.
  std::unique_ptr<Calculation> calculation;

  // The text of a formula cell's formula (without '=').
  std::wstring FormulaText(uint32_t formula) const;

  // Whether the cells of xf `style` show a date or time.
  bool IsDateStyle(uint32_t style) const;
  // Whether the cells of xf `style` show a currency amount; their Value is
  // then a currency (VT_CY), as the application answers.
  bool IsCurrencyStyle(uint32_t style) const;
  // The number format of xf `style` (0 for an unknown xf).
  uint16_t NumberFormatOf(uint32_t style) const;
  // The xf index of "baseStyle with number format numFmtId": baseStyle itself
  // when it already has that format, an earlier identical request again, or
  // a new index past the loaded ones (recorded in derivedStyles).
  uint32_t DeriveStyle(uint32_t baseStyle, uint16_t numFmtId);

  // Sheet by name, case-insensitive; null when absent.
  Sheet* FindSheet(std::wstring_view sheetName);
  // Worksheets only (chart sheets skipped), 0-based; null when out of range.
  Sheet* WorksheetAt(size_t index);
  size_t WorksheetCount() const;
  // Index of sheet in `sheets`, or sheets.size().
  size_t IndexOf(const Sheet* sheet) const;
  // Appends an empty worksheet named sheetName and returns it.
  Sheet& AddWorksheet(std::wstring sheetName);
};

// Case-insensitive comparison of sheet names and other identifiers.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace sheetwright::engine
