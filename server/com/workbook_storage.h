// Reading and writing workbook files for the object model: "Workbooks.Open"
// and "Workbook.Save" go through here to the file layer.
#pragma once

#include <string>

#include "server/engine/workbook.h"
#include "server/files/workbook_files.h"

namespace sheetwright::server {

// The file layer's status: an HRESULT and the description the object model
// raises with it.
using StorageResult = files::FileStatus;

StorageResult LoadWorkbookFile(const std::wstring& path, engine::Workbook& into);
StorageResult SaveWorkbookFile(engine::Workbook& workbook);

// The sheet's AutoFilter: whether it is on, and switching it off (the range
// goes and the rows it hid are shown; false when there was none).
bool SheetHasAutoFilter(const engine::Sheet& sheet);
bool RemoveSheetAutoFilter(engine::Workbook& workbook, engine::Sheet& sheet);

}  // namespace sheetwright::server
