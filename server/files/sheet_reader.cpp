#include "server/files/sheet_reader.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <unordered_map>

#include "server/files/cell_reference.h"
#include "server/files/file_error.h"
#include "server/engine/calculation.h"
#include "server/files/formula_shift.h"
#include "server/files/serial_date.h"
#include "server/files/utf8.h"
#include "server/files/sheet_layout.h"
#include "server/files/xstring_escape.h"

namespace sheetwright::files {

using engine::Cell;
using engine::CellType;

namespace {

enum class Phase { Before, InData, After };

// The cell being read, between <c> and </c>.
struct PendingCell {
  int32_t row = 0;
  int32_t col = 0;
  uint32_t style = 0;
  std::string_view type;  // points into typeStore
  std::string typeStore;
  std::string value;
  bool hasValue = false;
  bool hasFormula = false;
  std::string formula;
  std::string formulaType;
  std::string formulaRef;
  std::string formulaSi;
  std::string formulaAttributes;  // raw attributes of a special <f>
  std::string otherAttributes;    // raw attributes of <c> besides r, s and t
};

struct SharedFormula {
  std::string text;
  int32_t row = 0;
  int32_t col = 0;
};

int32_t ParseInt(std::string_view s, int32_t fallback) {
  int32_t v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() ? v : fallback;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\n' || s.front() == '\r' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\n' || s.back() == '\r' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

class WorksheetReader {
 public:
  WorksheetReader(XmlScanner& scanner, engine::Workbook& workbook, WorkbookFileData& bookData, engine::Sheet& sheet,
                  SheetFileData& sheetData, uint64_t partBytes)
      : s_(scanner), wb_(workbook), book_(bookData), sheet_(sheet), data_(sheetData), partBytes_(partBytes) {}

  void Run();

 private:
  void BeforeData(const XmlToken& t);
  void InData(const XmlToken& t);
  void StartRow(const XmlToken& t);
  void StartCell(const XmlToken& t);
  void StartFormula(const XmlToken& t);
  void CommitCell();
  void StoreCell();
  void ReserveRowsFor(const XmlToken& dimension);
  // Sizes the cell storage of the row being filled exactly, once its cells
  // are all stored.
  void FinishFilledRow();
  uint32_t Intern(std::string_view utf8) {
    wide_.clear();
    AppendUtf8AsWide(utf8, wide_);
    return wb_.strings.Intern(wide_);
  }
  // A formula of this sheet's cell (row, col); it is compiled once every
  // sheet is loaded.
  uint32_t LoadFormula(std::string_view utf8, int32_t row, int32_t col) {
    wide_.clear();
    AppendUtf8AsWide(utf8, wide_);
    return wb_.calculation->LoadFormula(sheet_, row, col, wide_);
  }
  [[noreturn]] void Fail(const std::string& what) {
    throw FileError("The part " + data_.part + " is damaged: " + what + ".");
  }

  XmlScanner& s_;
  engine::Workbook& wb_;
  WorkbookFileData& book_;
  engine::Sheet& sheet_;
  SheetFileData& data_;
  const uint64_t partBytes_;

  Phase phase_ = Phase::Before;
  size_t rootEndInPrefix_ = std::string::npos;  // where the root's end tag starts, without <sheetData>
  int32_t row_ = 0;
  int32_t lastCol_ = 0;
  PendingCell cell_;
  bool inCell_ = false;
  bool inV_ = false;
  bool inF_ = false;
  bool inIs_ = false;
  bool inT_ = false;
  int skipDepth_ = -1;  // inside <rPh> of an inline string
  std::wstring wide_;
  std::unordered_map<std::string, SharedFormula> shared_;

  // The row whose cells are being stored (0 = none), and the cell counts of
  // the last rows stored: the widest of them is the room given to the next
  // row, so rows of a steady width are allocated once.
  int32_t filledRow_ = 0;
  std::array<uint16_t, 8> recentWidths_{};
  size_t recentNext_ = 0;

  // First sheet view.
  int sheetViewDepth_ = -1;
  bool sawSheetView_ = false;
  std::string activePane_ = "topLeft";
  struct Selection {
    std::string pane, activeCell, sqref;
  };
  std::vector<Selection> selections_;
};

void WorksheetReader::Run() {
  for (const XmlToken* t = &s_.Next(); t->kind != XmlTokenKind::End; t = &s_.Next()) {
    switch (phase_) {
      case Phase::Before:
        if (t->kind == XmlTokenKind::EndTag && s_.depth() == 1) rootEndInPrefix_ = data_.prefix.size();
        BeforeData(*t);
        break;
      case Phase::InData:
        InData(*t);
        break;
      case Phase::After:
        data_.suffix.append(t->raw);
        break;
    }
  }
  FinishFilledRow();
  if (phase_ == Phase::Before) {
    // No <sheetData>: split before the root's end tag so a save can put one there.
    const size_t close = rootEndInPrefix_;
    if (close == std::string::npos) Fail("it is not a worksheet");
    data_.suffix = data_.prefix.substr(close);
    data_.prefix.resize(close);
  }
  // The kept markup must be one a save can rewrite; otherwise the sheet is
  // refused now rather than its edits lost at the save.
  data_.autoFilter = CheckSheetLayout(data_.prefix, data_.sheetDataQName, data_.suffix, s_.partName());
  // The selection of the active pane (or the only one).
  const Selection* chosen = nullptr;
  for (const Selection& sel : selections_) {
    if (!chosen || sel.pane == activePane_) chosen = &sel;
    if (sel.pane == activePane_) break;
  }
  if (chosen) {
    if (auto p = ParseCellRef(chosen->activeCell)) {
      sheet_.activeRow = p->row;
      sheet_.activeCol = p->col;
    }
    sheet_.selection = ParseSqref(chosen->sqref);
  }
  data_.loadedActiveRow = sheet_.activeRow;
  data_.loadedActiveCol = sheet_.activeCol;
  data_.loadedSelection = sheet_.selection;
  data_.parsed = true;
}

void WorksheetReader::BeforeData(const XmlToken& t) {
  if (t.kind == XmlTokenKind::StartTag) {
    if (t.name == "sheetData") {
      std::string_view qname = t.raw.substr(1, t.raw.find_first_of(" \t\r\n/>", 1) - 1);
      data_.sheetDataQName = std::string(qname);
      phase_ = t.selfClosing ? Phase::After : Phase::InData;
      return;
    }
    if (t.name == "dimension") {
      ReserveRowsFor(t);
    } else if (t.name == "sheetView" && !sawSheetView_) {
      sawSheetView_ = true;
      if (!t.selfClosing) sheetViewDepth_ = s_.depth();
    } else if (sheetViewDepth_ >= 0 && t.name == "pane") {
      activePane_ = "topLeft";
      if (const XmlAttribute* a = t.Find("activePane")) activePane_ = std::string(a->raw);
    } else if (sheetViewDepth_ >= 0 && t.name == "selection") {
      Selection sel;
      sel.pane = "topLeft";
      if (const XmlAttribute* a = t.Find("pane")) sel.pane = std::string(a->raw);
      if (const XmlAttribute* a = t.Find("activeCell")) sel.activeCell = std::string(a->raw);
      if (const XmlAttribute* a = t.Find("sqref")) sel.sqref = std::string(a->raw);
      if (sel.sqref.empty()) sel.sqref = sel.activeCell;
      selections_.push_back(std::move(sel));
    }
  } else if (t.kind == XmlTokenKind::EndTag && sheetViewDepth_ >= 0 && t.name == "sheetView") {
    sheetViewDepth_ = -1;
  }
  data_.prefix.append(t.raw);
}

void WorksheetReader::InData(const XmlToken& t) {
  switch (t.kind) {
    case XmlTokenKind::StartTag: {
      std::string_view n = t.name;
      if (skipDepth_ >= 0) return;
      if (n == "c") {
        StartCell(t);
        if (t.selfClosing) CommitCell();
      } else if (n == "v") {
        inV_ = !t.selfClosing;
        cell_.hasValue = true;
      } else if (n == "f") {
        StartFormula(t);
      } else if (n == "row") {
        StartRow(t);
      } else if (n == "is") {
        inIs_ = !t.selfClosing;
        cell_.hasValue = true;
      } else if (inIs_ && n == "t") {
        inT_ = !t.selfClosing;
      } else if (inIs_ && (n == "rPh" || n == "phoneticPr")) {
        if (!t.selfClosing) skipDepth_ = s_.depth();
      }
      return;
    }
    case XmlTokenKind::Text:
      if (inV_ || (inT_ && skipDepth_ < 0)) {
        s_.AppendText(cell_.value);
      } else if (inF_) {
        s_.AppendText(cell_.formula);
      }
      return;
    case XmlTokenKind::EndTag: {
      std::string_view n = t.name;
      if (skipDepth_ >= 0) {
        if (s_.depth() == skipDepth_) skipDepth_ = -1;
        return;
      }
      if (n == "v") {
        inV_ = false;
      } else if (n == "c") {
        CommitCell();
      } else if (n == "f") {
        inF_ = false;
      } else if (n == "t") {
        inT_ = false;
      } else if (n == "is") {
        inIs_ = false;
      } else if (n == "sheetData") {
        FinishFilledRow();
        phase_ = Phase::After;
      }
      return;
    }
    default:
      return;
  }
}

void WorksheetReader::ReserveRowsFor(const XmlToken& dimension) {
  const XmlAttribute* ref = dimension.Find("ref");
  if (!ref) return;
  const std::optional<engine::CellRect> area = ParseRangeRef(ref->raw);
  if (!area) return;
  // A stated dimension is a hint only: every row record takes some bytes of
  // the part, so a dimension the part cannot fill reserves no more than it could.
  const uint64_t rows = std::min<uint64_t>(uint64_t(area->r2 - area->r1) + 1, partBytes_ / 16);
  sheet_.ReserveRows(static_cast<size_t>(rows));
}

void WorksheetReader::FinishFilledRow() {
  if (filledRow_ == 0) return;
  const size_t width = sheet_.FitRow(filledRow_);
  recentWidths_[recentNext_] = static_cast<uint16_t>(std::min<size_t>(width, UINT16_MAX));
  recentNext_ = (recentNext_ + 1) % recentWidths_.size();
  filledRow_ = 0;
}

void WorksheetReader::StartRow(const XmlToken& t) {
  int32_t r = row_ + 1;
  std::string extra;
  for (const XmlAttribute& a : t.attributes) {
    if (a.name == "r" && a.qname == "r") {
      r = ParseInt(a.raw, -1);
    } else if (a.qname != "spans") {
      extra += ' ';
      extra.append(a.qname);
      extra += "=\"";
      extra.append(a.raw);
      extra += '"';
    }
  }
  if (r < 1 || r > engine::kMaxRows || r <= row_) Fail("a row number is out of order or outside the sheet");
  row_ = r;
  lastCol_ = 0;
  if (!extra.empty()) {
    auto [it, added] = book_.rowExtraIds.emplace(extra, static_cast<uint32_t>(book_.rowExtras.size() + 1));
    if (added) book_.rowExtras.push_back(extra);
    sheet_.SetRowExtra(r, it->second);
  }
}

void WorksheetReader::StartCell(const XmlToken& t) {
  cell_.row = row_;
  cell_.col = lastCol_ + 1;
  cell_.style = 0;
  cell_.typeStore.clear();
  cell_.value.clear();
  cell_.hasValue = false;
  cell_.hasFormula = false;
  cell_.formula.clear();
  cell_.otherAttributes.clear();
  inCell_ = true;
  if (row_ == 0) Fail("a cell outside any row");
  for (const XmlAttribute& a : t.attributes) {
    if (a.qname.size() != 1 || (a.qname[0] != 'r' && a.qname[0] != 's' && a.qname[0] != 't')) {
      cell_.otherAttributes += ' ';
      cell_.otherAttributes.append(a.qname);
      cell_.otherAttributes += "=\"";
      cell_.otherAttributes.append(a.raw);
      cell_.otherAttributes += '"';
      continue;
    }
    switch (a.qname[0]) {
      case 'r': {
        auto p = ParseCellRef(a.raw);
        if (!p || p->row != row_) Fail("the cell reference '" + std::string(a.raw) + "' does not belong to its row");
        cell_.col = p->col;
        break;
      }
      case 's':
        cell_.style = static_cast<uint32_t>(ParseInt(a.raw, 0));
        break;
      case 't':
        cell_.typeStore.assign(a.raw);
        break;
    }
  }
  if (cell_.col <= lastCol_ || cell_.col > engine::kMaxColumns) Fail("cells are out of order in row " + std::to_string(row_));
  lastCol_ = cell_.col;
  cell_.type = cell_.typeStore;
}

void WorksheetReader::StartFormula(const XmlToken& t) {
  cell_.hasFormula = true;
  cell_.formulaType.clear();
  cell_.formulaRef.clear();
  cell_.formulaSi.clear();
  cell_.formulaAttributes.clear();
  for (const XmlAttribute& a : t.attributes) {
    if (a.name == "t") cell_.formulaType.assign(a.raw);
    else if (a.name == "ref") cell_.formulaRef.assign(a.raw);
    else if (a.name == "si") cell_.formulaSi.assign(a.raw);
  }
  if (cell_.formulaType != "shared" && cell_.formulaType != "normal" && !cell_.formulaType.empty()) {
    for (const XmlAttribute& a : t.attributes) {
      cell_.formulaAttributes += ' ';
      cell_.formulaAttributes.append(a.qname);
      cell_.formulaAttributes += "=\"";
      cell_.formulaAttributes.append(a.raw);
      cell_.formulaAttributes += '"';
    }
  }
  inF_ = !t.selfClosing;
}

void WorksheetReader::CommitCell() {
  inCell_ = inV_ = inF_ = inIs_ = inT_ = false;
  StoreCell();
  if (!cell_.otherAttributes.empty()) {
    if (const Cell* stored = sheet_.Find(cell_.row, cell_.col)) {
      data_.keptCellAttributes[{cell_.row, cell_.col}] = {*stored, cell_.otherAttributes};
    }
  }
}

void WorksheetReader::StoreCell() {
  std::string_view type = cell_.type;
  bool hasContent = cell_.hasValue || cell_.hasFormula;
  if (!hasContent && cell_.style == 0) return;
  if (cell_.row != filledRow_) {
    FinishFilledRow();
    filledRow_ = cell_.row;
    // The row's record exists once it holds a cell; room is made before the
    // cell reference below is taken, as making room moves the cells.
    sheet_.Put(cell_.row, cell_.col);
    sheet_.ReserveRow(cell_.row, *std::max_element(recentWidths_.begin(), recentWidths_.end()));
  }
  Cell& cell = sheet_.Put(cell_.row, cell_.col);
  cell.style = cell_.style;
  if (cell_.hasFormula) {
    // Formulas carry the same _xHHHH_ escapes as texts (the writer escapes them).
    DecodeEscapedCharacters(cell_.formula);
    std::string text;
    if (cell_.formulaType == "shared") {
      if (!cell_.formulaRef.empty() || shared_.find(cell_.formulaSi) == shared_.end()) {
        shared_[cell_.formulaSi] = {cell_.formula, cell_.row, cell_.col};
        text = cell_.formula;
      } else {
        const SharedFormula& master = shared_[cell_.formulaSi];
        text = cell_.formula.empty() ? ShiftFormula(master.text, cell_.row - master.row, cell_.col - master.col)
                                     : cell_.formula;
      }
    } else {
      text = cell_.formula;
    }
    if (!text.empty() && text.front() == '=') text.erase(0, 1);
    if (!text.empty()) {
      cell.formula = LoadFormula(text, cell_.row, cell_.col);
      if (!cell_.formulaAttributes.empty()) {
        data_.specialFormulas[{cell_.row, cell_.col}] = {Intern(text), cell_.formulaAttributes};
      }
    }
  }
  if (!cell_.hasValue) return;
  std::string_view v = cell_.value;
  if (type.empty() || type == "n") {
    std::string_view trimmed = Trim(v);
    if (trimmed.empty()) return;
    double number = 0;
    auto r = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), number);
    if (r.ec != std::errc() || r.ptr != trimmed.data() + trimmed.size()) {
      cell.type = CellType::Text;
      cell.text = Intern(v);
      return;
    }
    cell.number = number;
    cell.type = wb_.IsDateStyle(cell_.style) ? CellType::Date : CellType::Number;
  } else if (type == "s") {
    int32_t index = ParseInt(Trim(v), -1);
    if (index < 0 || static_cast<size_t>(index) >= book_.sstIds.size()) {
      Fail("a cell refers to shared string " + std::string(v) + ", which does not exist");
    }
    cell.type = CellType::Text;
    cell.text = book_.sstIds[static_cast<size_t>(index)];
  } else if (type == "str" || type == "inlineStr") {
    DecodeEscapedCharacters(cell_.value);
    cell.type = CellType::Text;
    cell.text = Intern(cell_.value);
  } else if (type == "b") {
    std::string_view b = Trim(v);
    cell.type = CellType::Boolean;
    cell.boolean = b == "1" || b == "true" || b == "TRUE";
  } else if (type == "e") {
    wide_.clear();
    AppendUtf8AsWide(Trim(v), wide_);
    if (auto error = engine::ParseErrorValue(wide_)) {
      cell.type = CellType::Error;
      cell.error = *error;
    } else {
      // An error value the engine does not know (#SPILL!, #CALC!...): shown as its text.
      cell.type = CellType::Text;
      cell.text = wb_.strings.Intern(wide_);
    }
  } else if (type == "d") {
    if (auto serial = IsoDateToSerial(Trim(v), wb_.date1904)) {
      cell.type = CellType::Date;
      cell.number = *serial;
    } else {
      cell.type = CellType::Text;
      cell.text = Intern(v);
    }
  } else {
    Fail("a cell has the unknown type '" + std::string(type) + "'");
  }
}

}  // namespace

void ReadWorksheet(XmlScanner& scanner, engine::Workbook& workbook, WorkbookFileData& bookData, engine::Sheet& sheet,
                   SheetFileData& sheetData, uint64_t partBytes) {
  WorksheetReader(scanner, workbook, bookData, sheet, sheetData, partBytes).Run();
}

}  // namespace sheetwright::files
