#include "server/files/sheet_writer.h"

#include <charconv>
#include <cmath>
#include <map>

#include "server/files/cell_reference.h"
#include "server/files/file_error.h"
#include "server/files/shared_strings_part.h"
#include "server/files/sheet_layout.h"
#include "server/files/utf8.h"

namespace sheetwright::files {

using engine::Cell;
using engine::CellType;

namespace {

void AppendNumber(double value, std::string& out) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void AppendUnsigned(uint64_t value, std::string& out) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

bool SameContent(const Cell& a, const Cell& b) {
  return a.type == b.type && a.formula == b.formula && a.text == b.text && a.boolean == b.boolean &&
         a.error == b.error && (a.number == b.number || (a.number != a.number && b.number != b.number));
}

class SheetDataWriter {
 public:
  SheetDataWriter(const engine::Sheet& sheet, const SheetFileData* data, const SheetWriteOptions& options,
                  const std::string& prefix)
      : sheet_(sheet), data_(data), o_(options) {
    // Element names carry the namespace prefix <sheetData> was written with.
    rowOpen_ = "<" + prefix + "row r=\"";
    rowClose_ = "</" + prefix + "row>";
    cellOpen_ = "<" + prefix + "c r=\"";
    cellClose_ = "</" + prefix + "c>";
    fOpen_ = "<" + prefix + "f";
    fClose_ = "</" + prefix + "f>";
    vOpen_ = "<" + prefix + "v>";
    vClose_ = "</" + prefix + "v>";
    isOpen_ = "<" + prefix + "is><" + prefix + "t>";
    isOpenPreserve_ = "<" + prefix + "is><" + prefix + "t xml:space=\"preserve\">";
    isClose_ = "</" + prefix + "t></" + prefix + "is>";
    if (data_ && !sheet_.edits.empty() && o_.mappers) MoveSpecialFormulas();
  }

  void Write(std::string& out) {
    out.reserve(out.size() + sheet_.CellCount() * 34 + 1024);
    sheet_.ForEachRow([&](int32_t row) {
      out += rowOpen_;
      AppendUnsigned(static_cast<uint64_t>(row), out);
      out += '"';
      uint32_t extra = sheet_.RowExtra(row);
      if (extra > 0 && extra <= o_.rowExtras.size()) out += o_.rowExtras[extra - 1];
      size_t mark = out.size();
      out += '>';
      bool any = false;
      sheet_.ForEachCellInRow(row, [&](int32_t col, const Cell& cell) {
        any = true;
        WriteCell(row, col, cell, out);
      });
      if (any) {
        out += rowClose_;
      } else {
        out.resize(mark);
        out += "/>";
      }
    });
  }

 private:
  // Array and data-table formulas that the edits moved: where they are now,
  // with their ref following the edits, and the formula text they must
  // still hold (adjusted the same way) to keep their attributes.
  struct MovedSpecial {
    std::string text;
    std::string attributes;
  };
  void MoveSpecialFormulas() {
    const engine::EditMapper* own = o_.mappers->For(sheet_);
    if (!own) return;
    const std::string sheetName = Utf8FromWide(sheet_.name);
    const auto lookup = o_.mappers->Lookup();
    for (const auto& [pos, special] : data_->specialFormulas) {
      auto at = own->MapRect(engine::CellRect{pos.first, pos.second, pos.first, pos.second});
      if (!at) continue;
      MovedSpecial moved;
      moved.text = Utf8FromWide(o_.workbook.strings.Text(special.formula));
      engine::AdjustFormulaReferences(moved.text, sheetName, lookup);
      moved.attributes = special.attributes;
      const size_t refAt = moved.attributes.find(" ref=\"");
      if (refAt != std::string::npos) {
        const size_t valueAt = refAt + 6, end = moved.attributes.find('"', valueAt);
        if (end != std::string::npos) {
          if (auto rect = ParseRangeRef(std::string_view(moved.attributes).substr(valueAt, end - valueAt))) {
            auto shifted = own->MapRect(*rect);
            if (!shifted) continue;
            moved.attributes.replace(valueAt, end - valueAt, RangeRef(*shifted));
          }
        }
      }
      movedSpecials_.emplace(std::make_pair(at->r1, at->c1), std::move(moved));
    }
  }
  std::map<std::pair<int32_t, int32_t>, MovedSpecial> movedSpecials_;

