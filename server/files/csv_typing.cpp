#include "server/files/csv_typing.h"

#include <charconv>
#include <optional>
#include <string>

#include "server/files/serial_date.h"
#include "server/files/utf8.h"

namespace sheetwright::files {

using engine::CellType;

namespace {

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// m/d/yyyy (or m/d/yy) and yyyy-mm-dd, with an optional h:mm[:ss] after a space.
std::optional<double> ParseTypedDate(std::string_view s, bool date1904) {
  std::string iso;
  auto digits = [](std::string_view t) {
    if (t.empty() || t.size() > 4) return false;
    for (char c : t) if (c < '0' || c > '9') return false;
    return true;
  };
  std::string_view datePart = s, timePart;
  size_t space = s.find(' ');
  if (space != std::string_view::npos) {
    datePart = s.substr(0, space);
    timePart = TrimSpaces(s.substr(space + 1));
  }
  int y = 0, m = 0, d = 0;
  char sep = datePart.find('/') != std::string_view::npos ? '/' : '-';
  size_t a = datePart.find(sep);
  size_t b = a == std::string_view::npos ? a : datePart.find(sep, a + 1);
  if (b == std::string_view::npos) return std::nullopt;
  std::string_view p1 = datePart.substr(0, a), p2 = datePart.substr(a + 1, b - a - 1), p3 = datePart.substr(b + 1);
  if (!digits(p1) || !digits(p2) || !digits(p3)) return std::nullopt;
  auto num = [](std::string_view t) {
    int v = 0;
    std::from_chars(t.data(), t.data() + t.size(), v);
    return v;
  };
  if (sep == '-' && p1.size() == 4) {
    y = num(p1), m = num(p2), d = num(p3);
  } else if (sep == '/') {
    m = num(p1), d = num(p2), y = num(p3);
    if (p3.size() <= 2) y += y < 30 ? 2000 : 1900;
  } else {
    return std::nullopt;
  }
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1900 || y > 9999 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1]) return std::nullopt;
  if (m == 2 && d == 29 && !((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return std::nullopt;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
  iso = buf;
  if (!timePart.empty()) {
    std::string t(timePart);
    if (t.size() == 4 || (t.size() == 7 && t[1] == ':')) t = "0" + t;  // h:mm -> hh:mm
    iso += "T" + t;
  }
  return IsoDateToSerial(iso, date1904);
}

}  // namespace

std::optional<double> ParseTypedNumber(std::string_view text) {
  std::string_view s = TrimSpaces(text);
  if (s.empty()) return std::nullopt;
  std::string plain;
  plain.reserve(s.size());
  size_t i = 0;
  if (s[i] == '+' || s[i] == '-') {
    if (s[i] == '-') plain.push_back('-');
    ++i;
  }
  // Integer part with optional thousands separators in groups of three.
  size_t groupDigits = 0;
  bool grouped = false, anyDigit = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      plain.push_back(c);
      ++groupDigits;
      anyDigit = true;
    } else if (c == ',' && anyDigit && (!grouped ? groupDigits <= 3 : groupDigits == 3)) {
      grouped = true;
      groupDigits = 0;
    } else {
      break;
    }
  }
  if (grouped && groupDigits != 3) return std::nullopt;
  if (i < s.size() && s[i] == '.') {
    plain.push_back('.');
    ++i;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      plain.push_back(s[i]);
      anyDigit = true;
    }
  }
  if (!anyDigit) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    plain.push_back('e');
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain.push_back(s[i++]);
    size_t expStart = i;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) plain.push_back(s[i]);
    if (i == expStart) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  double value = 0;
  auto r = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (r.ec != std::errc() || r.ptr != plain.data() + plain.size()) return std::nullopt;
  return value;
}

void PutTypedField(std::string_view field, engine::Workbook& workbook, engine::Cell& cell) {
  if (field.empty()) return;
  if (auto number = ParseTypedNumber(field)) {
    cell.type = CellType::Number;
    cell.number = *number;
    return;
  }
  std::string_view trimmed = TrimSpaces(field);
  if (trimmed.size() > 1 && trimmed.back() == '%') {
    if (auto number = ParseTypedNumber(trimmed.substr(0, trimmed.size() - 1))) {
      cell.type = CellType::Number;
      cell.number = *number / 100;
      bool whole = *number == static_cast<double>(static_cast<long long>(*number));
      cell.style = workbook.DeriveStyle(cell.style, whole ? engine::kNumFmtPercent : engine::kNumFmtPercent2);
      return;
    }
  }
  if (EqualsNoCaseAscii(trimmed, "TRUE") || EqualsNoCaseAscii(trimmed, "FALSE")) {
    cell.type = CellType::Boolean;
    cell.boolean = EqualsNoCaseAscii(trimmed, "TRUE");
    return;
  }
  std::wstring wide = WideFromUtf8(field);
  if (!trimmed.empty() && trimmed.front() == '#') {
    if (auto error = engine::ParseErrorValue(WideFromUtf8(trimmed))) {
      cell.type = CellType::Error;
      cell.error = *error;
      return;
    }
  }
  if (auto serial = ParseTypedDate(trimmed, workbook.date1904)) {
    cell.type = CellType::Date;
    cell.number = *serial;
    cell.style = workbook.DeriveStyle(cell.style, engine::kNumFmtShortDate);
    return;
  }
  cell.type = CellType::Text;
  cell.text = workbook.strings.Intern(wide);
}

}  // namespace sheetwright::files
