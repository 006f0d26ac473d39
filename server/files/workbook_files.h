// Opening and saving workbook files: .xlsx/.xlsm (and their template forms)
// recognised by content, .csv by extension. Nothing here throws: every
// failure comes back as a FileStatus whose description a person can act on,
// ready to be raised as DISP_E_EXCEPTION.
#pragma once

#include <string>

#include "platform/windows_api.h"
#include "server/engine/workbook.h"

namespace sheetwright::files {

struct FileStatus {
  HRESULT hr = S_OK;
  std::wstring description;
  bool ok() const { return SUCCEEDED(hr); }
};

// Loads `path` into `into` (expected empty) and sets fullPath (absolute)
// and name. On failure `into` may hold a partial load and should be
// discarded.
FileStatus LoadWorkbook(const std::wstring& path, engine::Workbook& into);

// Writes `workbook` to workbook.fullPath in the format it came from (a
// workbook that never had a file: by the path's extension, .csv or a package),
// atomically. On success clears dirty, each sheet's modified flag and edits;
// on failure the file on disk and the workbook are unchanged.
FileStatus SaveWorkbook(engine::Workbook& workbook);

}  // namespace sheetwright::files
