// How a field of a .csv file becomes a cell value: the way text typed into
// a cell is read. Numbers (with an optional sign, decimals, exponent and
// thousands separators in groups of three), percentages ("50%" is 0.5 shown
// as a percentage), TRUE and FALSE in any case, the error values (#N/A ...)
// and dates in month/day/year or year-month-day order become values; every
// other field stays text, a leading '=' included (a .csv file is data, and
// formulas in it are not run).
#pragma once

#include <string_view>

#include "server/engine/workbook.h"

namespace sheetwright::files {

// Stores `field` (UTF-8) into `cell` of `workbook`; a percentage or a date
// also gets a derived cell format.
void PutTypedField(std::string_view field, engine::Workbook& workbook, engine::Cell& cell);

// The number `text` reads as, if it is one ("1,234.5", "-1E3", " 42 ").
std::optional<double> ParseTypedNumber(std::string_view text);

}  // namespace sheetwright::files
