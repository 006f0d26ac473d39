// The workbook part: the sheet list (names, order, hidden state, the part of
// each sheet), the 1904 date system flag and the active tab. Reading fills
// the engine workbook; rewriting brings the part in line with the engine's
// sheets while keeping every other element (defined names, calculation
// properties, extensions) as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "server/engine/workbook.h"

namespace sheetwright::files {

struct WorkbookSheetEntry {
  std::wstring name;
  std::string relId;
  std::string state;  // "", "hidden", "veryHidden"
};

struct WorkbookInfo {
  std::vector<WorkbookSheetEntry> sheets;
  std::vector<engine::DefinedName> definedNames;  // the formulas read them
  bool date1904 = false;
  size_t activeTab = 0;
};

WorkbookInfo ReadWorkbookPart(std::string_view xml, const std::string& partName);

// A sheet as the rewritten part should list it.
struct SheetListing {
  std::wstring name;
  std::string relId;
  std::string state;
  int loadedPosition = -1;  // position in the loaded <sheets>, -1 for a new sheet
};

// `xml` with <sheets> rebuilt from `listing` (kept attributes of loaded
// sheets, new sheetIds for new ones), localSheetId of defined names moved to
// the sheets' new positions (names of removed sheets dropped), and activeTab
// set.
std::string RewriteWorkbookPart(std::string_view xml, const std::string& partName,
                                const std::vector<SheetListing>& listing, size_t activeTab);

}  // namespace sheetwright::files
