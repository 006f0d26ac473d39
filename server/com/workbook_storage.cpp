#include "server/com/workbook_storage.h"

namespace sheetwright::server {

StorageResult LoadWorkbookFile(const std::wstring& path, engine::Workbook& into) {
  return files::LoadWorkbook(path, into);
}

StorageResult SaveWorkbookFile(engine::Workbook& workbook) { return files::SaveWorkbook(workbook); }

}  // namespace sheetwright::server
