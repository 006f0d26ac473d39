// Date serials: "2020-01-02T03:04:05" (ISO 8601, as in t="d" cells) to the
// workbook's serial number, in the 1900 system (day 1 = 1900-01-01, with the
// application's phantom 1900-02-29 as day 60) or the 1904 system.
#pragma once

#include <optional>
#include <string_view>

namespace sheetwright::files {

std::optional<double> IsoDateToSerial(std::string_view iso, bool date1904);

}  // namespace sheetwright::files
