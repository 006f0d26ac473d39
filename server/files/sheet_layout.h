// The worksheet XML around <sheetData>, brought in line with the engine's
// sheet on save: <dimension> from the used range, the first sheet view's
// selection and tabSelected flag, and, through the row, column and block
// deletions the engine recorded (composed, so the markup is walked once
// however many there were), merged cells, column ranges (<col>), sqref
// lists (conditional formats, data validation, selections, ignored errors),
// hyperlinks and the auto filter moved with the cells they cover, dropped
// when all of it was deleted, and the formulas of conditional formats and
// validations adjusted.
//
// Not moved: references inside <extLst> extensions; they are kept as written.
#pragma once

#include <optional>
#include <string>

#include "server/engine/sheet.h"

namespace sheetwright::files {

struct SheetLayout {
  std::string prefix;  // up to the <sheetData> start tag
  std::string suffix;  // after </sheetData>
  std::string sheetDataQName = "sheetData";
  // The AutoFilter was switched off: the <autoFilter> element goes.
  bool dropAutoFilter = false;
};

class SheetEditMappers;
// `mappers` (may be null) moves the references inside formulas of
// conditional formats and validations.
void AdjustSheetLayout(SheetLayout& layout, const engine::Sheet& sheet, bool tabSelected, const std::string& partName,
                       const SheetEditMappers* mappers = nullptr);

// Parses the kept markup around the cell data the way AdjustSheetLayout
// will, so a sheet a save could not rewrite is refused when it is read.
// Returns the sheet's AutoFilter range, if it has one. Throws FileError.
std::optional<engine::CellRect> CheckSheetLayout(const std::string& prefix, const std::string& sheetDataQName, const std::string& suffix,
                      const std::string& partName);

}  // namespace sheetwright::files
