#include "server/files/csv_file.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "server/files/atomic_file.h"
#include "server/engine/typed_input.h"
#include "server/engine/value_text.h"
#include "server/engine/workbook.h"
#include "server/files/file_error.h"
#include "server/files/native_file.h"
#include "server/files/package_data.h"
#include "server/files/utf8.h"

namespace sheetwright::files {

using engine::Cell;
using engine::CellType;

namespace {

constexpr uint64_t kMaxCsvBytes = 2ull << 30;

std::string ReadWholeFile(const std::string& path, const std::string& displayName) {
  int fd = OpenForReading(path);
  if (fd < 0) throw FileError("Excel cannot open the file '" + displayName + "': " + std::strerror(errno) + ".");
  const int64_t size = FileSize(fd);
  if (size < 0 || static_cast<uint64_t>(size) > kMaxCsvBytes) {
    CloseFile(fd);
    throw FileError("Excel cannot open the file '" + displayName + "': it is larger than 2 GB.");
  }
  std::string text;
  text.resize(static_cast<size_t>(size));
  size_t have = 0;
  while (have < text.size()) {
    int64_t n = ReadSome(fd, text.data() + have, text.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    have += static_cast<size_t>(n);
  }
  CloseFile(fd);
  text.resize(have);
  return text;
}

// "C:/x/Sales Q1.csv" -> "Sales Q1", cut to the 31 characters a sheet name
// may have, with characters a sheet name may not hold replaced by '_'.
std::wstring SheetNameFor(const std::string& displayName) {
  std::string stem = displayName;
  size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) stem.resize(dot);
  std::wstring name = WideFromUtf8(stem);
  for (wchar_t& c : name) {
    if (c == L'[' || c == L']' || c == L':' || c == L'*' || c == L'?' || c == L'/' || c == L'\\') c = L'_';
  }
  if (name.size() > 31) name.resize(31);
  if (name.empty()) name = L"Sheet1";
  return name;
}

void AppendGeneralNumber(double value, std::string& out) {
  // The shortest text that reads back exactly; written without an exponent
  // where the application shows none (3000000, not 3e+06).
  char buf[64];
  const double magnitude = std::fabs(value);
  const bool fixed = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15);
  auto r = fixed ? std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed)
                 : std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

// " h:mm" or " h:mm:ss" of a fraction of a day; nothing at midnight.
void AppendTimeOfDay(double fraction, std::string& out) {
  char buf[48];
  long seconds = std::lround(fraction * 86400.0);
  if (seconds > 0 && seconds < 86400) {
    int n = std::snprintf(buf, sizeof buf, " %ld:%02ld", seconds / 3600, (seconds / 60) % 60);
    out.append(buf, static_cast<size_t>(n));
    if (seconds % 60) {
      n = std::snprintf(buf, sizeof buf, ":%02ld", seconds % 60);
      out.append(buf, static_cast<size_t>(n));
    }
  }
}

void AppendDate(double serial, bool date1904, std::string& out) {
  // A serial that is no date (negative, past 9999) is written as its number,
  // so nothing is lost.
  const double serial1900 = date1904 ? serial + 1462 : serial;
  if (!(serial1900 >= 0 && serial1900 < engine::kFirstSerialPastYear9999)) {
    if (std::isfinite(serial)) AppendGeneralNumber(serial, out);
    else out += "#NUM!";
    return;
  }
  // Serial -> civil date (1900 system: day 60 is the phantom 1900-02-29,
  // which the application writes and reads back as such).
  double whole = std::floor(serial);
  int64_t days = static_cast<int64_t>(whole);
  if (!date1904 && days == 60) {
    out += "2/29/1900";
    AppendTimeOfDay(serial - whole, out);
    return;
  }
  int64_t civil;  // days since 1970-01-01
  if (date1904) {
    civil = days - 24107;
  } else {
    if (days < 61) days += 1;
    civil = days - 25569;
  }
  // days_from_civil inverse (Howard Hinnant).
  int64_t z = civil + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  char buf[48];
  int n = std::snprintf(buf, sizeof buf, "%d/%d/%d", static_cast<int>(m), static_cast<int>(d), static_cast<int>(y));
  out.append(buf, static_cast<size_t>(n));
  AppendTimeOfDay(serial - whole, out);
}

// A field becomes a value the way typed text does, with two exceptions: a
// .csv file is data, so a field starting with '=' stays text instead of
// becoming a formula that would run; and a leading apostrophe is part of the
// text, not a mark that the rest is text (the application reads it so, and
// otherwise every save and load would strip one more).
void PutField(std::string_view field, engine::Workbook& workbook, engine::Sheet& sheet, int32_t row, int32_t col) {
  std::wstring wide = WideFromUtf8(field);
  engine::TypedValue value = engine::InterpretTypedText(wide);
  if (value.kind == engine::TypedValue::Kind::Formula || value.kind == engine::TypedValue::Kind::Invalid ||
      wide.front() == L'\'') {
    value = engine::TypedValue{};
    value.kind = engine::TypedValue::Kind::Text;
    value.text = std::move(wide);
  }
  if (value.kind == engine::TypedValue::Kind::Empty) return;
  engine::StoreTypedValue(workbook, sheet, row, col, value);
  // Numbers in a date format are dates, as when a package is read.
  if (const engine::Cell* cell = sheet.Find(row, col);
      cell && cell->type == CellType::Number && workbook.IsDateStyle(cell->style)) {
    sheet.Put(row, col).type = CellType::Date;
  }
}

void AppendField(std::string_view text, std::string& out) {
  bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
               (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) {
    out.append(text);
    return;
  }
  out.push_back('"');
  for (char c : text) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace

void ParseCsvInto(std::string_view text, engine::Workbook& workbook, engine::Sheet& sheet,
                  const std::string& displayName) {
  int32_t row = 1, col = 1;
  std::string field;
  size_t i = 0;
  const size_t n = text.size();
  bool rowHasContent = false;
  auto commit = [&]() {
    if (col > engine::kMaxColumns) {
      throw FileError("Excel cannot open the file '" + displayName + "': a line holds more than 16,384 fields.");
    }
    if (!field.empty()) {
      if (row > engine::kMaxRows) {
        throw FileError("Excel cannot open the file '" + displayName +
                        "': it holds more than 1,048,576 lines, more than a sheet can show.");
      }
      PutField(field, workbook, sheet, row, col);
      rowHasContent = true;
    }
    field.clear();
  };
  while (i < n) {
    char c = text[i];
    if (c == '"' && field.empty()) {
      // Quoted field: up to the closing quote; "" is a quote.
      ++i;
      while (true) {
        size_t q = text.find('"', i);
        if (q == std::string_view::npos) {
          field.append(text.substr(i));
          i = n;
          break;
        }
        field.append(text.substr(i, q - i));
        if (q + 1 < n && text[q + 1] == '"') {
          field.push_back('"');
          i = q + 2;
        } else {
          i = q + 1;
          break;
        }
      }
      // Anything after the closing quote up to the separator is kept as text.
      while (i < n && text[i] != ',' && text[i] != '\n' && text[i] != '\r') field.push_back(text[i++]);
      continue;
    }
    if (c == ',') {
      commit();
      ++col;
      ++i;
    } else if (c == '\n' || c == '\r') {
      commit();
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      ++i;
      ++row;
      col = 1;
      rowHasContent = false;
    } else {
      size_t stop = text.find_first_of(",\r\n", i);
      if (stop == std::string_view::npos) stop = n;
      field.append(text.substr(i, stop - i));
      i = stop;
    }
  }
  commit();
  (void)rowHasContent;
}

void LoadCsv(const std::string& path, const std::string& displayName, engine::Workbook& workbook) {
  std::string text = ReadWholeFile(path, displayName);
  auto data = std::make_unique<WorkbookFileData>();
  data->format = FileFormat::Csv;
  std::string_view view = text;
  if (view.size() >= 3 && view.substr(0, 3) == "\xEF\xBB\xBF") {
    data->csvByteOrderMark = true;
    view.remove_prefix(3);
  }
  engine::Sheet& sheet = workbook.AddWorksheet(SheetNameFor(displayName));
  ParseCsvInto(view, workbook, sheet, displayName);
  sheet.modified = false;
  workbook.activeSheet = 0;
  workbook.fileData = std::move(data);
}

std::string CsvText(const engine::Workbook& workbook, const engine::Sheet& sheet) {
  std::string out;
  std::string scratch;
  engine::Sheet::Bounds bounds = sheet.UsedBounds();
  int32_t nextRow = 1;
  // Rows from 1 to the last used one; within a row, fields up to the last
  // column of the used range, so every line has the same number of fields.
  auto writeEmptyRows = [&](int32_t upTo) {
    for (; nextRow < upTo; ++nextRow) {
      out.append(static_cast<size_t>(bounds.lastCol - 1), ',');
      out += "\r\n";
    }
  };
  bool any = false;
  sheet.ForEachRow([&](int32_t row) {
    bool rowHasContent = false;
    sheet.ForEachCellInRow(row, [&](int32_t, const Cell& cell) { rowHasContent |= cell.HasContent(); });
    if (!rowHasContent) return;
    any = true;
    writeEmptyRows(row);
    int32_t col = 1;
    sheet.ForEachCellInRow(row, [&](int32_t c, const Cell& cell) {
      if (!cell.HasContent()) return;
      out.append(static_cast<size_t>(c - col), ',');
      col = c;
      switch (cell.type) {
        case CellType::Number:
          if (!std::isfinite(cell.number)) {
            out += "#NUM!";
          } else if (const uint16_t format = workbook.NumberFormatOf(cell.style); format == 9 || format == 10) {
            // Written as shown ("3%"), which reads back as the same percentage.
            AppendWideAsUtf8(engine::PercentText(cell.number, format == 9 ? 0 : 2), out);
          } else {
            AppendGeneralNumber(cell.number, out);
          }
          break;
        case CellType::Date:
          AppendDate(cell.number, workbook.date1904, out);
          break;
        case CellType::Text:
          scratch.clear();
          AppendWideAsUtf8(workbook.strings.Text(cell.text), scratch);
          AppendField(scratch, out);
          break;
        case CellType::Boolean:
          out += cell.boolean ? "TRUE" : "FALSE";
          break;
        case CellType::Error:
          AppendWideAsUtf8(engine::ErrorValueText(cell.error), out);
          break;
        case CellType::Empty:
          break;
      }
    });
    out.append(static_cast<size_t>(bounds.lastCol - col), ',');
    out += "\r\n";
    nextRow = row + 1;
  });
  if (!any) return out;
  return out;
}

void SaveCsv(engine::Workbook& workbook, const std::string& path, const std::string& displayName) {
  const engine::Sheet* sheet = nullptr;
  if (workbook.activeSheet < workbook.sheets.size() &&
      workbook.sheets[workbook.activeSheet]->kind == engine::SheetKind::Worksheet) {
    sheet = workbook.sheets[workbook.activeSheet].get();
  } else {
    sheet = workbook.WorksheetAt(0);
  }
  if (!sheet) throw FileError("Cannot save '" + displayName + "' as CSV: the workbook has no worksheet.");
  auto* data = dynamic_cast<WorkbookFileData*>(workbook.fileData.get());
  std::string text = data && data->csvByteOrderMark ? "\xEF\xBB\xBF" : "";
  text += CsvText(workbook, *sheet);
  AtomicFile file(path);
  size_t done = 0;
  while (done < text.size()) {
    int64_t n = WriteSome(file.fd(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      throw FileError("Cannot save '" + path + "': " + (errno == ENOSPC ? "the disk is full" : std::strerror(errno)) + ".");
    }
    done += static_cast<size_t>(n);
  }
  file.Commit();
  for (auto& s : workbook.sheets) {
    s->modified = false;
    s->ForgetEdits();
  }
}

}  // namespace sheetwright::files
