// Lookup and reference functions: VLOOKUP, HLOOKUP, MATCH, XLOOKUP, INDEX,
// CHOOSE, ROW, COLUMN, ROWS, COLUMNS, OFFSET, INDIRECT.
#include <cmath>

#include "server/engine/formula_criteria.h"
#include "server/engine/formula_functions.h"
#include "server/engine/formula_names.h"
#include "server/engine/formula_tokens.h"
#include "server/engine/text_match.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

// A vector of a grid: row `index` (byRows) or column `index`.
struct Line {
  const ValueGrid* grid;
  bool alongRow;  // items run along a row (HLOOKUP, a one-row range)
  int32_t index;
  int32_t size() const { return alongRow ? grid->cols : grid->rows; }
  Value At(CallContext& context, int32_t i) const {
    return alongRow ? grid->At(context, index, i) : grid->At(context, i, index);
  }
};

bool SameType(const Value& a, const Value& b) {
  auto rank = [](const Value& v) {
    if (v.kind == ValueKind::Number) return 0;
    if (v.kind == ValueKind::Text) return 1;
    if (v.kind == ValueKind::Boolean) return 2;
    return 3;
  };
  return rank(a) == rank(b);
}

// Exact match: texts without regard to case, with wildcards when `wildcards`.
int32_t FindExact(CallContext& context, const Line& line, const Value& wanted, bool wildcards, bool reverse) {
  std::optional<TextMatcher> matcher;
  if (wildcards && wanted.kind == ValueKind::Text && wanted.text.find_first_of(L"*?~") != std::wstring::npos)
    matcher.emplace(wanted.text, true, false);
  const int32_t n = line.size();
  for (int32_t k = 0; k < n; ++k) {
    const int32_t i = reverse ? n - 1 - k : k;
    const Value v = line.At(context, i);
    if (matcher) {
      if (v.kind == ValueKind::Text && matcher->Matches(v.text)) return i;
    } else if (SameType(v, wanted) && CompareValues(v, wanted) == 0) {
      return i;
    }
  }
  return -1;
}

// Approximate match on sorted data, as the application's binary search
// finds it: the last item <= wanted (ascending) or >= wanted (descending).
int32_t FindSorted(CallContext& context, const Line& line, const Value& wanted, bool descending) {
  int32_t lo = 0, hi = line.size() - 1, found = -1;
  while (lo <= hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    // Items of another type (or empty) are passed over towards the start.
    int32_t probe = mid;
    Value v = line.At(context, probe);
    while (probe > lo && !SameType(v, wanted)) v = line.At(context, --probe);
    if (!SameType(v, wanted)) {
      lo = mid + 1;
      continue;
    }
    const int c = CompareValues(v, wanted);
    if (descending ? c >= 0 : c <= 0) {
      found = probe;
      if (c == 0 && !descending) {
        lo = mid + 1;
      } else {
        lo = mid + 1;
      }
    } else {
      hi = probe - 1;
    }
  }
  return found;
}

Value LookupIn(CallContext& context, std::span<Value> args, bool vertical) {
  Value wanted = Scalar(context, args[0]);
  if (wanted.IsError()) return wanted;
  if (args[1].IsError()) return args[1];
  auto grid = GridOf(context, args[1]);
  if (!grid || (args[1].kind != ValueKind::Reference && args[1].kind != ValueKind::Array))
    return Value::Error(ErrorValue::NA);
  const NumberOrError index = ArgNumber(context, args[2]);
  if (index.error) return Value::Error(*index.error);
  if (index.number < 1) return Value::Error(ErrorValue::Value);
  if (index.number > double(kMaxColumns) * kMaxRows) return Value::Error(ErrorValue::Ref);
  const int64_t k = int64_t(std::trunc(index.number));
  if (k > (vertical ? args[1].kind == ValueKind::Reference ? args[1].ref.Cols() : grid->cols
                    : args[1].kind == ValueKind::Reference ? args[1].ref.Rows() : grid->rows))
    return Value::Error(ErrorValue::Ref);
  bool approximate = true;
  if (args.size() > 3 && args[3].kind != ValueKind::Missing) {
    const BoolOrError b = ArgBool(context, args[3]);
    if (b.error) return Value::Error(*b.error);
    approximate = b.value;
  }
  if (wanted.IsBlank()) wanted = Value::Number(0);
  const Line keys{&*grid, !vertical, 0};
  const int32_t at = approximate ? FindSorted(context, keys, wanted, false) : FindExact(context, keys, wanted, true, false);
  if (at < 0) return Value::Error(ErrorValue::NA);
  if (k - 1 >= (vertical ? grid->cols : grid->rows)) return Value::Number(0);  // past the used cells: empty
  return vertical ? grid->At(context, at, int32_t(k - 1)) : grid->At(context, int32_t(k - 1), at);
}
Value VLookup(CallContext& c, std::span<Value> a) { return LookupIn(c, a, true); }
Value HLookup(CallContext& c, std::span<Value> a) { return LookupIn(c, a, false); }

