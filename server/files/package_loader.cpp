#include "server/files/package_loader.h"

#include <map>
#include <unordered_map>

#include "server/engine/calculation.h"
#include "server/files/file_error.h"
#include "server/files/package_data.h"
#include "server/files/part_name.h"
#include "server/files/read_ahead.h"
#include "server/files/relationships.h"
#include "server/files/shared_strings_part.h"
#include "server/files/sheet_reader.h"
#include "server/files/styles_part.h"
#include "server/files/utf8.h"
#include "server/files/workbook_part.h"
#include "server/files/xml_scanner.h"

namespace sheetwright::files {

namespace {

size_t RequirePart(const ZipReader& zip, const std::string& part, const std::string& displayName) {
  auto index = zip.Find(part);
  if (!index) {
    throw FileError("Excel cannot open the file '" + displayName + "' because it is damaged: the part " + part +
                    " is missing.");
  }
  return *index;
}

// Parts at least this large are inflated on a second thread while they are
// scanned; smaller ones are not worth a thread.
constexpr uint64_t kReadAheadFromBytes = 4u << 20;

// The part's bytes as the XML scanner pulls them.
XmlScanner::Source PartSource(const ZipReader& zip, size_t index) {
  XmlScanner::Source source = zip.OpenStream(index);
  if (zip.entries()[index].size < kReadAheadFromBytes) return source;
  return ReadAhead(std::move(source));
}

}  // namespace

void LoadPackage(const std::string& path, const std::string& displayName, engine::Workbook& workbook) {
  auto data = std::make_unique<WorkbookFileData>();
  data->format = FileFormat::Package;
  data->zip = std::make_unique<ZipReader>(path, displayName);
  const ZipReader& zip = *data->zip;

  // The workbook part, found through the package relationships.
  for (const Relationship& r : ReadRelationships(zip, "")) {
    if (!r.external && IsRelType(r.type, "officeDocument")) data->workbookPart = r.target;
  }
  if (data->workbookPart.empty()) {
    if (zip.Find("xl/workbook.xml")) {
      data->workbookPart = "xl/workbook.xml";
    } else {
      throw FileError("Excel cannot open the file '" + displayName +
                      "' because the file format or file extension is not valid: the package holds no workbook.");
    }
  }
  data->workbookRelsPart = RelsPartFor(data->workbookPart);
  WorkbookInfo info =
      ReadWorkbookPart(zip.ReadAll(RequirePart(zip, data->workbookPart, displayName)), data->workbookPart);
  workbook.date1904 = info.date1904;
  data->loadedDate1904 = info.date1904;

  std::unordered_map<std::string, Relationship> rels;
  for (Relationship& r : ReadRelationships(zip, data->workbookPart)) {
    if (!r.external && IsRelType(r.type, "styles")) data->stylesPart = r.target;
    if (!r.external && IsRelType(r.type, "sharedStrings")) data->sharedStringsPart = r.target;
    rels.emplace(r.id, std::move(r));
  }

  if (!data->stylesPart.empty()) {
    if (auto index = zip.Find(data->stylesPart)) {
      data->loadedXfCount = ReadStyles(zip.ReadAll(*index), data->stylesPart, workbook);
    } else {
      data->stylesPart.clear();
    }
  }
  if (data->stylesPart.empty()) {
    workbook.styleNumberFormat.assign(1, 0);
    data->loadedXfCount = 1;
  }

  if (!data->sharedStringsPart.empty()) {
    size_t index = RequirePart(zip, data->sharedStringsPart, displayName);
    XmlScanner scanner(PartSource(zip, index), data->sharedStringsPart);
    ReadSharedStrings(scanner, workbook.strings, data->sstIds, data->sstRich, zip.entries()[index].size);
  }

  // Each sheet has a part of its own: two sheets on one part would each
  // write it on save, and the second would overwrite the first.
  std::map<std::string, std::wstring, PartNameLess> sheetOfPart;
  for (const WorkbookSheetEntry& entry : info.sheets) {
    auto rel = rels.find(entry.relId);
    if (rel == rels.end()) {
      throw FileError("Excel cannot open the file '" + displayName + "' because it is damaged: the sheet '" +
                      Utf8FromWide(entry.name) +
                      "' refers to a part that is not in the package.");
    }
    if (auto [other, added] = sheetOfPart.emplace(rel->second.target, entry.name); !added) {
      throw FileError("Excel cannot open the file '" + displayName + "' because it is damaged: the sheets '" +
                      Utf8FromWide(other->second) + "' and '" + Utf8FromWide(entry.name) + "' refer to the same part " +
                      rel->second.target + ".");
    }
    auto sheetData = std::make_unique<SheetFileData>();
    sheetData->part = rel->second.target;
    sheetData->relId = entry.relId;
    sheetData->state = entry.state;
    sheetData->loadedName = entry.name;
    sheetData->loadedHidden = !entry.state.empty() && entry.state != "visible";
    auto sheet = std::make_unique<engine::Sheet>();
    sheet->name = entry.name;
    sheet->hidden = sheetData->loadedHidden;
    size_t index = RequirePart(zip, sheetData->part, displayName);
    if (IsRelType(rel->second.type, "worksheet")) {
      sheet->kind = engine::SheetKind::Worksheet;
      XmlScanner scanner(PartSource(zip, index), sheetData->part);
      ReadWorksheet(scanner, workbook, *data, *sheet, *sheetData, zip.entries()[index].size);
    } else {
      // Chart sheets, dialog sheets and macro sheets hold no cells the engine
      // shows; their parts are copied unchanged on save.
      sheet->kind = engine::SheetKind::ChartSheet;
    }
    sheet->modified = false;
    sheet->ForgetEdits();
    sheet->fileData = std::move(sheetData);
    workbook.sheets.push_back(std::move(sheet));
  }
  workbook.activeSheet = info.activeTab < workbook.sheets.size() ? info.activeTab : 0;
  static_cast<SheetFileData*>(workbook.sheets[workbook.activeSheet]->fileData.get())->loadedTabSelected = true;
  data->loadedActiveSheet = workbook.activeSheet;
  workbook.fileData = std::move(data);
  workbook.definedNames = std::move(info.definedNames);
  // Every sheet is there: the formulas compile, and those without a cached
  // value are calculated.
  workbook.calculation->FinishLoading();
}

}  // namespace sheetwright::files
