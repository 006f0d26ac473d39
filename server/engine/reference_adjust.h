// How deletions of rows, columns or shifted blocks move the references that
// point into a sheet: a reference follows the cells it names, a range
// shrinks when it loses rows or columns, and a reference whose cells are all
// gone becomes #REF!, as the spreadsheet application does.
//
// EditMapper composes a series of a sheet's structural edits once, so that
// each reference is mapped through the whole series in about O(log n):
// consecutive row deletions (and consecutive column deletions) are merged
// into one sorted set of deleted original numbers. Consecutive blocks
// shifted up are merged the same way per column band (the columns c1..c2
// they move), as long as the run's bands are equal or disjoint: a block only
// moves references wholly inside its band, so blocks of disjoint bands
// commute. Blocks shifted left likewise, per row band.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "server/engine/formula_tokens.h"
#include "server/engine/sheet.h"

namespace sheetwright::engine {

class EditMapper {
 public:
  explicit EditMapper(std::span<const StructuralEdit> edits);

  bool empty() const { return steps_.empty(); }
  // Moves `ref` to where its cells are after the edits; false when all of
  // them were deleted. An Invalid reference stays as it is (true).
  bool Map(FormulaReference& ref) const;
  // The same for a rectangle; nullopt when all of it was deleted.
  std::optional<CellRect> MapRect(const CellRect& rect) const;

 private:
  // The columns lo..hi of blocks shifted up (rows lo..hi of blocks shifted
  // left) and the rows (columns) deleted in them, sorted original numbers.
  struct Band {
    int32_t lo, hi;
    std::vector<int32_t> deleted;
  };
  struct Step {
    EditKind kind;
    std::vector<int32_t> deleted;  // DeleteRows/DeleteColumns: sorted original numbers
    std::vector<Band> bands;       // DeleteShiftUp/DeleteShiftLeft: disjoint, sorted by lo
  };
  // The band lo..hi of the last step when it can take one (adding it when
  // new); null when the band overlaps one of the step's others.
  Band* BandFor(Step& step, int32_t lo, int32_t hi);
  std::vector<Step> steps_;
};

// Rewrites, in `formula` (the text of a formula on the sheet named
// `ownSheet`, without '='), every reference into a sheet for which
// `mapperFor` gives a mapper: moved, shrunk, or replaced by #REF! (the
// sheet prefix is kept). References into other workbooks and 3-D
// references are left alone. Returns whether the text changed.
using MapperLookup = std::function<const EditMapper*(std::wstring_view sheetName)>;
bool AdjustFormulaReferences(std::wstring& formula, std::wstring_view ownSheet, const MapperLookup& mapperFor);
// The same for UTF-8 text as file parts hold it.
using NarrowMapperLookup = std::function<const EditMapper*(std::string_view sheetName)>;
bool AdjustFormulaReferences(std::string& formula, std::string_view ownSheet, const NarrowMapperLookup& mapperFor);

class Workbook;
// Applies the structural edits made since the last call to the formulas of
// every sheet of `book` (other sheets' references into an edited sheet
// included). Cheap when nothing was edited; one pass over the formula cells
// otherwise, however many edits there were.
void SettleFormulaReferences(Workbook& book);

}  // namespace sheetwright::engine
