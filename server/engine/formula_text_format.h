// The number formats TEXT() applies: General, "@", digit placeholders
// (0 # ?), decimals, thousands separators and scaling commas, percent,
// scientific (0.00E+00), literal text ("..." \x and the usual symbols),
// up to three sections (positive;negative;zero), colours ignored, and dates
// and times (yyyy yy mmmm mmm mm m dddd ddd dd d hh h mm ss AM/PM A/P).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sheetwright::engine {

class Workbook;

// nullopt when the format is not one of those (or the value is no date for
// a date format).
std::optional<std::wstring> FormatNumberText(double value, std::wstring_view format, const Workbook& book);

}  // namespace sheetwright::engine
