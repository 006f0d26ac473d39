#include "server/files/sheet_layout.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "server/engine/reference_adjust.h"
#include "server/files/cell_reference.h"
#include "server/files/file_error.h"
#include "server/files/reference_parts.h"
#include "server/files/utf8.h"
#include "server/files/xml_dom.h"

namespace sheetwright::files {

using engine::CellRect;

namespace {

constexpr const char* kPlaceholder = "sheetwright-sheet-data";

std::vector<CellRect> MoveRects(const std::vector<CellRect>& rects, const engine::EditMapper& mapper) {
  std::vector<CellRect> out;
  for (const CellRect& r : rects) {
    if (auto moved = mapper.MapRect(r)) out.push_back(*moved);
  }
  return out;
}

// Moves the references in `node` and below (extensions skipped) through the
// sheet's composed edits. Returns false when `node` itself should go
// (everything it covered was deleted).
bool MoveReferences(pugi::xml_node node, const engine::EditMapper& mapper) {
  std::string_view name = LocalName(node.name());
  if (name == "extLst") return true;
  bool keep = true;
  if (pugi::xml_attribute sqref = Attr(node, "sqref")) {
    std::vector<CellRect> rects = MoveRects(ParseSqref(sqref.value()), mapper);
    if (rects.empty()) {
      keep = false;
    } else {
      sqref.set_value(SqrefText(rects).c_str());
    }
  }
  if (name == "mergeCell" || name == "hyperlink" || name == "autoFilter") {
    if (pugi::xml_attribute ref = Attr(node, "ref")) {
      if (auto rect = ParseRangeRef(ref.value())) {
        auto moved = mapper.MapRect(*rect);
        // A merge shrunk to a single cell is no merge any more.
        if (moved && name == "mergeCell" && moved->r1 == moved->r2 && moved->c1 == moved->c2) moved.reset();
        if (moved) {
          ref.set_value(RangeRef(*moved).c_str());
        } else {
          keep = false;
        }
      }
    }
  }
  if (name == "col") {
    // Column widths follow column deletions only.
    engine::FormulaReference columns;
    columns.shape = engine::ReferenceShape::Columns;
    columns.row1 = 1, columns.row2 = engine::kMaxRows;
    columns.col1 = Attr(node, "min").as_int(0), columns.col2 = Attr(node, "max").as_int(0);
    if (columns.col1 >= 1 && columns.col1 <= columns.col2) {
      if (!mapper.Map(columns)) {
        keep = false;
      } else {
        Attr(node, "min") = columns.col1;
        Attr(node, "max") = columns.col2;
      }
    }
  }
  std::vector<pugi::xml_node> drop;
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_element && !MoveReferences(child, mapper)) drop.push_back(child);
  }
  for (pugi::xml_node child : drop) node.remove_child(child);
  if (!drop.empty()) {
    // Containers with a count attribute and nothing left are removed.
    int remaining = 0;
    for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
      remaining += child.type() == pugi::node_element;
    }
    if (pugi::xml_attribute count = Attr(node, "count")) count = remaining;
    if (remaining == 0 && (name == "mergeCells" || name == "cols" || name == "dataValidations" ||
                           name == "hyperlinks" || name == "conditionalFormatting" || name == "ignoredErrors")) {
      keep = false;
    }
  }
  // The view's selection is the engine's own and is written separately.
  if (name == "selection") keep = true;
  return keep;
}

void SetSelection(pugi::xml_node view, const engine::Sheet& sheet, const std::string& prefix) {
  if (!view) return;
  std::string activePane = "topLeft";
  if (pugi::xml_node pane = Child(view, "pane")) {
    if (pugi::xml_attribute a = Attr(pane, "activePane")) activePane = a.value();
  }
  pugi::xml_node target;
  for (pugi::xml_node n = view.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element || LocalName(n.name()) != "selection") continue;
    pugi::xml_attribute pane = Attr(n, "pane");
    std::string paneName = pane ? pane.value() : "topLeft";
    if (!target || paneName == activePane) target = n;
    if (paneName == activePane) break;
  }
  const bool defaultView = sheet.activeRow == 1 && sheet.activeCol == 1 &&
                           (sheet.selection.empty() || (sheet.selection.size() == 1 && sheet.selection[0] == CellRect{}));
  if (!target) {
    if (defaultView) return;
    target = view.append_child((prefix + "selection").c_str());
    if (activePane != "topLeft") target.append_attribute("pane") = activePane.c_str();
  }
  std::string active = CellRef(sheet.activeRow, sheet.activeCol);
  std::string sqref = sheet.selection.empty() ? active : SqrefText(sheet.selection);
  pugi::xml_attribute a = Attr(target, "activeCell");
  if (!a) a = target.append_attribute("activeCell");
  a = active.c_str();
  pugi::xml_attribute s = Attr(target, "sqref");
  if (!s) s = target.append_attribute("sqref");
  s = sqref.c_str();
}

