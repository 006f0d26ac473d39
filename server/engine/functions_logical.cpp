// Logical and information functions: IF, IFERROR, IFNA, AND, OR, XOR, NOT,
// TRUE, FALSE, NA, ISBLANK, ISNUMBER, ISTEXT, ISLOGICAL, ISERROR, ISERR,
// ISNA.
#include "server/engine/formula_functions.h"

namespace sheetwright::engine {

namespace {

// A chosen argument as the result: left out, it is 0.
Value Chosen(const Value& v) { return v.kind == ValueKind::Missing ? Value::Number(0) : v; }

Value If(CallContext& context, std::span<Value> args) {
  const BoolOrError condition = ArgBool(context, args[0]);
  if (condition.error) return Value::Error(*condition.error);
  if (condition.value) return args.size() > 1 ? Chosen(args[1]) : Value::Bool(true);
  return args.size() > 2 ? Chosen(args[2]) : Value::Bool(false);
}

Value IfError(CallContext& context, std::span<Value> args) {
  const Value v = Scalar(context, args[0]);
  if (v.IsError()) return Chosen(args[1]);
  return args[0].kind == ValueKind::Reference ? args[0] : Chosen(args[0]);
}

Value IfNa(CallContext& context, std::span<Value> args) {
  const Value v = Scalar(context, args[0]);
  if (v.IsError() && v.error == ErrorValue::NA) return Chosen(args[1]);
  return args[0].kind == ValueKind::Reference ? args[0] : Chosen(args[0]);
}

// AND, OR, XOR: Booleans and numbers of references and arrays count (texts
// and empty cells are skipped); a direct text must read TRUE or FALSE. No
// logical value at all is #VALUE!.
enum class Logic { And, Or, Xor };
template <Logic kLogic>
Value Combine(CallContext& context, std::span<Value> args) {
  bool any = false, result = kLogic == Logic::And;
  std::optional<ErrorValue> error;
  auto take = [&](bool b) {
    any = true;
    if (kLogic == Logic::And) result = result && b;
    else if (kLogic == Logic::Or) result = result || b;
    else result = result != b;
  };
  for (const Value& arg : args) {
    if (arg.kind == ValueKind::Reference || arg.kind == ValueKind::Array) {
      ForEachValue(context, arg, [&](const Value& v) {
        if (v.IsError()) {
          error = v.error;
          return false;
        }
        if (v.kind == ValueKind::Boolean) take(v.boolean);
        else if (v.kind == ValueKind::Number) take(v.number != 0);
        return true;
      });
      if (error) return Value::Error(*error);
      continue;
    }
    if (arg.kind == ValueKind::Missing) continue;
    const BoolOrError b = ToBool(arg);
    if (b.error) return Value::Error(*b.error);
    take(b.value);
  }
  if (!any) return Value::Error(ErrorValue::Value);
  return Value::Bool(result);
}

Value Not(CallContext& context, std::span<Value> args) {
  const BoolOrError b = ArgBool(context, args[0]);
  if (b.error) return Value::Error(*b.error);
  return Value::Bool(!b.value);
}

Value True(CallContext&, std::span<Value>) { return Value::Bool(true); }
Value False(CallContext&, std::span<Value>) { return Value::Bool(false); }
Value Na(CallContext&, std::span<Value>) { return Value::Error(ErrorValue::NA); }

enum class Test { Blank, Number, Text, Logical, Error, Err, Na };
template <Test kTest>
Value Is(CallContext& context, std::span<Value> args) {
  const Value v = Scalar(context, args[0]);
  switch (kTest) {
    case Test::Blank: return Value::Bool(v.kind == ValueKind::Empty);
    case Test::Number: return Value::Bool(v.kind == ValueKind::Number);
    case Test::Text: return Value::Bool(v.kind == ValueKind::Text);
    case Test::Logical: return Value::Bool(v.kind == ValueKind::Boolean);
    case Test::Error: return Value::Bool(v.IsError());
    case Test::Err: return Value::Bool(v.IsError() && v.error != ErrorValue::NA);
    case Test::Na: return Value::Bool(v.IsError() && v.error == ErrorValue::NA);
  }
  return Value::Bool(false);
}

}  // namespace

void RegisterLogicalFunctions(std::vector<FunctionInfo>& table) {
  table.insert(table.end(), {
                                {L"IF", 1, 3, false, If},
                                {L"IFERROR", 2, 2, false, IfError},
                                {L"IFNA", 2, 2, false, IfNa},
                                {L"AND", 1, kManyArgs, false, Combine<Logic::And>},
                                {L"OR", 1, kManyArgs, false, Combine<Logic::Or>},
                                {L"XOR", 1, kManyArgs, false, Combine<Logic::Xor>},
                                {L"NOT", 1, 1, false, Not},
                                {L"TRUE", 0, 0, false, True},
                                {L"FALSE", 0, 0, false, False},
                                {L"NA", 0, 0, false, Na},
                                {L"ISBLANK", 1, 1, false, Is<Test::Blank>},
                                {L"ISNUMBER", 1, 1, false, Is<Test::Number>},
                                {L"ISTEXT", 1, 1, false, Is<Test::Text>},
                                {L"ISLOGICAL", 1, 1, false, Is<Test::Logical>},
                                {L"ISERROR", 1, 1, false, Is<Test::Error>},
                                {L"ISERR", 1, 1, false, Is<Test::Err>},
                                {L"ISNA", 1, 1, false, Is<Test::Na>},
                            });
}

}  // namespace sheetwright::engine
