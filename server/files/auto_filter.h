// A worksheet's AutoFilter as the object model sees it: on while the sheet
// has an <autoFilter> range that its cells still cover, off once the object
// model puts AutoFilterMode = False. Switching it off removes the range and
// shows the rows the filter hid; the save then writes the sheet without the
// <autoFilter> element and without those rows' hidden flag.
#pragma once

#include <optional>

#include "server/engine/sheet.h"
#include "server/engine/workbook.h"

namespace sheetwright::files {

// The filter's range in the sheet's current coordinates (the range as loaded
// moved through the deletions since), or nullopt when the sheet has none.
std::optional<engine::CellRect> AutoFilterRange(const engine::Sheet& sheet);

// Removes the sheet's AutoFilter and unhides every hidden row below its
// header row inside its range. Returns false (nothing changed) when the
// sheet has no filter.
bool RemoveAutoFilter(engine::Workbook& workbook, engine::Sheet& sheet);

}  // namespace sheetwright::files
