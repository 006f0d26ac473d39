// Brings the references that package parts hold outside the cells up to
// date with the engine's row, column and block deletions: defined names
// (print areas and titles included) in the workbook part, formulas of
// conditional formats and data validations, table ranges and drawing
// anchors. Each part is rewritten only when one of its references moved.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pugixml.hpp"
#include "server/engine/reference_adjust.h"
#include "server/engine/workbook.h"

namespace sheetwright::files {

// The composed edits of every sheet edited since the last save.
class SheetEditMappers {
 public:
  explicit SheetEditMappers(const engine::Workbook& book);
  bool empty() const { return mappers_.empty(); }
  const engine::EditMapper* For(std::string_view utf8SheetName) const;
  const engine::EditMapper* For(const engine::Sheet& sheet) const;
  engine::NarrowMapperLookup Lookup() const;

 private:
  std::vector<std::pair<const engine::Sheet*, engine::EditMapper>> mappers_;
};

// The workbook part with its defined names adjusted; nullopt when none
// changed. `sheetNames` are the workbook's sheets in tab order (UTF-8), for
// names local to a sheet (localSheetId).
std::optional<std::string> AdjustDefinedNames(std::string_view xml, const std::string& partName,
                                              const SheetEditMappers& mappers);
// Formula texts under `root` (<formula>, <formula1>, <formula2> of
// conditional formats and validations) written on the sheet `ownSheet`.
void AdjustFormulaElements(pugi::xml_node root, std::string_view ownSheet, const SheetEditMappers& mappers);
// A table part: its ref and its auto filter's ref follow the sheet's edits.
std::optional<std::string> AdjustTablePart(std::string_view xml, const std::string& partName,
                                           const engine::EditMapper& mapper);
// A drawing part: the from/to cells of every anchor follow the sheet's edits.
std::optional<std::string> AdjustDrawingPart(std::string_view xml, const std::string& partName,
                                             const engine::EditMapper& mapper);

}  // namespace sheetwright::files
