// Loads a workbook package (.xlsx, .xlsm and their template forms) into the
// engine. Throws FileError with a description a person can act on.
#pragma once

#include <string>

#include "server/engine/workbook.h"

namespace sheetwright::files {

// `path` is the UTF-8 file path, `displayName` the file name for messages.
void LoadPackage(const std::string& path, const std::string& displayName, engine::Workbook& workbook);

}  // namespace sheetwright::files
