// The worksheet XML around <sheetData>, brought in line with the engine's
// sheet on save: <dimension> from the used range, the first sheet view's
// selection and tabSelected flag, and, for every row, column or block
// deletion the engine recorded, merged cells, column ranges (<col>), sqref
// lists (conditional formats, data validation, selections, ignored errors),
// hyperlinks and the auto filter moved with the cells they cover, dropped
// when all of it was deleted.
//
// Not moved: formulas inside conditional formats and data validation, and
// references inside <extLst> extensions; they are kept as written.
#pragma once

#include <string>

#include "server/engine/sheet.h"

namespace sheetwright::files {

struct SheetLayout {
  std::string prefix;  // up to the <sheetData> start tag
  std::string suffix;  // after </sheetData>
  std::string sheetDataQName = "sheetData";
};

class SheetEditMappers;
// `mappers` (may be null) moves the references inside formulas of
// conditional formats and validations.
void AdjustSheetLayout(SheetLayout& layout, const engine::Sheet& sheet, bool tabSelected, const std::string& partName,
                       const SheetEditMappers* mappers = nullptr);

// Parses the kept markup around the cell data the way AdjustSheetLayout
// will, so a sheet a save could not rewrite is refused when it is read.
// Throws FileError.
void CheckSheetLayout(const std::string& prefix, const std::string& sheetDataQName, const std::string& suffix,
                      const std::string& partName);

}  // namespace sheetwright::files
