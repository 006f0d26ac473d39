#include "server/com/workbook_storage.h"

#include "server/files/auto_filter.h"

namespace sheetwright::server {

StorageResult LoadWorkbookFile(const std::wstring& path, engine::Workbook& into) {
  return files::LoadWorkbook(path, into);
}

StorageResult SaveWorkbookFile(engine::Workbook& workbook) { return files::SaveWorkbook(workbook); }

bool SheetHasAutoFilter(const engine::Sheet& sheet) { return files::AutoFilterRange(sheet).has_value(); }

bool RemoveSheetAutoFilter(engine::Workbook& workbook, engine::Sheet& sheet) {
  return files::RemoveAutoFilter(workbook, sheet);
}

}  // namespace sheetwright::server
