// The worksheet functions the evaluator knows, by name. Each group of
// functions lives in a file of its own (functions_math.cpp,
// functions_statistics.cpp, functions_text.cpp, functions_date.cpp,
// functions_lookup.cpp, functions_logical.cpp) and adds its entries to the
// table through its Register* function.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "server/engine/formula_value.h"

namespace sheetwright::engine {

class Workbook;

// What a function sees besides its arguments: the workbook and the cell
// whose formula is being calculated.
struct CallContext {
  Workbook& book;
  Sheet* sheet;
  int32_t row;
  int32_t col;
};

// Arguments arrive as evaluated: references stay references (a function
// that wants values reads them), a left-out argument is Missing.
using FunctionImpl = Value (*)(CallContext& context, std::span<Value> args);

struct FunctionInfo {
  const wchar_t* name;
  uint8_t minArgs;
  uint8_t maxArgs;
  bool isVolatile;
  FunctionImpl impl;
};

constexpr uint16_t kUnknownFunction = 0xFFFF;
constexpr uint8_t kManyArgs = 255;

// The id of a function by name (upper case, "_xlfn." removed); nullopt
// when the server does not know it.
std::optional<uint16_t> FindFunction(std::wstring_view name);
const FunctionInfo& FunctionAt(uint16_t id);

void RegisterMathFunctions(std::vector<FunctionInfo>& table);
void RegisterStatisticsFunctions(std::vector<FunctionInfo>& table);
void RegisterTextFunctions(std::vector<FunctionInfo>& table);
void RegisterDateFunctions(std::vector<FunctionInfo>& table);
void RegisterLookupFunctions(std::vector<FunctionInfo>& table);
void RegisterLogicalFunctions(std::vector<FunctionInfo>& table);

// Forgets what functions cached about cell contents (the lookup indexes
// of the conditional functions). The calculation calls it before and after
// every pass; within a pass the cells a function reads do not change once
// it has run, because every formula among them is calculated first.
void ResetFunctionCaches();

// Helpers the function groups share.
//
// A scalar of an argument: a single-cell reference gives its cell's value;
// a larger one the cell in the formula's row or column (implicit
// intersection) or #VALUE!; an array its first item.
Value Scalar(CallContext& context, const Value& arg);
// The argument as a number, or the error to answer.
NumberOrError ArgNumber(CallContext& context, const Value& arg);
// The argument as text (numbers in the General format).
struct TextOrError {
  std::wstring text;
  std::optional<ErrorValue> error;
};
TextOrError ArgText(CallContext& context, const Value& arg);
BoolOrError ArgBool(CallContext& context, const Value& arg);
// A calculated number, or #NUM! when it is infinite or not a number.
inline Value NumberResult(double n) {
  if (!std::isfinite(n)) return Value::Error(ErrorValue::Num);
  return Value::Number(n);
}

// Calls f(const Value&) for every value of a reference (stored cells only,
// by rows), of an array, or for a scalar argument itself. f returns false
// to stop.
template <class F>
void ForEachValue(CallContext& context, const Value& arg, F&& f);

// The numbers of aggregate arguments (SUM, AVERAGE, MIN ...): in
// references and arrays only numbers count (texts, Booleans and empty cells
// are skipped); an argument given directly counts when it converts (TRUE is
// 1, "3" is 3) and is #VALUE! when it does not. The first error value met is
// returned and stops the walk; f(double) returns false to stop early.
template <class F>
std::optional<ErrorValue> ForEachNumber(CallContext& context, std::span<Value> args, F&& f);

// A block of values read from a reference or array, or a scalar as 1x1,
// with its shape; cells not stored read as Empty.
struct ValueGrid {
  int32_t rows = 0, cols = 0;
  const ArrayValue* array = nullptr;  // when the source was an array
  RangeRef ref;                       // when the source was a reference
  Value scalar;                       // when the source was a scalar
  Value At(CallContext& context, int32_t r, int32_t c) const;
};
std::optional<ValueGrid> GridOf(CallContext& context, const Value& arg);

}  // namespace sheetwright::engine

#include "server/engine/formula_functions_inl.h"