// The kept markup with a placeholder where the cell data goes.
std::string LayoutDocument(const std::string& prefix, const std::string& sheetDataQName, const std::string& suffix) {
  std::string xml;
  xml.reserve(prefix.size() + suffix.size() + 64);
  xml += prefix;
  xml += "<" + sheetDataQName + "><?" + kPlaceholder + "?></" + sheetDataQName + ">";
  xml += suffix;
  return xml;
}

}  // namespace

std::optional<CellRect> CheckSheetLayout(const std::string& prefix, const std::string& sheetDataQName,
                                         const std::string& suffix, const std::string& partName) {
  pugi::xml_document doc;
  LoadXmlDom(doc, LayoutDocument(prefix, sheetDataQName, suffix), partName);
  if (pugi::xml_node filter = Child(doc.document_element(), "autoFilter")) {
    if (pugi::xml_attribute ref = Attr(filter, "ref")) return ParseRangeRef(ref.value());
  }
  return std::nullopt;
}

void AdjustSheetLayout(SheetLayout& layout, const engine::Sheet& sheet, bool tabSelected, const std::string& partName,
                       const SheetEditMappers* mappers) {
  const std::string xml = LayoutDocument(layout.prefix, layout.sheetDataQName, layout.suffix);
  pugi::xml_document doc;
  LoadXmlDom(doc, xml, partName);
  pugi::xml_node root = doc.document_element();
  std::string prefix = PrefixOf(root);

  // Every deletion since the last save, composed: one walk over the markup.
  std::optional<engine::EditMapper> ownMapper;
  const engine::EditMapper* edits = mappers ? mappers->For(sheet) : nullptr;
  if (edits == nullptr && !sheet.edits.empty()) edits = &ownMapper.emplace(sheet.edits);
  if (edits != nullptr) {
    std::vector<pugi::xml_node> drop;
    for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
      if (n.type() != pugi::node_element) continue;
      std::string_view name = LocalName(n.name());
      if (name == "sheetData" || name == "sheetViews" || name == "dimension") continue;
      if (!MoveReferences(n, *edits)) drop.push_back(n);
    }
    for (pugi::xml_node n : drop) root.remove_child(n);
  }
  if (layout.dropAutoFilter) {
    if (pugi::xml_node filter = Child(root, "autoFilter")) root.remove_child(filter);
  }
  if (mappers && !sheet.edits.empty()) AdjustFormulaElements(root, Utf8FromWide(sheet.name), *mappers);

  engine::Sheet::Bounds b = sheet.UsedBounds();
  std::string dimension = RangeRef(CellRect{b.firstRow, b.firstCol, b.lastRow, b.lastCol});
  pugi::xml_node dim = Child(root, "dimension");
  if (!dim) {
    pugi::xml_node after = Child(root, "sheetPr");
    dim = after ? root.insert_child_after((prefix + "dimension").c_str(), after)
                : root.prepend_child((prefix + "dimension").c_str());
  }
  pugi::xml_attribute ref = Attr(dim, "ref");
  if (!ref) ref = dim.append_attribute("ref");
  ref = dimension.c_str();

  if (pugi::xml_node views = Child(root, "sheetViews")) {
    pugi::xml_node view = Child(views, "sheetView");
    if (view) {
      pugi::xml_attribute selected = Attr(view, "tabSelected");
      if (tabSelected) {
        if (!selected) selected = view.prepend_attribute("tabSelected");
        selected = 1;
      } else if (selected) {
        view.remove_attribute(selected);
      }
      SetSelection(view, sheet, prefix);
    }
  }

  std::string text = SaveXmlDom(doc);
  std::string marker = std::string("<?") + kPlaceholder + "?>";
  size_t at = text.find(marker);
  if (at == std::string::npos) throw FileError("The part " + partName + " could not be rewritten.");
  // Split around the whole <sheetData>...</sheetData> element.
  std::string open = "<" + layout.sheetDataQName + ">";
  std::string close = "</" + layout.sheetDataQName + ">";
  size_t start = text.rfind(open, at);
  size_t end = text.find(close, at);
  if (start == std::string::npos || end == std::string::npos) {
    throw FileError("The part " + partName + " could not be rewritten.");
  }
  layout.prefix = text.substr(0, start);
  layout.suffix = text.substr(end + close.size());
}

}  // namespace sheetwright::files
