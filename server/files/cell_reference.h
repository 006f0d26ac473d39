// A1-style cell references as they appear in package parts ("B7", "$B$7",
// "A1:C3", "A1 C3:D4" in sqref lists, "A:C" and "2:5" in some writers), and
// how a reference moves when the engine deletes rows, columns or blocks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/engine/sheet.h"

namespace sheetwright::files {

struct CellPos {
  int32_t row = 0;
  int32_t col = 0;
};

// "B7" or "$B$7" -> (7, 2). Nullopt when malformed or out of the sheet.
std::optional<CellPos> ParseCellRef(std::string_view text);
// Column letters of `col` ("A", "AB").
void AppendColumnLetters(int32_t col, std::string& out);
void AppendCellRef(int32_t row, int32_t col, std::string& out);
std::string CellRef(int32_t row, int32_t col);

// "A1:C3", "B2" (a single cell), "A:C" (whole columns) or "2:5" (whole rows).
std::optional<engine::CellRect> ParseRangeRef(std::string_view text);
// "A1" for a single cell, otherwise "A1:C3".
std::string RangeRef(const engine::CellRect& rect);
// A space-separated list of ranges (sqref); malformed items are dropped.
std::vector<engine::CellRect> ParseSqref(std::string_view text);
std::string SqrefText(const std::vector<engine::CellRect>& rects);

// Where `rect` lies after `edit`: moved or shrunk with the cells it covers,
// or nullopt when all of it was deleted. A block edit that cuts a rectangle
// so it could no longer be one keeps it where it was (the application
// refuses such a deletion for merged cells; keeping is the safe choice).
std::optional<engine::CellRect> MoveRect(const engine::CellRect& rect, const engine::StructuralEdit& edit);
std::optional<CellPos> MovePos(CellPos pos, const engine::StructuralEdit& edit);

}  // namespace sheetwright::files
