// Writes the <sheetData> rows of an engine sheet, and the worksheet part
// around them: the loaded XML before and after <sheetData>, with the
// dimension, the view's selection and the references the engine's row and
// column deletions moved (merged cells, column widths, sqref lists,
// hyperlinks, the auto filter) brought up to date.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "server/engine/workbook.h"
#include "server/files/package_data.h"
#include "server/files/reference_parts.h"
#include "server/files/sheet_layout.h"

namespace sheetwright::files {

// Where cell texts go: the shared string table (appending new strings) or,
// for a package without one, inline strings.
struct StringSink {
  bool useSharedStrings = false;
  std::unordered_map<uint32_t, uint32_t> index;  // pool id -> sst entry
  std::vector<std::wstring_view> added;           // entries appended on save
  size_t entryCount = 0;
};

struct SheetWriteOptions {
  const engine::Workbook& workbook;
  const std::vector<std::string>& rowExtras;
  StringSink& strings;
  uint32_t styleCount;  // xf indices at or past this are written as 0
  bool tabSelected;
  // The edits since the last save, composed; null when nothing was edited.
  const SheetEditMappers* mappers = nullptr;
};

// The complete worksheet part for `sheet`. `data` may be null (a sheet the
// engine added): a minimal worksheet is written. `layout` receives the XML
// written around <sheetData>, to keep once the save succeeds.
std::string WriteWorksheetPart(const engine::Sheet& sheet, const SheetFileData* data, const SheetWriteOptions& options,
                               SheetLayout& layout);

}  // namespace sheetwright::files
