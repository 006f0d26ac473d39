// Streams one worksheet part into an engine sheet: the cells of <sheetData>
// (values, cached formula results, formulas, styles, row attributes), the
// active cell and selection of the first sheet view, and the raw XML before
// and after <sheetData>, kept so a save can write it back unchanged.
#pragma once

#include "server/engine/workbook.h"
#include "server/files/package_data.h"
#include "server/files/xml_scanner.h"

namespace sheetwright::files {

void ReadWorksheet(XmlScanner& scanner, engine::Workbook& workbook, WorkbookFileData& bookData, engine::Sheet& sheet,
                   SheetFileData& sheetData);

}  // namespace sheetwright::files
