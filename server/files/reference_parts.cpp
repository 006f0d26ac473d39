#include "server/files/reference_parts.h"

#include <cstdlib>

#include "server/files/cell_reference.h"
#include "server/files/utf8.h"
#include "server/files/xml_dom.h"

namespace sheetwright::files {

using engine::CellRect;
using engine::EditMapper;

SheetEditMappers::SheetEditMappers(const engine::Workbook& book) {
  for (const auto& sheet : book.sheets)
    if (!sheet->edits.empty()) mappers_.emplace_back(sheet.get(), EditMapper(sheet->edits));
}

const EditMapper* SheetEditMappers::For(std::string_view utf8SheetName) const {
  if (mappers_.empty()) return nullptr;
  const std::wstring name = WideFromUtf8(utf8SheetName);
  for (const auto& [sheet, mapper] : mappers_)
    if (engine::EqualsNoCase(sheet->name, name)) return &mapper;
  return nullptr;
}

const EditMapper* SheetEditMappers::For(const engine::Sheet& sheet) const {
  for (const auto& [s, mapper] : mappers_)
    if (s == &sheet) return &mapper;
  return nullptr;
}

engine::NarrowMapperLookup SheetEditMappers::Lookup() const {
  return [this](std::string_view name) { return For(name); };
}

namespace {

// Adjusts the text of `node` (a formula element); true when it changed.
bool AdjustText(pugi::xml_node node, std::string_view ownSheet, const engine::NarrowMapperLookup& lookup) {
  std::string text = node.text().get();
  if (text.empty() || !engine::AdjustFormulaReferences(text, ownSheet, lookup)) return false;
  node.text().set(text.c_str());
  return true;
}

std::optional<std::string> Saved(const pugi::xml_document& doc, bool changed) {
  if (!changed) return std::nullopt;
  return SaveXmlDom(doc);
}

bool AdjustRefAttribute(pugi::xml_node node, const EditMapper& mapper) {
  pugi::xml_attribute ref = Attr(node, "ref");
  if (!ref) return false;
  auto rect = ParseRangeRef(ref.value());
  if (!rect) return false;
  auto moved = mapper.MapRect(*rect);
  if (!moved || *moved == *rect) return false;  // a table cannot lose all its rows: kept
  ref.set_value(RangeRef(*moved).c_str());
  return true;
}

}  // namespace

std::optional<std::string> AdjustDefinedNames(std::string_view xml, const std::string& partName,
                                              const SheetEditMappers& mappers) {
  if (mappers.empty()) return std::nullopt;
  pugi::xml_document doc;
  LoadXmlDom(doc, xml, partName);
  pugi::xml_node names = Child(doc.document_element(), "definedNames");
  bool changed = false;
  const auto lookup = mappers.Lookup();
  for (pugi::xml_node name = names.first_child(); name; name = name.next_sibling())
    if (name.type() == pugi::node_element) changed |= AdjustText(name, std::string_view(), lookup);
  return Saved(doc, changed);
}

void AdjustFormulaElements(pugi::xml_node root, std::string_view ownSheet, const SheetEditMappers& mappers) {
  if (mappers.empty()) return;
  const auto lookup = mappers.Lookup();
  for (pugi::xml_node node = root.first_child(); node; node = node.next_sibling()) {
    if (node.type() != pugi::node_element) continue;
    const std::string_view name = LocalName(node.name());
    if (name == "sheetData" || name == "extLst") continue;
    if (name == "formula" || name == "formula1" || name == "formula2") {
      AdjustText(node, ownSheet, lookup);
    } else {
      AdjustFormulaElements(node, ownSheet, mappers);
    }
  }
}

std::optional<std::string> AdjustTablePart(std::string_view xml, const std::string& partName,
                                           const EditMapper& mapper) {
  pugi::xml_document doc;
  LoadXmlDom(doc, xml, partName);
  pugi::xml_node table = doc.document_element();
  bool changed = AdjustRefAttribute(table, mapper);
  if (pugi::xml_node filter = Child(table, "autoFilter")) changed |= AdjustRefAttribute(filter, mapper);
  return Saved(doc, changed);
}

std::optional<std::string> AdjustDrawingPart(std::string_view xml, const std::string& partName,
                                             const EditMapper& mapper) {
  pugi::xml_document doc;
  LoadXmlDom(doc, xml, partName);
  bool changed = false;
  // A corner is a 0-based (row, col); it moves up or left by the rows or
  // columns deleted before it, and a corner on a deleted row lands on the
  // first row after the deletion, so the anchor shrinks with its cells.
  auto moveCorner = [&](pugi::xml_node corner) {
    pugi::xml_node rowNode = Child(corner, "row"), colNode = Child(corner, "col");
    if (!rowNode || !colNode) return;
    const int32_t row = int32_t(std::strtol(rowNode.text().get(), nullptr, 10)) + 1;
    const int32_t col = int32_t(std::strtol(colNode.text().get(), nullptr, 10)) + 1;
    if (row < 1 || col < 1 || row > engine::kMaxRows || col > engine::kMaxColumns) return;
    auto down = mapper.MapRect(CellRect{row, col, engine::kMaxRows, engine::kMaxColumns});
    if (!down) return;
    if (down->r1 != row) {
      rowNode.text().set(std::to_string(down->r1 - 1).c_str());
      changed = true;
    }
    if (down->c1 != col) {
      colNode.text().set(std::to_string(down->c1 - 1).c_str());
      changed = true;
    }
  };
  for (pugi::xml_node anchor = doc.document_element().first_child(); anchor; anchor = anchor.next_sibling()) {
    if (anchor.type() != pugi::node_element) continue;
    if (pugi::xml_node from = Child(anchor, "from")) moveCorner(from);
    if (pugi::xml_node to = Child(anchor, "to")) moveCorner(to);
  }
  return Saved(doc, changed);
}

}  // namespace sheetwright::files
