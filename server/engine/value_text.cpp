#include "server/engine/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "server/engine/date_serial.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

std::wstring Widen(const char* s) { return std::wstring(s, s + std::strlen(s)); }

void StripFixedZeros(char* buffer) {
  if (!std::strchr(buffer, '.')) return;
  size_t n = std::strlen(buffer);
  while (n > 0 && buffer[n - 1] == '0') buffer[--n] = 0;
  if (n > 0 && buffer[n - 1] == '.') buffer[--n] = 0;
}

// Days from 1899-12-30, the serial epoch, to 1970-01-01.
constexpr int64_t kDaysToUnixEpoch = 25569;

// "=" and the formula text of a string id.
std::wstring EnteredFormula(const Workbook& book, uint32_t formula) {
  const std::wstring text = book.FormulaText(formula);
  std::wstring entered;
  entered.reserve(text.size() + 1);
  entered += L'=';
  entered += text;
  return entered;
}

}  // namespace

std::wstring NumberText(double value) {
  if (value == 0 || !std::isfinite(value)) return L"0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  const char* e = std::strchr(buffer, 'E');
  if (!e) return Widen(buffer);
  // Exponent form: keep it only when the fixed form would need more than 15
  // decimals.
  const int exponent = std::atoi(e + 1);
  const char* point = std::strchr(buffer, '.');
  const int decimals = point && point < e ? int(e - point - 1) : 0;
  const int x = std::abs(exponent) + std::max(0, decimals - 1);
  if (x < 15) {
    std::snprintf(buffer, sizeof buffer, "%.15f", value);
    StripFixedZeros(buffer);
    return Widen(buffer);
  }
  // "%.15G" gives at least two exponent digits already ("1E+15").
  return Widen(buffer);
}

double DateSerial(int year, int month, int day) {
  double serial = double(DaysFromCivil(year, month, day) + kDaysToUnixEpoch);
  if (serial < 61) serial -= 1;  // the phantom 2/29/1900 shifts earlier dates
  return serial;
}

double SerialToOleDate(double serial, bool date1904) {
  if (date1904) return serial + 1462;
  if (serial >= 1 && serial < 61) return serial + 1;
  return serial;
}

double OleDateToSerial(double date, bool date1904) {
  if (date1904) return date - 1462;
  if (date >= 2 && date < 61) return date - 1;
  return date;
}

std::wstring PercentText(double value, int decimals) {
  const double percent = value * 100;
  if (!std::isfinite(percent)) return NumberText(value);
  char buffer[64];
  if (std::fabs(percent) < 1e15) {
    std::snprintf(buffer, sizeof buffer, "%.*f%%", decimals, percent);
    return Widen(buffer);
  }
  // Past 15 digits the application shows 15 significant digits and zeros:
  // "1.23456789012345e+20" becomes "123456789012345000000".
  std::snprintf(buffer, sizeof buffer, "%.14e", percent);
  const char* e = std::strchr(buffer, 'e');
  const int exponent = std::atoi(e + 1);
  std::wstring out;
  out.reserve(size_t(exponent) + 8 + size_t(decimals));
  for (const char* p = buffer; p < e; ++p) {
    if (*p != '.') out += wchar_t(*p);
  }
  const size_t digits = out.size() - (out[0] == L'-' ? 1 : 0);
  out.append(size_t(exponent) + 1 - digits, L'0');
  if (decimals > 0) out += L'.' + std::wstring(size_t(decimals), L'0');
  out += L'%';
  return out;
}

std::wstring DateText(double serial) {
  // Serials before 0 or past 12/31/9999 are no dates; the application shows
  // the cell as a row of '#'.
  const std::optional<CivilTime> t = CivilFromSerial(serial);
  if (!t) return L"########";
  const bool hasDate = !(t->year == 1900 && t->month == 1 && t->day == 0);
  std::wstring out;
  if (hasDate) out = std::to_wstring(t->month) + L"/" + std::to_wstring(t->day) + L"/" + std::to_wstring(t->year);
  if (t->hour != 0 || t->minute != 0 || t->second != 0 || !hasDate) {
    const int h = t->hour;
    wchar_t buffer[32];
    std::swprintf(buffer, 32, L"%d:%02d:%02d %ls", h % 12 == 0 ? 12 : h % 12, t->minute, t->second,
                  h < 12 ? L"AM" : L"PM");
    if (!out.empty()) out += L' ';
    out += buffer;
  }
  return out;
}

std::wstring DisplayText(const Workbook& book, const Cell& cell) {
  switch (cell.type) {
    case CellType::Empty:
      return cell.formula ? EnteredFormula(book, cell.formula) : std::wstring();
    case CellType::Text:
      return std::wstring(book.strings.Text(cell.text));
    case CellType::Boolean:
      return cell.boolean ? L"TRUE" : L"FALSE";
    case CellType::Error:
      return ErrorValueText(cell.error);
    case CellType::Date:
      return DateText(book.date1904 ? cell.number + 1462 : cell.number);
    case CellType::Number: {
      if (book.IsDateStyle(cell.style)) return DateText(book.date1904 ? cell.number + 1462 : cell.number);
      const uint16_t format = book.NumberFormatOf(cell.style);
      if (format == 9 || format == 10) return PercentText(cell.number, format == 9 ? 0 : 2);
      return NumberText(cell.number);
    }
  }
  return std::wstring();
}

std::wstring EnteredText(const Workbook& book, const Cell& cell) {
  if (cell.formula) return EnteredFormula(book, cell.formula);
  return DisplayText(book, cell);
}

}  // namespace sheetwright::engine
