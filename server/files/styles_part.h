// The styles part: what the engine needs from it on load (the number format
// of every cell format, and which formats show dates), and the cell formats
// the engine derived, appended on save.
#pragma once

#include <string>
#include <string_view>

#include "server/engine/workbook.h"

namespace sheetwright::files {

// Whether a number format code shows a date or time: d, m, y, h or s outside
// quoted text, escapes and bracketed colours/conditions/locales ([h], [mm]
// and [ss] elapsed-time codes count).
bool IsDateFormatCode(std::string_view code);

// Whether a number format code shows a currency amount: it is no date format
// and holds a currency symbol ($, €, £, ¥), quoted or in a locale tag such as
// [$€-407]; a locale tag without a symbol ([$-409]) does not count.
bool IsCurrencyFormatCode(std::string_view code);

// Fills workbook.styleNumberFormat (one entry per cellXfs xf),
// workbook.dateStyle and workbook.currencyStyle; returns the number of xfs
// loaded.
uint32_t ReadStyles(std::string_view xml, const std::string& partName, engine::Workbook& workbook);

// `xml` with workbook.derivedStyles[firstDerived..] appended to cellXfs
// (each a copy of its base xf with the new numFmtId and
// applyNumberFormat="1").
std::string AppendDerivedStyles(std::string_view xml, const std::string& partName, const engine::Workbook& workbook,
                                size_t firstDerived);

// A minimal styles part holding the default xf and the derived ones.
std::string MinimalStyles(const engine::Workbook& workbook);

}  // namespace sheetwright::files
