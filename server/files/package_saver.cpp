#include "server/files/package_saver.h"

#include <map>
#include <optional>
#include <set>

#include "server/files/atomic_file.h"
#include "server/files/auto_filter.h"
#include "server/files/file_error.h"
#include "server/files/package_data.h"
#include "server/files/part_name.h"
#include "server/files/reference_parts.h"
#include "server/files/relationships.h"
#include "server/files/shared_strings_part.h"
#include "server/files/sheet_writer.h"
#include "server/files/styles_part.h"
#include "server/files/utf8.h"
#include "server/files/workbook_part.h"
#include "server/files/xml_dom.h"
#include "server/files/zip_writer.h"

namespace sheetwright::files {

namespace {

// After a failed replacement the source is unchanged; a reader that cannot
// open it again stays closed, and a later save fails cleanly.
void ReopenQuietly(ZipReader& zip) {
  try {
    zip.ReopenFile();
  } catch (const FileError&) {
  }
}

constexpr const char* kWorksheetType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
constexpr const char* kWorksheetContentType = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

SheetFileData* SheetDataOf(const engine::Sheet& sheet) { return dynamic_cast<SheetFileData*>(sheet.fileData.get()); }

// Part name relative to the workbook part's folder, as relationships write it.
// Defined names of the workbook part, and the tables and drawings of every
// edited sheet, follow the deletions.
void AdjustEditedReferences(const ZipReader& zip, const engine::Workbook& workbook, const std::string& workbookPart,
                            const SheetEditMappers& mappers, PartContents& replaced) {
  auto current = [&](const std::string& part) -> std::optional<std::string> {
    if (auto it = replaced.find(part); it != replaced.end()) return it->second;
    if (auto index = zip.Find(part)) return zip.ReadAll(*index);
    return std::nullopt;
  };
  if (auto xml = current(workbookPart))
    if (auto adjusted = AdjustDefinedNames(*xml, workbookPart, mappers)) replaced[workbookPart] = std::move(*adjusted);
  for (const auto& sheet : workbook.sheets) {
    const engine::EditMapper* mapper = mappers.For(*sheet);
    const SheetFileData* sd = SheetDataOf(*sheet);
    if (!mapper || !sd || sd->part.empty()) continue;
    for (const Relationship& r : ReadRelationships(zip, sd->part)) {
      if (r.external) continue;
      const bool table = IsRelType(r.type, "table"), drawing = IsRelType(r.type, "drawing");
      if (!table && !drawing) continue;
      auto xml = current(r.target);
      if (!xml) continue;
      auto adjusted = table ? AdjustTablePart(*xml, r.target, *mapper) : AdjustDrawingPart(*xml, r.target, *mapper);
      if (adjusted) replaced[r.target] = std::move(*adjusted);
    }
  }
}

std::string RelativeTarget(const std::string& workbookPart, const std::string& part) {
  size_t slash = workbookPart.rfind('/');
  std::string folder = slash == std::string::npos ? "" : workbookPart.substr(0, slash + 1);
  if (!folder.empty() && part.rfind(folder, 0) == 0) return part.substr(folder.size());
  return "/" + part;
}

std::string FreshContentTypes(const std::vector<std::string>& sheetParts) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
      "<Override PartName=\"/xl/styles.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
  for (const std::string& part : sheetParts) {
    xml += "<Override PartName=\"/" + part + "\" ContentType=\"" + kWorksheetContentType + "\"/>";
  }
  return xml + "</Types>";
}

constexpr const char* kFreshPackageRels =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/></Relationships>";

constexpr const char* kFreshWorkbook =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<bookViews><workbookView/></bookViews><sheets/></workbook>";

std::string FreshWorkbookRels(const std::vector<std::pair<std::string, std::string>>& sheets) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rIdStyles\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>";
  for (const auto& [id, part] : sheets) {
    xml += "<Relationship Id=\"" + id + "\" Type=\"" + kWorksheetType + "\" Target=\"" +
           RelativeTarget("xl/workbook.xml", part) + "\"/>";
  }
  return xml + "</Relationships>";
}

// What a successful save changes in the sheets' file data.
struct SheetUpdate {
  engine::Sheet* sheet;
  std::unique_ptr<SheetFileData> fresh;  // a sheet that had none
  SheetLayout layout;
  bool rewritten = false;
};

}  // namespace