// The searched argument of MATCH and XLOOKUP as a line; nullopt unless it is
// one row or one column.
std::optional<Line> LineOf(const ValueGrid& grid) {
  if (grid.rows == 1) return Line{&grid, true, 0};
  if (grid.cols == 1) return Line{&grid, false, 0};
  return std::nullopt;
}

Value Match(CallContext& context, std::span<Value> args) {
  Value wanted = Scalar(context, args[0]);
  if (wanted.IsError()) return wanted;
  if (args[1].IsError()) return args[1];
  if (args[1].kind != ValueKind::Reference && args[1].kind != ValueKind::Array) return Value::Error(ErrorValue::NA);
  auto grid = GridOf(context, args[1]);
  if (!grid) return Value::Error(ErrorValue::NA);
  auto line = LineOf(*grid);
  if (!line) return Value::Error(ErrorValue::NA);
  double type = 1;
  if (args.size() > 2 && args[2].kind != ValueKind::Missing) {
    const NumberOrError n = ArgNumber(context, args[2]);
    if (n.error) return Value::Error(*n.error);
    type = n.number;
  }
  if (wanted.IsBlank()) wanted = Value::Number(0);
  const int32_t at = type == 0 ? FindExact(context, *line, wanted, true, false)
                                : FindSorted(context, *line, wanted, type < 0);
  if (at < 0) return Value::Error(ErrorValue::NA);
  return Value::Number(at + 1);
}

// The result of XLOOKUP: the row or column of the return argument at `at`.
Value PickFrom(CallContext& context, const Value& from, const ValueGrid& grid, bool alongRow, int32_t at) {
  if (from.kind == ValueKind::Reference) {
    CellRect r = from.ref.rect;
    if (alongRow) {
      r.c1 = r.c2 = r.c1 + at;
    } else {
      r.r1 = r.r2 = r.r1 + at;
    }
    return Value::Ref(from.ref.sheet, r);
  }
  return alongRow ? grid.At(context, 0, at) : grid.At(context, at, 0);
}

Value XLookup(CallContext& context, std::span<Value> args) {
  Value wanted = Scalar(context, args[0]);
  if (wanted.IsError()) return wanted;
  for (size_t i = 1; i < 3; ++i) {
    if (args[i].IsError()) return args[i];
    if (args[i].kind != ValueKind::Reference && args[i].kind != ValueKind::Array) return Value::Error(ErrorValue::Value);
  }
  auto keys = GridOf(context, args[1]);
  auto results = GridOf(context, args[2]);
  if (!keys || !results) return Value::Error(ErrorValue::Value);
  auto line = LineOf(*keys);
  if (!line) return Value::Error(ErrorValue::Value);
  const bool alongRow = line->alongRow;
  if ((alongRow ? results->cols : results->rows) < line->size()) return Value::Error(ErrorValue::Value);
  double matchMode = 0, searchMode = 1;
  if (args.size() > 4 && args[4].kind != ValueKind::Missing) {
    const NumberOrError n = ArgNumber(context, args[4]);
    if (n.error) return Value::Error(*n.error);
    matchMode = std::trunc(n.number);
  }
  if (args.size() > 5 && args[5].kind != ValueKind::Missing) {
    const NumberOrError n = ArgNumber(context, args[5]);
    if (n.error) return Value::Error(*n.error);
    searchMode = std::trunc(n.number);
  }
  if (matchMode < -1 || matchMode > 2 || !(searchMode == 1 || searchMode == -1 || searchMode == 2 || searchMode == -2))
    return Value::Error(ErrorValue::Value);
  const bool reverse = searchMode == -1 || searchMode == -2;
  if (wanted.IsBlank()) wanted = Value::Text(L"");
  int32_t at = -1;
  if (matchMode == 0 || matchMode == 2) {
    at = FindExact(context, *line, wanted, matchMode == 2, reverse);
  } else {
    // Exact, else the next smaller (-1) or next larger (1) item.
    int32_t best = -1;
    Value bestValue;
    const int32_t n = line->size();
    for (int32_t k = 0; k < n; ++k) {
      const int32_t i = reverse ? n - 1 - k : k;
      const Value v = line->At(context, i);
      if (!SameType(v, wanted)) continue;
      const int c = CompareValues(v, wanted);
      if (c == 0) {
        best = i;
        break;
      }
      if ((matchMode < 0 && c < 0 && (best < 0 || CompareValues(v, bestValue) > 0)) ||
          (matchMode > 0 && c > 0 && (best < 0 || CompareValues(v, bestValue) < 0))) {
        best = i;
        bestValue = v;
      }
    }
    at = best;
  }
  if (at < 0) {
    if (args.size() > 3 && args[3].kind != ValueKind::Missing) return args[3];
    return Value::Error(ErrorValue::NA);
  }
  return PickFrom(context, args[2], *results, alongRow, at);
}

