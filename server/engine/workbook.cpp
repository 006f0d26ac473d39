#include "server/engine/workbook.h"

#include "server/engine/calculation.h"

#include "server/engine/case_fold.h"

namespace sheetwright::engine {

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

Workbook::Workbook() : styleNumberFormat{0}, calculation(std::make_unique<Calculation>(*this)) {}
Workbook::~Workbook() = default;

std::wstring Workbook::FormulaText(uint32_t formula) const { return calculation->FormulaText(formula); }

uint16_t Workbook::NumberFormatOf(uint32_t style) const {
  return style < styleNumberFormat.size() ? styleNumberFormat[style] : 0;
}

bool Workbook::IsDateStyle(uint32_t style) const {
  if (style == 0) return false;
  const uint16_t id = NumberFormatOf(style);
  if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47)) return true;
  return id < dateStyle.size() && dateStyle[id] != 0;
}

bool Workbook::IsCurrencyStyle(uint32_t style) const {
  if (style == 0) return false;
  const uint16_t id = NumberFormatOf(style);
  if ((id >= 5 && id <= 8) || id == 42 || id == 44) return true;
  return id < currencyStyle.size() && currencyStyle[id] != 0;
}

uint32_t Workbook::DeriveStyle(uint32_t baseStyle, uint16_t numFmtId) {
  if (NumberFormatOf(baseStyle) == numFmtId && baseStyle < styleNumberFormat.size()) return baseStyle;
  for (const DerivedStyle& derived : derivedStyles)
    if (derived.base == baseStyle && derived.numFmtId == numFmtId) return derived.index;
  if (styleNumberFormat.empty()) styleNumberFormat.push_back(0);
  const uint32_t index = uint32_t(styleNumberFormat.size());
  styleNumberFormat.push_back(numFmtId);
  derivedStyles.push_back({baseStyle, numFmtId, index});
  return index;
}

Sheet* Workbook::FindSheet(std::wstring_view sheetName) {
  for (auto& sheet : sheets)
    if (EqualsNoCase(sheet->name, sheetName)) return sheet.get();
  return nullptr;
}

Sheet* Workbook::WorksheetAt(size_t index) {
  for (auto& sheet : sheets) {
    if (sheet->kind != SheetKind::Worksheet) continue;
    if (index == 0) return sheet.get();
    --index;
  }
  return nullptr;
}

size_t Workbook::WorksheetCount() const {
  size_t count = 0;
  for (const auto& sheet : sheets) count += sheet->kind == SheetKind::Worksheet;
  return count;
}

size_t Workbook::IndexOf(const Sheet* sheet) const {
  for (size_t i = 0; i < sheets.size(); ++i)
    if (sheets[i].get() == sheet) return i;
  return sheets.size();
}

Sheet& Workbook::AddWorksheet(std::wstring sheetName) {
  sheets.push_back(std::make_unique<Sheet>());
  sheets.back()->name = std::move(sheetName);
  return *sheets.back();
}

}  // namespace sheetwright::engine
