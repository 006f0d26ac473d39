// Saves a workbook as a package. A workbook loaded from a package is written
// back with every part the engine did not change copied byte for byte;
// changed worksheets are regenerated around their kept XML, new shared
// strings and derived cell formats are appended, and the workbook part is
// rewritten only when the sheet list or the active tab changed. A workbook
// with no package behind it gets a fresh minimal one.
#pragma once

#include <string>

#include "server/engine/workbook.h"

namespace sheetwright::files {

// Writes atomically to `path` (UTF-8). Throws FileError; on failure the file
// at `path` and the workbook's file data are as they were.
void SavePackage(engine::Workbook& workbook, const std::string& path, const std::string& displayName);

}  // namespace sheetwright::files