Value Index(CallContext& context, std::span<Value> args) {
  const Value& source = args[0];
  if (source.IsError()) return source;
  auto number = [&](size_t i, double& out) -> std::optional<ErrorValue> {
    out = 0;
    if (i >= args.size() || args[i].kind == ValueKind::Missing) return std::nullopt;
    const NumberOrError n = ArgNumber(context, args[i]);
    if (n.error) return n.error;
    out = std::trunc(n.number);
    if (out < 0) return ErrorValue::Value;
    return std::nullopt;
  };
  double row = 0, col = 0;
  if (auto e = number(1, row)) return Value::Error(*e);
  if (auto e = number(2, col)) return Value::Error(*e);
  if (source.kind == ValueKind::Reference) {
    const RangeRef& ref = source.ref;
    // A one-row range takes its single index as a column.
    if (args.size() < 3 && ref.Rows() == 1 && ref.Cols() > 1) std::swap(row, col);
    if (row > double(ref.Rows()) || col > double(ref.Cols())) return Value::Error(ErrorValue::Ref);
    CellRect r = ref.rect;
    if (row > 0) r.r1 = r.r2 = ref.rect.r1 + int32_t(row) - 1;
    if (col > 0) r.c1 = r.c2 = ref.rect.c1 + int32_t(col) - 1;
    return Value::Ref(ref.sheet, r);
  }
  auto grid = GridOf(context, source);
  if (!grid) return Value::Error(ErrorValue::Value);
  if (args.size() < 3 && grid->rows == 1) std::swap(row, col);
  if (row > grid->rows || col > grid->cols) return Value::Error(ErrorValue::Ref);
  if (row == 0 && grid->rows == 1) row = 1;
  if (col == 0 && grid->cols == 1) col = 1;
  if (row == 0 || col == 0) return Value::Error(ErrorValue::Value);
  return grid->At(context, int32_t(row) - 1, int32_t(col) - 1);
}

Value Choose(CallContext& context, std::span<Value> args) {
  const NumberOrError n = ArgNumber(context, args[0]);
  if (n.error) return Value::Error(*n.error);
  const double k = std::trunc(n.number);
  if (k < 1 || k >= double(args.size())) return Value::Error(ErrorValue::Value);
  const Value& chosen = args[size_t(k)];
  return chosen.kind == ValueKind::Missing ? Value::Number(0) : chosen;
}

template <bool kRow>
Value RowOrColumn(CallContext& context, std::span<Value> args) {
  if (args.empty() || args[0].kind == ValueKind::Missing) return Value::Number(kRow ? context.row : context.col);
  if (args[0].IsError()) return args[0];
  if (args[0].kind != ValueKind::Reference) return Value::Error(ErrorValue::Value);
  return Value::Number(kRow ? args[0].ref.rect.r1 : args[0].ref.rect.c1);
}

template <bool kRows>
Value Count(CallContext& context, std::span<Value> args) {
  if (args[0].IsError()) return args[0];
  if (args[0].kind == ValueKind::Reference)
    return Value::Number(double(kRows ? args[0].ref.Rows() : args[0].ref.Cols()));
  if (args[0].kind == ValueKind::Array) return Value::Number(kRows ? args[0].array->rows : args[0].array->cols);
  (void)context;
  return Value::Number(1);
}

Value Offset(CallContext& context, std::span<Value> args) {
  if (args[0].IsError()) return args[0];
  if (args[0].kind != ValueKind::Reference) return Value::Error(ErrorValue::Value);
  const RangeRef& base = args[0].ref;
  double numbers[4] = {0, 0, double(base.Rows()), double(base.Cols())};
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i].kind == ValueKind::Missing) continue;
    const NumberOrError n = ArgNumber(context, args[i]);
    if (n.error) return Value::Error(*n.error);
    numbers[i - 1] = std::trunc(n.number);
  }
  if (numbers[2] == 0 || numbers[3] == 0) return Value::Error(ErrorValue::Ref);
  // A negative height or width extends up or left from the moved corner.
  double r1 = base.rect.r1 + numbers[0], c1 = base.rect.c1 + numbers[1];
  double r2 = r1 + numbers[2] + (numbers[2] > 0 ? -1 : 1), c2 = c1 + numbers[3] + (numbers[3] > 0 ? -1 : 1);
  if (r2 < r1) std::swap(r1, r2);
  if (c2 < c1) std::swap(c1, c2);
  if (r1 < 1 || c1 < 1 || r2 > kMaxRows || c2 > kMaxColumns) return Value::Error(ErrorValue::Ref);
  return Value::Ref(base.sheet, CellRect{int32_t(r1), int32_t(c1), int32_t(r2), int32_t(c2)});
}

