// The search order of Find over the areas of a range.
//
// The cells of an area form a sequence: by rows (left to right along a row,
// then the next row down) or by columns (top to bottom, then the next column
// right); the areas follow one another. A search starts with the cell after
// `after`, runs to the end of the sequence, wraps to its start and examines
// `after` itself last; searching backwards walks the same sequence the other
// way. Only stored cells are visited, so a search costs the cells it passes,
// not the size of the areas.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "server/engine/sheet.h"

namespace sheetwright::engine {

struct CellPosition {
  int32_t row, col;
  bool operator==(const CellPosition&) const = default;
};

struct SearchOrder {
  bool byRows = true;
  bool forward = true;
};

// The first cell in search order, starting after `after` (which must lie in
// one of the areas), for which accept(row, col, cell) is true; nullopt when
// no cell is accepted.
std::optional<CellPosition> SearchAreas(const Sheet& sheet, const std::vector<CellRect>& areas, CellPosition after,
                                        SearchOrder order,
                                        const std::function<bool(int32_t, int32_t, const Cell&)>& accept);

}  // namespace sheetwright::engine
