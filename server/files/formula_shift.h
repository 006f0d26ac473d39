// Moves the relative cell references of a formula by a row and column
// offset, as the application does when it fills a shared formula from its
// first cell to the others. Absolute parts ($A$1) stay; text in double
// quotes and sheet names in single quotes are left alone; a reference moved
// off the sheet becomes #REF!.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sheetwright::files {

std::string ShiftFormula(std::string_view formula, int32_t rowOffset, int32_t colOffset);

}  // namespace sheetwright::files
