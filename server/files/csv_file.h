// .csv files: one sheet named after the file (without its extension),
// comma-separated fields, double-quoted where they hold commas, quotes or
// line breaks, UTF-8 with or without a byte-order mark. Each field is read
// as typed text is (numbers, percentages, TRUE/FALSE, error values, dates),
// except that a leading '=' does not make a formula. Saving writes the
// active worksheet (the only one a .csv file can hold) the same way, with
// CRLF line ends and the byte-order mark only if the loaded file had one.
#pragma once

#include <string>
#include <string_view>

#include "server/engine/workbook.h"

namespace sheetwright::files {

// Throws FileError.
void LoadCsv(const std::string& path, const std::string& displayName, engine::Workbook& workbook);
void SaveCsv(engine::Workbook& workbook, const std::string& path, const std::string& displayName);

// Parses CSV text into `sheet` (exposed for tests). Throws FileError when the
// text holds more rows or columns than a sheet.
void ParseCsvInto(std::string_view text, engine::Workbook& workbook, engine::Sheet& sheet,
                  const std::string& displayName);
// The CSV text of `sheet`, without a byte-order mark.
std::string CsvText(const engine::Workbook& workbook, const engine::Sheet& sheet);

}  // namespace sheetwright::files
