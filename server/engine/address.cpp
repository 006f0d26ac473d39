#include "server/engine/address.h"

#include "server/engine/workbook.h"

#include <algorithm>

namespace sheetwright::engine {

namespace {

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring_view Trim(std::wstring_view s) {
  while (!s.empty() && s.front() == L' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == L' ') s.remove_suffix(1);
  return s;
}

// One side of a reference: a cell, a row number or column letters.
struct Part {
  std::optional<int32_t> row;
  std::optional<int32_t> col;
};

std::optional<Part> ParsePart(std::wstring_view s) {
  Part part;
  size_t i = 0;
  if (i < s.size() && s[i] == L'$') ++i;
  size_t letters = i;
  while (letters < s.size() && IsAsciiLetter(s[letters])) ++letters;
  if (letters > i) {
    part.col = ColumnNumber(s.substr(i, letters - i));
    if (!part.col) return std::nullopt;
    i = letters;
    if (i < s.size() && s[i] == L'$') ++i;
  } else if (i > 0 && (i >= s.size() || !IsDigit(s[i]))) {
    return std::nullopt;
  }
  size_t digits = i;
  while (digits < s.size() && IsDigit(s[digits])) ++digits;
  if (digits != s.size()) return std::nullopt;
  if (digits > i) {
    if (digits - i > 7) return std::nullopt;
    int32_t row = 0;
    for (size_t k = i; k < digits; ++k) row = row * 10 + (s[k] - L'0');
    if (row < 1 || row > kMaxRows) return std::nullopt;
    part.row = row;
  } else if (i < s.size() || !part.col) {
    return std::nullopt;
  }
  // "$B$" or a '$' before the row of a bare row number is malformed.
  if (!part.col && !part.row) return std::nullopt;
  return part;
}

std::optional<CellRect> ParseSingle(std::wstring_view s, std::wstring_view sheetName) {
  const size_t bang = s.rfind(L'!');
  if (bang != std::wstring_view::npos) {
    std::wstring_view sheet = s.substr(0, bang);
    if (sheet.size() >= 2 && sheet.front() == L'\'' && sheet.back() == L'\'') sheet = sheet.substr(1, sheet.size() - 2);
    if (!EqualsNoCase(sheet, sheetName)) return std::nullopt;
    s = s.substr(bang + 1);
  }
  const size_t colon = s.find(L':');
  if (colon == std::wstring_view::npos) {
    auto part = ParsePart(s);
    if (!part || !part->row || !part->col) return std::nullopt;
    return CellRect{*part->row, *part->col, *part->row, *part->col};
  }
  auto a = ParsePart(s.substr(0, colon));
  auto b = ParsePart(s.substr(colon + 1));
  if (!a || !b) return std::nullopt;
  if (a->row && a->col && b->row && b->col)
    return CellRect{std::min(*a->row, *b->row), std::min(*a->col, *b->col), std::max(*a->row, *b->row),
                    std::max(*a->col, *b->col)};
  if (a->row && !a->col && b->row && !b->col)
    return CellRect{std::min(*a->row, *b->row), 1, std::max(*a->row, *b->row), kMaxColumns};
  if (!a->row && a->col && !b->row && b->col)
    return CellRect{1, std::min(*a->col, *b->col), kMaxRows, std::max(*a->col, *b->col)};
  return std::nullopt;
}

std::wstring RelativeNumber(wchar_t letter, int32_t value, int32_t base, bool absolute) {
  std::wstring out(1, letter);
  if (absolute) return out + std::to_wstring(value);
  if (value != base) out += L"[" + std::to_wstring(value - base) + L"]";
  return out;
}

std::wstring FormatArea(const CellRect& a, const AddressForm& f) {
  const wchar_t* rowMark = f.rowAbsolute ? L"$" : L"";
  const wchar_t* colMark = f.columnAbsolute ? L"$" : L"";
  if (IsWholeRows(a)) {
    if (f.r1c1) {
      std::wstring first = RelativeNumber(L'R', a.r1, f.baseRow, f.rowAbsolute);
      if (a.r1 == a.r2) return first;
      return first + L":" + RelativeNumber(L'R', a.r2, f.baseRow, f.rowAbsolute);
    }
    return rowMark + std::to_wstring(a.r1) + L":" + rowMark + std::to_wstring(a.r2);
  }
  if (IsWholeColumns(a)) {
    if (f.r1c1) {
      std::wstring first = RelativeNumber(L'C', a.c1, f.baseCol, f.columnAbsolute);
      if (a.c1 == a.c2) return first;
      return first + L":" + RelativeNumber(L'C', a.c2, f.baseCol, f.columnAbsolute);
    }
    return colMark + ColumnLetters(a.c1) + L":" + colMark + ColumnLetters(a.c2);
  }
  auto cell = [&](int32_t r, int32_t c) {
    if (f.r1c1)
      return RelativeNumber(L'R', r, f.baseRow, f.rowAbsolute) + RelativeNumber(L'C', c, f.baseCol, f.columnAbsolute);
    return colMark + ColumnLetters(c) + rowMark + std::to_wstring(r);
  };
  std::wstring out = cell(a.r1, a.c1);
  if (a.r1 != a.r2 || a.c1 != a.c2) out += L":" + cell(a.r2, a.c2);
  return out;
}

std::optional<CellRect> Intersect(const CellRect& a, const CellRect& b) {
  CellRect r{std::max(a.r1, b.r1), std::max(a.c1, b.c1), std::min(a.r2, b.r2), std::min(a.c2, b.c2)};
  if (r.r1 > r.r2 || r.c1 > r.c2) return std::nullopt;
  return r;
}

}  // namespace

std::wstring ColumnLetters(int32_t col) {
  std::wstring out;
  while (col > 0) {
    const int32_t d = (col - 1) % 26;
    out.insert(out.begin(), wchar_t(L'A' + d));
    col = (col - 1) / 26;
  }
  return out;
}

std::optional<int32_t> ColumnNumber(std::wstring_view letters) {
  if (letters.empty() || letters.size() > 3) return std::nullopt;
  int32_t col = 0;
  for (wchar_t c : letters) {
    if (!IsAsciiLetter(c)) return std::nullopt;
    col = col * 26 + ((c | 0x20) - L'a' + 1);
  }
  if (col > kMaxColumns) return std::nullopt;
  return col;
}

std::optional<std::vector<CellRect>> ParseA1Reference(std::wstring_view text, std::wstring_view sheetName) {
  std::vector<CellRect> areas;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(L',', start);
    if (comma == std::wstring_view::npos) comma = text.size();
    std::wstring_view piece = Trim(text.substr(start, comma - start));
    if (piece.empty()) return std::nullopt;
    // Blanks inside a piece are the intersection operator.
    std::optional<CellRect> area;
    size_t pos = 0;
    while (pos < piece.size()) {
      size_t blank = piece.find(L' ', pos);
      if (blank == std::wstring_view::npos) blank = piece.size();
      std::wstring_view operand = piece.substr(pos, blank - pos);
      if (!operand.empty()) {
        auto rect = ParseSingle(operand, sheetName);
        if (!rect) return std::nullopt;
        area = area ? Intersect(*area, *rect) : rect;
        if (!area) return std::nullopt;
      }
      pos = blank + 1;
    }
    if (!area) return std::nullopt;
    areas.push_back(*area);
    start = comma + 1;
    if (comma == text.size()) break;
  }
  if (areas.empty()) return std::nullopt;
  return areas;
}

std::wstring FormatAddress(const std::vector<CellRect>& areas, const AddressForm& form) {
  std::wstring out;
  for (size_t i = 0; i < areas.size(); ++i) {
    if (i) out += L',';
    out += FormatArea(areas[i], form);
  }
  return out;
}

}  // namespace sheetwright::engine
