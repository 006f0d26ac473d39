// Template bodies of formula_functions.h.
#pragma once

#include "server/engine/workbook.h"

namespace sheetwright::engine {

template <class F>
void ForEachValue(CallContext& context, const Value& arg, F&& f) {
  if (arg.kind == ValueKind::Reference) {
    bool go = true;
    arg.ref.sheet->ForEachCellIn(arg.ref.rect, [&](int32_t, int32_t, const Cell& cell) {
      if (!go || !cell.HasContent()) return;
      go = f(CellValue(context.book, &cell));
    });
    return;
  }
  if (arg.kind == ValueKind::Array) {
    for (const Value& item : arg.array->items)
      if (!f(item)) return;
    return;
  }
  f(arg);
}

template <class F>
std::optional<ErrorValue> ForEachNumber(CallContext& context, std::span<Value> args, F&& f) {
  std::optional<ErrorValue> error;
  bool go = true;
  for (const Value& arg : args) {
    if (!go || error) break;
    if (arg.kind == ValueKind::Reference || arg.kind == ValueKind::Array) {
      ForEachValue(context, arg, [&](const Value& v) {
        if (v.kind == ValueKind::Error) {
          error = v.error;
          return false;
        }
        if (v.kind == ValueKind::Number) go = f(v.number);
        return go;
      });
      continue;
    }
    if (arg.kind == ValueKind::Missing) {
      go = f(0.0);
      continue;
    }
    const NumberOrError n = ToNumber(arg);
    if (n.error) {
      error = n.error;
      break;
    }
    go = f(n.number);
  }
  return error;
}

}  // namespace sheetwright::engine