void SavePackage(engine::Workbook& workbook, const std::string& path, const std::string& displayName) {
  auto* data = dynamic_cast<WorkbookFileData*>(workbook.fileData.get());
  const bool fromPackage = data && data->format == FileFormat::Package && data->zip;
  const ZipReader* zip = fromPackage ? data->zip.get() : nullptr;
  if (workbook.sheets.empty()) throw FileError("Cannot save '" + displayName + "': a workbook must have at least one sheet.");

  std::string workbookPart = fromPackage ? data->workbookPart : "xl/workbook.xml";
  std::string workbookRelsPart = fromPackage ? data->workbookRelsPart : "xl/_rels/workbook.xml.rels";

  // Strings: appended to the loaded table, or inline without one.
  StringSink strings;
  if (fromPackage && !data->sharedStringsPart.empty()) {
    strings.useSharedStrings = true;
    strings.entryCount = data->sstIds.size();
    strings.index.reserve(data->sstIds.size());
    for (size_t i = 0; i < data->sstIds.size(); ++i) {
      auto [it, added] = strings.index.emplace(data->sstIds[i], static_cast<uint32_t>(i));
      if (!added && data->sstRich[it->second] && !data->sstRich[i]) it->second = static_cast<uint32_t>(i);
    }
  }
  const bool hasStyles = !fromPackage || !data->stylesPart.empty();
  const uint32_t styleCount =
      hasStyles ? static_cast<uint32_t>(workbook.styleNumberFormat.size()) : (fromPackage ? data->loadedXfCount : 1u);
  static const std::vector<std::string> kNoExtras;
  const std::vector<std::string>& rowExtras = data ? data->rowExtras : kNoExtras;

  // Part names and relationship ids in use, for naming new sheets.
  PartNameSet usedParts;
  std::set<std::string> usedRelIds;
  if (zip) {
    for (const ZipEntry& e : zip->entries()) usedParts.insert(e.name);
    for (const Relationship& r : ReadRelationships(*zip, workbookPart)) usedRelIds.insert(r.id);
  }
  for (const auto& sheet : workbook.sheets) {
    if (SheetFileData* sd = SheetDataOf(*sheet)) {
      usedParts.insert(sd->part);
      usedRelIds.insert(sd->relId);
    }
  }
  int nextSheetNumber = 1, nextRelNumber = 1;

  PartContents replaced;  // part -> new content
  // The row, column and block deletions since the last save, composed once
  // per sheet; they move references in cells' neighbours: formulas of
  // conditional formats, defined names, tables, drawings.
  const SheetEditMappers mappers(workbook);
  std::vector<std::pair<std::string, std::string>> addedParts;
  std::vector<std::pair<std::string, std::string>> addedSheetRels;  // relId, part
  std::vector<SheetUpdate> updates;
  std::vector<SheetListing> listing;
  bool sheetListChanged = !fromPackage;

  for (size_t i = 0; i < workbook.sheets.size(); ++i) {
    engine::Sheet& sheet = *workbook.sheets[i];
    SheetFileData* sd = fromPackage ? SheetDataOf(sheet) : nullptr;
    SheetUpdate update{&sheet, nullptr, {}, false};
    SheetListing entry;
    entry.name = sheet.name;
    std::string part;
    if (sd) {
      part = sd->part;
      entry.relId = sd->relId;
      entry.loadedPosition = -1;
      entry.state = sheet.hidden ? (sd->loadedHidden && !sd->state.empty() ? sd->state : "hidden") : "";
      if (sheet.name != sd->loadedName || sheet.hidden != sd->loadedHidden) sheetListChanged = true;
    } else {
      if (sheet.kind != engine::SheetKind::Worksheet) continue;  // nothing to write for it
      do {
        part = "xl/worksheets/sheet" + std::to_string(nextSheetNumber++) + ".xml";
      } while (usedParts.count(part));
      usedParts.insert(part);
      do {
        entry.relId = "rId" + std::to_string(nextRelNumber++);
      } while (usedRelIds.count(entry.relId));
      usedRelIds.insert(entry.relId);
      entry.state = sheet.hidden ? "hidden" : "";
      update.fresh = std::make_unique<SheetFileData>();
      update.fresh->part = part;
      update.fresh->relId = entry.relId;
      addedSheetRels.emplace_back(entry.relId, part);
      sheetListChanged = true;
    }
    listing.push_back(entry);
    if (sheet.kind != engine::SheetKind::Worksheet) {
      updates.push_back(std::move(update));
      continue;
    }
    const bool active = i == workbook.activeSheet;
    const bool viewChanged = sd && (sheet.activeRow != sd->loadedActiveRow || sheet.activeCol != sd->loadedActiveCol ||
                                    sheet.selection != sd->loadedSelection);
    const bool rewrite = !sd || !sd->parsed || sheet.modified || !sheet.edits.empty() || viewChanged ||
                         active != sd->loadedTabSelected;
    if (rewrite) {
      SheetWriteOptions options{workbook, rowExtras, strings, styleCount, active, mappers.empty() ? nullptr : &mappers};
      std::string content = WriteWorksheetPart(sheet, sd, options, update.layout);
      if (sd) {
        replaced[part] = std::move(content);
      } else {
        addedParts.emplace_back(part, std::move(content));
      }
      update.rewritten = true;
    }
    updates.push_back(std::move(update));
  }
  // Sheets that were loaded but are gone now: their parts and relationships go too.
  PartNameSet removedParts;
  std::vector<int> loadedPositionOfRel;
  if (fromPackage) {
    WorkbookInfo loadedInfo = ReadWorkbookPart(zip->ReadAll(*zip->Find(workbookPart)), workbookPart);
    std::set<std::string> kept;
    for (SheetListing& entry : listing) {
      for (size_t k = 0; k < loadedInfo.sheets.size(); ++k) {
        if (loadedInfo.sheets[k].relId == entry.relId) entry.loadedPosition = static_cast<int>(k);
      }
      kept.insert(entry.relId);
    }
    for (size_t k = 0; k < loadedInfo.sheets.size(); ++k) {
      if (listing.size() <= k || listing[k].loadedPosition != static_cast<int>(k)) sheetListChanged = true;
      if (!kept.count(loadedInfo.sheets[k].relId)) {
        for (const Relationship& r : ReadRelationships(*zip, workbookPart)) {
          if (r.id == loadedInfo.sheets[k].relId) {
            removedParts.insert(r.target);
            removedParts.insert(RelsPartFor(r.target));
          }
        }
      }
    }
  }
  if (fromPackage && workbook.activeSheet != data->loadedActiveSheet) sheetListChanged = true;
  size_t activeTab = std::min(workbook.activeSheet, listing.empty() ? size_t{0} : listing.size() - 1);

  // Shared strings, styles, workbook, relationships, content types.
  if (strings.useSharedStrings && !strings.added.empty()) {
    size_t index = *zip->Find(data->sharedStringsPart);
    replaced[data->sharedStringsPart] =
        AppendSharedStrings(zip->ReadAll(index), data->sharedStringsPart, strings.added, strings.entryCount);
  }
  const size_t derivedFrom = data ? data->derivedStylesWritten : 0;
  if (fromPackage && hasStyles && workbook.derivedStyles.size() > derivedFrom) {
    replaced[data->stylesPart] = AppendDerivedStyles(zip->ReadAll(*zip->Find(data->stylesPart)), data->stylesPart,
                                                     workbook, derivedFrom);
  }
  if (sheetListChanged) {
    std::string source = fromPackage ? zip->ReadAll(*zip->Find(workbookPart)) : kFreshWorkbook;
    replaced[workbookPart] = RewriteWorkbookPart(source, workbookPart, listing, activeTab);
  }
  if (fromPackage && !mappers.empty()) AdjustEditedReferences(*zip, workbook, workbookPart, mappers, replaced);
  if (fromPackage && (!addedSheetRels.empty() || !removedParts.empty())) {
    pugi::xml_document rels;
    if (auto index = zip->Find(workbookRelsPart)) {
      LoadXmlDom(rels, zip->ReadAll(*index), workbookRelsPart);
    } else {
      rels.append_child("Relationships").append_attribute("xmlns") =
          "http://schemas.openxmlformats.org/package/2006/relationships";
    }
    pugi::xml_node root = rels.document_element();
    std::vector<pugi::xml_node> drop;
    for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
      if (n.type() == pugi::node_element &&
          removedParts.count(ResolveTarget(workbookPart, Attr(n, "Target").value()))) {
        drop.push_back(n);
      }
    }
    for (pugi::xml_node n : drop) root.remove_child(n);
    for (const auto& [id, part] : addedSheetRels) {
      pugi::xml_node r = root.append_child((PrefixOf(root) + "Relationship").c_str());
      r.append_attribute("Id") = id.c_str();
      r.append_attribute("Type") = kWorksheetType;
      r.append_attribute("Target") = RelativeTarget(workbookPart, part).c_str();
    }
    replaced[workbookRelsPart] = SaveXmlDom(rels);

    if (auto index = zip->Find("[Content_Types].xml")) {
      pugi::xml_document types;
      LoadXmlDom(types, zip->ReadAll(*index), "[Content_Types].xml");
      pugi::xml_node troot = types.document_element();
      std::vector<pugi::xml_node> gone;
      for (pugi::xml_node n = troot.first_child(); n; n = n.next_sibling()) {
        std::string name = Attr(n, "PartName").value();
        if (!name.empty() && removedParts.count(name.substr(1))) gone.push_back(n);
      }
      for (pugi::xml_node n : gone) troot.remove_child(n);
      for (const auto& [id, part] : addedSheetRels) {
        pugi::xml_node o = troot.append_child((PrefixOf(troot) + "Override").c_str());
        o.append_attribute("PartName") = ("/" + part).c_str();
        o.append_attribute("ContentType") = kWorksheetContentType;
      }
      replaced["[Content_Types].xml"] = SaveXmlDom(types);
    }
  }
  if (!fromPackage) {
    std::vector<std::string> sheetParts;
    for (const auto& [id, part] : addedSheetRels) sheetParts.push_back(part);
    addedParts.insert(addedParts.begin(), {"xl/styles.xml", MinimalStyles(workbook)});
    addedParts.insert(addedParts.begin(), {workbookRelsPart, FreshWorkbookRels(addedSheetRels)});
    addedParts.insert(addedParts.begin(), {workbookPart, replaced[workbookPart]});
    addedParts.insert(addedParts.begin(), {"_rels/.rels", kFreshPackageRels});
    addedParts.insert(addedParts.begin(), {"[Content_Types].xml", FreshContentTypes(sheetParts)});
    replaced.clear();
  }

  // Write everything beside the target, then rename over it.
  const bool closedSource = zip && AtomicFile::kTargetMustBeClosed;
  {
    AtomicFile file(path);
    ZipWriter writer(file.fd(), path);
    if (zip) {
      for (size_t i = 0; i < zip->entries().size(); ++i) {
        const ZipEntry& e = zip->entries()[i];
        if (removedParts.count(e.name)) continue;
        auto it = replaced.find(e.name);
        if (it != replaced.end()) {
          writer.AddDeflated(e.name, it->second);
        } else {
          writer.AddRaw(e.name, zip->ReadRaw(i), e.method, e.crc, e.size, e.dosTime);
        }
      }
    }
    for (const auto& [part, content] : addedParts) writer.AddDeflated(part, content);
    writer.Finish();
    // Where a file cannot be replaced while it is open, the package the
    // parts were copied from is let go of first (it may be the target), and
    // opened again if the replacement fails: the original is then unchanged.
    if (closedSource) data->zip->CloseFile();
    try {
      file.Commit();
    } catch (const FileError&) {
      if (closedSource) ReopenQuietly(*data->zip);
      throw;
    }
  }

  // The file on disk is the new source of unchanged parts from now on.
  std::unique_ptr<ZipReader> reopened;
  try {
    reopened = std::make_unique<ZipReader>(path, displayName);
  } catch (const FileError&) {
    // Keep the old reader: its parts are still those of the saved file
    // wherever this save did not rewrite them. (A reader closed for the
    // replacement stays closed, so a later save fails instead of copying
    // parts of a file that may have been replaced.)
  }
  if (!data || data->format != FileFormat::Package) {
    auto fresh = std::make_unique<WorkbookFileData>();
    fresh->workbookPart = workbookPart;
    fresh->workbookRelsPart = workbookRelsPart;
    fresh->stylesPart = "xl/styles.xml";
    fresh->loadedXfCount = static_cast<uint32_t>(workbook.styleNumberFormat.size());
    if (data) {
      fresh->rowExtras = std::move(data->rowExtras);
      fresh->rowExtraIds = std::move(data->rowExtraIds);
    }
    workbook.fileData = std::move(fresh);
    data = static_cast<WorkbookFileData*>(workbook.fileData.get());
  }
  if (reopened) data->zip = std::move(reopened);
  for (std::wstring_view added : strings.added) {
    data->sstIds.push_back(workbook.strings.Intern(added));
    data->sstRich.push_back(0);
  }
  data->derivedStylesWritten = workbook.derivedStyles.size();
  data->loadedActiveSheet = workbook.activeSheet;
  for (size_t i = 0; i < updates.size(); ++i) {
    SheetUpdate& u = updates[i];
    if (u.fresh) u.sheet->fileData = std::move(u.fresh);
    SheetFileData* sd = SheetDataOf(*u.sheet);
    if (!sd) continue;
    sd->loadedName = u.sheet->name;
    sd->loadedHidden = u.sheet->hidden;
    sd->state = u.sheet->hidden ? (sd->state.empty() ? "hidden" : sd->state) : "";
    sd->loadedTabSelected = u.sheet == workbook.sheets[workbook.activeSheet].get();
    sd->loadedActiveRow = u.sheet->activeRow;
    sd->loadedActiveCol = u.sheet->activeCol;
    sd->loadedSelection = u.sheet->selection;
    if (!u.sheet->edits.empty()) {
      sd->specialFormulas.clear();
      sd->keptCellAttributes.clear();
    }
    sd->autoFilter = AutoFilterRange(*u.sheet);
    sd->autoFilterRemoved = false;
    u.sheet->ForgetEdits();
    u.sheet->modified = false;
    if (u.rewritten) {
      sd->prefix = std::move(u.layout.prefix);
      sd->suffix = std::move(u.layout.suffix);
      sd->sheetDataQName = std::move(u.layout.sheetDataQName);
      sd->parsed = true;
    }
  }
}

}  // namespace sheetwright::files
