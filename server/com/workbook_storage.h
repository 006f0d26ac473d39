// Reading and writing workbook files for the object model: "Workbooks.Open"
// and "Workbook.Save" go through here to the file layer.
#pragma once

#include <string>

#include "platform/windows_api.h"
#include "server/engine/workbook.h"

namespace sheetwright::server {

struct StorageResult {
  HRESULT hr = S_OK;
  std::wstring description;
  bool ok() const { return SUCCEEDED(hr); }
};

StorageResult LoadWorkbookFile(const std::wstring& path, engine::Workbook& into);
StorageResult SaveWorkbookFile(engine::Workbook& workbook);

}  // namespace sheetwright::server