  void WriteCell(int32_t row, int32_t col, const Cell& cell, std::string& out) {
    out += cellOpen_;
    AppendColumnLetters(col, out);
    AppendUnsigned(static_cast<uint64_t>(row), out);
    out += '"';
    if (data_ && !data_->keptCellAttributes.empty() && sheet_.edits.empty()) {
      auto kept = data_->keptCellAttributes.find({row, col});
      if (kept != data_->keptCellAttributes.end() && SameContent(kept->second.loaded, cell)) {
        out += kept->second.attributes;
      }
    }
    if (cell.style != 0 && cell.style < o_.styleCount) {
      out += " s=\"";
      AppendUnsigned(cell.style, out);
      out += '"';
    }
    const bool hasFormula = cell.formula != 0;
    double number = cell.number;
    CellType type = cell.type;
    if ((type == CellType::Number || type == CellType::Date) && !std::isfinite(number)) type = CellType::Error;
    switch (type) {
      case CellType::Text:
        if (hasFormula) {
          out += " t=\"str\"";
        } else if (o_.strings.useSharedStrings) {
          out += " t=\"s\"";
        } else {
          out += " t=\"inlineStr\"";
        }
        break;
      case CellType::Boolean:
        out += " t=\"b\"";
        break;
      case CellType::Error:
        out += " t=\"e\"";
        break;
      default:
        break;
    }
    if (!hasFormula && type == CellType::Empty) {
      out += "/>";
      return;
    }
    out += '>';
    if (hasFormula) {
      out += fOpen_;
      if (data_ && sheet_.edits.empty()) {
        auto it = data_->specialFormulas.find({row, col});
        if (it != data_->specialFormulas.end() &&
            o_.workbook.strings.Text(it->second.formula) == o_.workbook.FormulaText(cell.formula))
          out += it->second.attributes;
      } else if (auto moved = movedSpecials_.find({row, col}); moved != movedSpecials_.end()) {
        if (moved->second.text == Utf8FromWide(o_.workbook.FormulaText(cell.formula))) out += moved->second.attributes;
      }
      out += '>';
      scratch_.clear();
      AppendWideAsUtf8(o_.workbook.FormulaText(cell.formula), scratch_);
      AppendXmlEscaped(scratch_, out);
      out += fClose_;
    }
    switch (type) {
      case CellType::Empty:
        break;
      case CellType::Number:
      case CellType::Date:
        out += vOpen_;
        AppendNumber(number, out);
        out += vClose_;
        break;
      case CellType::Boolean:
        out += vOpen_;
        out += cell.boolean ? '1' : '0';
        out += vClose_;
        break;
      case CellType::Error:
        out += vOpen_;
        if (cell.type == CellType::Error) {
          AppendWideAsUtf8(engine::ErrorValueText(cell.error), out);
        } else {
          out += "#NUM!";
        }
        out += vClose_;
        break;
      case CellType::Text:
        WriteText(cell.text, hasFormula, out);
        break;
    }
    out += cellClose_;
  }

  void WriteText(uint32_t id, bool formulaResult, std::string& out) {
    if (!formulaResult && o_.strings.useSharedStrings) {
      auto [it, added] = o_.strings.index.emplace(id, static_cast<uint32_t>(o_.strings.entryCount));
      if (added) {
        o_.strings.added.push_back(o_.workbook.strings.Text(id));
        ++o_.strings.entryCount;
      }
      out += vOpen_;
      AppendUnsigned(it->second, out);
      out += vClose_;
      return;
    }
    scratch_.clear();
    AppendWideAsUtf8(o_.workbook.strings.Text(id), scratch_);
    if (formulaResult) {
      out += vOpen_;
    } else {
      out += NeedsSpacePreserve(scratch_) ? isOpenPreserve_ : isOpen_;
    }
    AppendXmlEscaped(scratch_, out);
    out += formulaResult ? vClose_ : isClose_;
  }

  const engine::Sheet& sheet_;
  const SheetFileData* data_;
  const SheetWriteOptions& o_;
  std::string scratch_;
  std::string rowOpen_, rowClose_, cellOpen_, cellClose_, fOpen_, fClose_, vOpen_, vClose_, isOpen_,
      isOpenPreserve_, isClose_;
};

const char* kNewWorksheetPrefix =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<dimension ref=\"A1\"/><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
    "<sheetFormatPr defaultRowHeight=\"15\"/>";
const char* kNewWorksheetSuffix =
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>";

}  // namespace

std::string WriteWorksheetPart(const engine::Sheet& sheet, const SheetFileData* data, const SheetWriteOptions& options,
                               SheetLayout& layout) {
  layout.prefix = data && data->parsed ? data->prefix : kNewWorksheetPrefix;
  layout.suffix = data && data->parsed ? data->suffix : kNewWorksheetSuffix;
  layout.sheetDataQName = data && data->parsed ? data->sheetDataQName : "sheetData";
  layout.dropAutoFilter = data && data->autoFilterRemoved;
  const std::string partName = data ? data->part : "new worksheet";
  AdjustSheetLayout(layout, sheet, options.tabSelected, partName, options.mappers);

  std::string out;
  out.reserve(layout.prefix.size() + layout.suffix.size() + sheet.CellCount() * 34 + 64);
  out += layout.prefix;
  out += "<" + layout.sheetDataQName + ">";
  size_t colon = layout.sheetDataQName.find(':');
  std::string prefix = colon == std::string::npos ? "" : layout.sheetDataQName.substr(0, colon + 1);
  SheetDataWriter(sheet, data, options, prefix).Write(out);
  out += "</" + layout.sheetDataQName + ">";
  out += layout.suffix;
  return out;
}

}  // namespace sheetwright::files