// INDIRECT: an A1 reference (optionally with a sheet, quoted or not), an
// R1C1 reference with absolute numbers when a1 is FALSE, or a defined name.
Value Indirect(CallContext& context, std::span<Value> args) {
  const TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  bool a1 = true;
  if (args.size() > 1 && args[1].kind != ValueKind::Missing) {
    const BoolOrError b = ArgBool(context, args[1]);
    if (b.error) return Value::Error(*b.error);
    a1 = b.value;
  }
  std::wstring_view text = t.text;
  while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
  if (!a1) {
    // R<n>C<n>, optionally ":R<n>C<n>", no sheet.
    int64_t numbers[4] = {0, 0, 0, 0};
    int count = 0;
    size_t i = 0;
    auto read = [&](wchar_t letter) {
      if (i >= text.size() || (text[i] != letter && text[i] != wchar_t(letter + 32))) return false;
      ++i;
      int64_t n = 0;
      size_t start = i;
      while (i < text.size() && text[i] >= L'0' && text[i] <= L'9' && i - start < 8) n = n * 10 + (text[i++] - L'0');
      if (i == start) return false;
      numbers[count++] = n;
      return true;
    };
    if (!read(L'R') || !read(L'C')) return Value::Error(ErrorValue::Ref);
    if (i < text.size() && text[i] == L':') {
      ++i;
      if (!read(L'R') || !read(L'C')) return Value::Error(ErrorValue::Ref);
    } else {
      numbers[2] = numbers[0];
      numbers[3] = numbers[1];
    }
    if (i != text.size()) return Value::Error(ErrorValue::Ref);
    for (int k = 0; k < 4; ++k)
      if (numbers[k] < 1 || numbers[k] > (k % 2 == 0 ? kMaxRows : kMaxColumns)) return Value::Error(ErrorValue::Ref);
    return Value::Ref(context.sheet, CellRect{int32_t(std::min(numbers[0], numbers[2])), int32_t(std::min(numbers[1], numbers[3])),
                                              int32_t(std::max(numbers[0], numbers[2])), int32_t(std::max(numbers[1], numbers[3]))});
  }
  const std::vector<FormulaToken> tokens = TokenizeFormula(text);
  if (tokens.size() != 1) return Value::Error(ErrorValue::Ref);
  const FormulaToken& token = tokens[0];
  if (token.kind == FormulaTokenKind::Name) return ResolveDefinedName(context, text.substr(token.prefixEnd));
  if (token.kind != FormulaTokenKind::Reference || token.ref.shape == ReferenceShape::Invalid)
    return Value::Error(ErrorValue::Ref);
  Sheet* sheet = context.sheet;
  if (token.HasPrefix()) {
    const auto prefix = ParseFormulaPrefix(text, token);
    if (prefix.external || !prefix.lastSheet.empty()) return Value::Error(ErrorValue::Ref);
    sheet = context.book.FindSheet(prefix.sheet);
    if (!sheet || sheet->kind != SheetKind::Worksheet) return Value::Error(ErrorValue::Ref);
  }
  const FormulaReference& r = token.ref;
  CellRect rect{std::min(r.row1, r.row2), std::min(r.col1, r.col2), std::max(r.row1, r.row2), std::max(r.col1, r.col2)};
  if (r.shape == ReferenceShape::Rows) rect.c1 = 1, rect.c2 = kMaxColumns;
  if (r.shape == ReferenceShape::Columns) rect.r1 = 1, rect.r2 = kMaxRows;
  return Value::Ref(sheet, rect);
}

}  // namespace

void RegisterLookupFunctions(std::vector<FunctionInfo>& table) {
  table.insert(table.end(), {
                                {L"VLOOKUP", 3, 4, false, VLookup},
                                {L"HLOOKUP", 3, 4, false, HLookup},
                                {L"MATCH", 2, 3, false, Match},
                                {L"XLOOKUP", 3, 6, false, XLookup},
                                {L"INDEX", 2, 3, false, Index},
                                {L"CHOOSE", 2, kManyArgs, false, Choose},
                                {L"ROW", 0, 1, false, RowOrColumn<true>},
                                {L"COLUMN", 0, 1, false, RowOrColumn<false>},
                                {L"ROWS", 1, 1, false, Count<true>},
                                {L"COLUMNS", 1, 1, false, Count<false>},
                                {L"OFFSET", 3, 5, true, Offset},
                                {L"INDIRECT", 1, 2, true, Indirect},
                            });
}

}  // namespace sheetwright::engine
