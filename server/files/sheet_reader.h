// Streams one worksheet part into an engine sheet: the cells of <sheetData>
// (values, cached formula results, formulas, styles, row attributes), the
// active cell and selection of the first sheet view, and the raw XML before
// and after <sheetData>, kept so a save can write it back unchanged.
#pragma once

#include <cstdint>

#include "server/engine/workbook.h"
#include "server/files/package_data.h"
#include "server/files/xml_scanner.h"

namespace sheetwright::files {

// `partBytes` (the part's uncompressed size) bounds how much row storage the
// sheet's stated dimension may reserve ahead.
void ReadWorksheet(XmlScanner& scanner, engine::Workbook& workbook, WorkbookFileData& bookData, engine::Sheet& sheet,
                   SheetFileData& sheetData, uint64_t partBytes);

}  // namespace sheetwright::files
