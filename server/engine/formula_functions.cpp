#include "server/engine/formula_functions.h"

#include <algorithm>
#include <unordered_map>

#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

struct FunctionTable {
  std::vector<FunctionInfo> entries;
  std::unordered_map<std::wstring, uint16_t> byName;
  FunctionTable() {
    RegisterMathFunctions(entries);
    RegisterStatisticsFunctions(entries);
    RegisterTextFunctions(entries);
    RegisterDateFunctions(entries);
    RegisterLookupFunctions(entries);
    RegisterLogicalFunctions(entries);
    for (size_t i = 0; i < entries.size(); ++i) byName.emplace(entries[i].name, uint16_t(i));
  }
};

const FunctionTable& Table() {
  static const FunctionTable table;
  return table;
}

}  // namespace

std::optional<uint16_t> FindFunction(std::wstring_view name) {
  const auto& table = Table();
  auto it = table.byName.find(std::wstring(name));
  if (it == table.byName.end()) return std::nullopt;
  return it->second;
}

const FunctionInfo& FunctionAt(uint16_t id) { return Table().entries[id]; }

Value Scalar(CallContext& context, const Value& arg) {
  switch (arg.kind) {
    case ValueKind::Reference: {
      const RangeRef& r = arg.ref;
      int32_t row = r.rect.r1, col = r.rect.c1;
      if (r.rect.r1 != r.rect.r2) {
        if (r.rect.c1 != r.rect.c2 || context.row < r.rect.r1 || context.row > r.rect.r2)
          return Value::Error(ErrorValue::Value);
        row = context.row;
      } else if (r.rect.c1 != r.rect.c2) {
        if (context.col < r.rect.c1 || context.col > r.rect.c2) return Value::Error(ErrorValue::Value);
        col = context.col;
      }
      return CellValue(context.book, r.sheet->Find(row, col));
    }
    case ValueKind::Array: return arg.array->items.empty() ? Value::Error(ErrorValue::Value) : arg.array->items[0];
    default: return arg;
  }
}

NumberOrError ArgNumber(CallContext& context, const Value& arg) { return ToNumber(Scalar(context, arg)); }

TextOrError ArgText(CallContext& context, const Value& arg) {
  const Value v = Scalar(context, arg);
  if (v.IsError()) return {std::wstring(), v.error};
  return {ToText(v), std::nullopt};
}

BoolOrError ArgBool(CallContext& context, const Value& arg) { return ToBool(Scalar(context, arg)); }

Value ValueGrid::At(CallContext& context, int32_t r, int32_t c) const {
  if (array) return array->At(r, c);
  if (ref.sheet) return CellValue(context.book, ref.sheet->Find(ref.rect.r1 + r, ref.rect.c1 + c));
  return scalar;
}

std::optional<ValueGrid> GridOf(CallContext& context, const Value& arg) {
  ValueGrid grid;
  if (arg.kind == ValueKind::Reference) {
    if (arg.ref.Rows() * arg.ref.Cols() > (int64_t(1) << 31)) return std::nullopt;
    grid.ref = arg.ref;
    // Rows and columns past the sheet's used range hold nothing: a whole
    // column is read as far as the sheet has cells.
    if (arg.ref.Rows() * arg.ref.Cols() > (int64_t(1) << 16)) {
      const Sheet::Bounds used = arg.ref.sheet->UsedBounds();
      grid.ref.rect.r2 = std::max(grid.ref.rect.r1, std::min(grid.ref.rect.r2, used.lastRow));
      grid.ref.rect.c2 = std::max(grid.ref.rect.c1, std::min(grid.ref.rect.c2, used.lastCol));
    }
    grid.rows = int32_t(grid.ref.Rows());
    grid.cols = int32_t(grid.ref.Cols());
    return grid;
  }
  if (arg.kind == ValueKind::Array) {
    grid.array = arg.array.get();
    grid.rows = arg.array->rows;
    grid.cols = arg.array->cols;
    return grid;
  }
  grid.scalar = arg;
  grid.rows = grid.cols = 1;
  (void)context;
  return grid;
}

}  // namespace sheetwright::engine
