#include "server/files/cell_reference.h"

#include <algorithm>

namespace sheetwright::files {

using engine::CellRect;
using engine::EditKind;
using engine::kMaxColumns;
using engine::kMaxRows;
using engine::StructuralEdit;

namespace {

// Parses "$AB" letters; returns chars used (0 if none).
size_t ParseLetters(std::string_view s, int32_t& col) {
  size_t i = 0;
  if (i < s.size() && s[i] == '$') ++i;
  size_t start = i;
  int64_t value = 0;
  while (i < s.size() && i - start < 4) {
    char c = s[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c < 'A' || c > 'Z') break;
    value = value * 26 + (c - 'A' + 1);
    ++i;
  }
  if (i == start || value > kMaxColumns) return 0;
  col = static_cast<int32_t>(value);
  return i;
}

size_t ParseDigits(std::string_view s, int32_t& row) {
  size_t i = 0;
  if (i < s.size() && s[i] == '$') ++i;
  size_t start = i;
  int64_t value = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 8) {
    value = value * 10 + (s[i] - '0');
    ++i;
  }
  if (i == start || value < 1 || value > kMaxRows) return 0;
  row = static_cast<int32_t>(value);
  return i;
}

// Moves the span [a, b] along one axis when [first, last] is deleted there.
std::optional<std::pair<int32_t, int32_t>> MoveSpan(int32_t a, int32_t b, int32_t first, int32_t last) {
  const int32_t count = last - first + 1;
  if (b < first) return std::make_pair(a, b);
  if (a > last) return std::make_pair(a - count, b - count);
  // Overlap: keep what lies outside the deleted band.
  int32_t keptBefore = std::max(0, first - a);
  int32_t keptAfter = std::max(0, b - last);
  if (keptBefore + keptAfter == 0) return std::nullopt;
  int32_t newA = a < first ? a : first;
  return std::make_pair(newA, newA + keptBefore + keptAfter - 1);
}

}  // namespace

std::optional<CellPos> ParseCellRef(std::string_view text) {
  CellPos pos;
  size_t used = ParseLetters(text, pos.col);
  if (!used) return std::nullopt;
  size_t digits = ParseDigits(text.substr(used), pos.row);
  if (!digits || used + digits != text.size()) return std::nullopt;
  return pos;
}

void AppendColumnLetters(int32_t col, std::string& out) {
  char buf[4];
  int n = 0;
  while (col > 0 && n < 4) {
    int32_t rem = (col - 1) % 26;
    buf[n++] = static_cast<char>('A' + rem);
    col = (col - 1) / 26;
  }
  while (n > 0) out.push_back(buf[--n]);
}

void AppendCellRef(int32_t row, int32_t col, std::string& out) {
  AppendColumnLetters(col, out);
  out += std::to_string(row);
}

std::string CellRef(int32_t row, int32_t col) {
  std::string out;
  AppendCellRef(row, col, out);
  return out;
}

std::optional<CellRect> ParseRangeRef(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    auto p = ParseCellRef(text);
    if (!p) return std::nullopt;
    return CellRect{p->row, p->col, p->row, p->col};
  }
  std::string_view a = text.substr(0, colon), b = text.substr(colon + 1);
  auto pa = ParseCellRef(a), pb = ParseCellRef(b);
  if (pa && pb) {
    return CellRect{std::min(pa->row, pb->row), std::min(pa->col, pb->col), std::max(pa->row, pb->row),
                    std::max(pa->col, pb->col)};
  }
  int32_t c1 = 0, c2 = 0;
  if (ParseLetters(a, c1) == a.size() && ParseLetters(b, c2) == b.size() && c1 && c2) {
    return CellRect{1, std::min(c1, c2), kMaxRows, std::max(c1, c2)};
  }
  int32_t r1 = 0, r2 = 0;
  if (ParseDigits(a, r1) == a.size() && ParseDigits(b, r2) == b.size() && r1 && r2) {
    return CellRect{std::min(r1, r2), 1, std::max(r1, r2), kMaxColumns};
  }
  return std::nullopt;
}

std::string RangeRef(const CellRect& rect) {
  std::string out;
  AppendCellRef(rect.r1, rect.c1, out);
  if (rect.r1 != rect.r2 || rect.c1 != rect.c2) {
    out.push_back(':');
    AppendCellRef(rect.r2, rect.c2, out);
  }
  return out;
}

std::vector<CellRect> ParseSqref(std::string_view text) {
  std::vector<CellRect> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    size_t start = i;
    while (i < text.size() && text[i] != ' ') ++i;
    if (i > start) {
      if (auto r = ParseRangeRef(text.substr(start, i - start))) out.push_back(*r);
    }
  }
  return out;
}

std::string SqrefText(const std::vector<CellRect>& rects) {
  std::string out;
  for (const CellRect& r : rects) {
    if (!out.empty()) out.push_back(' ');
    out += RangeRef(r);
  }
  return out;
}

std::optional<CellRect> MoveRect(const CellRect& rect, const StructuralEdit& edit) {
  CellRect r = rect;
  switch (edit.kind) {
    case EditKind::DeleteRows: {
      auto span = MoveSpan(r.r1, r.r2, edit.r1, edit.r2);
      if (!span) return std::nullopt;
      r.r1 = span->first;
      r.r2 = span->second;
      return r;
    }
    case EditKind::DeleteColumns: {
      auto span = MoveSpan(r.c1, r.c2, edit.c1, edit.c2);
      if (!span) return std::nullopt;
      r.c1 = span->first;
      r.c2 = span->second;
      return r;
    }
    case EditKind::DeleteShiftUp: {
      // Only the columns edit.c1..edit.c2 move; a rectangle moves when it lies
      // wholly inside that band, and stays when wholly outside it.
      if (r.c2 < edit.c1 || r.c1 > edit.c2 || r.r2 < edit.r1) return r;
      if (r.c1 < edit.c1 || r.c2 > edit.c2) return r;
      auto span = MoveSpan(r.r1, r.r2, edit.r1, edit.r2);
      if (!span) return std::nullopt;
      r.r1 = span->first;
      r.r2 = span->second;
      return r;
    }
    case EditKind::DeleteShiftLeft: {
      if (r.r2 < edit.r1 || r.r1 > edit.r2 || r.c2 < edit.c1) return r;
      if (r.r1 < edit.r1 || r.r2 > edit.r2) return r;
      auto span = MoveSpan(r.c1, r.c2, edit.c1, edit.c2);
      if (!span) return std::nullopt;
      r.c1 = span->first;
      r.c2 = span->second;
      return r;
    }
  }
  return r;
}

std::optional<CellPos> MovePos(CellPos pos, const StructuralEdit& edit) {
  auto moved = MoveRect(CellRect{pos.row, pos.col, pos.row, pos.col}, edit);
  if (!moved) return std::nullopt;
  return CellPos{moved->r1, moved->c1};
}

}  // namespace sheetwright::files
