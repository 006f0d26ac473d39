#include "server/files/auto_filter.h"

#include <string>
#include <string_view>

#include "server/engine/reference_adjust.h"
#include "server/files/package_data.h"

namespace sheetwright::files {

namespace {

SheetFileData* SheetData(const engine::Sheet& sheet) { return dynamic_cast<SheetFileData*>(sheet.fileData.get()); }

// The row attributes kept for a row (` name="value"` pairs) without its
// hidden flag.
std::string WithoutHidden(std::string_view attributes) {
  std::string out;
  size_t i = 0;
  while (i < attributes.size()) {
    const size_t start = i;
    const size_t equals = attributes.find('=', i);
    if (equals == std::string_view::npos || equals + 1 >= attributes.size()) break;
    const char quote = attributes[equals + 1];
    const size_t close = attributes.find(quote, equals + 2);
    if (close == std::string_view::npos) break;
    i = close + 1;
    std::string_view name = attributes.substr(start, equals - start);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    if (name != "hidden") out.append(attributes.substr(start, i - start));
  }
  out.append(attributes.substr(i));
  return out;
}

}  // namespace

std::optional<engine::CellRect> AutoFilterRange(const engine::Sheet& sheet) {
  const SheetFileData* data = SheetData(sheet);
  if (!data || !data->autoFilter) return std::nullopt;
  // Moved the way a save moves the <autoFilter> element: through the
  // sheet's deletions composed.
  if (sheet.edits.empty()) return data->autoFilter;
  return engine::EditMapper(sheet.edits).MapRect(*data->autoFilter);
}

bool RemoveAutoFilter(engine::Workbook& workbook, engine::Sheet& sheet) {
  const std::optional<engine::CellRect> range = AutoFilterRange(sheet);
  SheetFileData* data = SheetData(sheet);
  auto* book = dynamic_cast<WorkbookFileData*>(workbook.fileData.get());
  if (!range || !data || !book) return false;
  data->autoFilter.reset();
  data->autoFilterRemoved = true;
  const engine::RowStore& rows = sheet.rows();
  std::vector<std::pair<int32_t, uint32_t>> shown;
  for (size_t i = rows.LowerBound(range->r1 + 1); i < rows.size() && rows.RowAt(i) <= range->r2; ++i) {
    const uint32_t id = rows.At(i).extra;
    if (id == 0 || id > book->rowExtras.size()) continue;
    std::string kept = WithoutHidden(book->rowExtras[id - 1]);
    if (kept.size() == book->rowExtras[id - 1].size()) continue;
    uint32_t keptId = 0;
    if (!kept.empty()) {
      auto [it, added] = book->rowExtraIds.emplace(kept, static_cast<uint32_t>(book->rowExtras.size() + 1));
      if (added) book->rowExtras.push_back(kept);
      keptId = it->second;
    }
    shown.emplace_back(rows.RowAt(i), keptId);
  }
  for (const auto& [row, id] : shown) sheet.SetRowExtra(row, id);
  sheet.modified = true;
  return true;
}

}  // namespace sheetwright::files
