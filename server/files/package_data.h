// What the file layer keeps with a loaded workbook and its sheets so that a
// save can write back everything the engine does not model.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "server/engine/sheet.h"
#include "server/files/zip_reader.h"

namespace sheetwright::files {

enum class FileFormat : uint8_t { Package, Csv };

struct WorkbookFileData : engine::AttachedData {
  FileFormat format = FileFormat::Package;

  // Package: the source archive stays open until the next successful save,
  // so unchanged parts are copied from the very file that was loaded.
  std::unique_ptr<ZipReader> zip;
  std::string workbookPart;       // e.g. "xl/workbook.xml"
  std::string workbookRelsPart;   // e.g. "xl/_rels/workbook.xml.rels"
  std::string sharedStringsPart;  // empty when the package has none
  std::string stylesPart;         // empty when the package has none
  size_t loadedActiveSheet = 0;
  bool loadedDate1904 = false;
  uint32_t loadedXfCount = 1;     // cellXfs entries in the loaded styles part
  size_t derivedStylesWritten = 0;  // workbook.derivedStyles already in the styles part

  // Shared string table: entry i holds pool id sstIds[i]; sstRich[i] marks
  // rich-text entries, which are kept verbatim and reused only for cells
  // whose text was not changed.
  std::vector<uint32_t> sstIds;
  std::vector<uint8_t> sstRich;

  // Raw <row> attributes (everything but r and spans), by RowExtra id - 1.
  std::vector<std::string> rowExtras;
  std::unordered_map<std::string, uint32_t> rowExtraIds;

  // Csv: separator and whether the file began with a byte-order mark.
  bool csvByteOrderMark = false;
};

// A formula whose <f> carries attributes the engine does not model (array
// and data-table formulas): written back with them while the cell still
// holds the same formula.
struct SpecialFormula {
  uint32_t formula = 0;  // string id of the formula text as loaded
  std::string attributes;  // raw, e.g. ` t="array" ref="A1:A3"`
};

// Cell attributes the engine does not model (cm, vm, ph ...): written back
// while the cell still holds exactly what was loaded.
struct KeptCellAttributes {
  engine::Cell loaded;
  std::string attributes;  // raw, e.g. ` cm="1"`
};

struct SheetFileData : engine::AttachedData {
  std::string part;          // e.g. "xl/worksheets/sheet1.xml"
  std::string relId;         // relationship id in the workbook part
  std::string state;         // loaded state attribute ("", "hidden", "veryHidden")
  std::wstring loadedName;
  bool loadedHidden = false;
  bool loadedTabSelected = false;  // the active sheet when loaded or last saved

  // Worksheet XML around <sheetData>: `prefix` ends just before the
  // <sheetData> start tag, `suffix` begins just after its end.
  std::string prefix;
  std::string suffix;
  std::string sheetDataQName = "sheetData";
  bool parsed = false;  // a worksheet part whose cells were loaded

  int32_t loadedActiveRow = 1;
  int32_t loadedActiveCol = 1;
  std::vector<engine::CellRect> loadedSelection;

  // The AutoFilter range as the kept markup has it (before the deletions
  // since the last save), and whether the object model switched it off.
  std::optional<engine::CellRect> autoFilter;
  bool autoFilterRemoved = false;

  std::map<std::pair<int32_t, int32_t>, SpecialFormula> specialFormulas;
  std::map<std::pair<int32_t, int32_t>, KeptCellAttributes> keptCellAttributes;
};

}  // namespace sheetwright::files
