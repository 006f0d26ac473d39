#include "server/engine/formula_evaluator.h"

#include <cmath>

#include "server/engine/formula_names.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

Value ScalarNumber(double n) {
  if (!std::isfinite(n)) return Value::Error(ErrorValue::Num);
  return Value::Number(n);
}

Value ScalarBinary(OpCode op, const Value& a, const Value& b) {
  if (a.IsError()) return a;
  switch (op) {
    case OpCode::Concat: {
      if (b.IsError()) return b;
      return Value::Text(ToText(a) + ToText(b));
    }
    case OpCode::Equal: case OpCode::NotEqual: case OpCode::Less:
    case OpCode::LessEqual: case OpCode::Greater: case OpCode::GreaterEqual: {
      if (b.IsError()) return b;
      const int c = CompareValues(a, b);
      switch (op) {
        case OpCode::Equal: return Value::Bool(c == 0);
        case OpCode::NotEqual: return Value::Bool(c != 0);
        case OpCode::Less: return Value::Bool(c < 0);
        case OpCode::LessEqual: return Value::Bool(c <= 0);
        case OpCode::Greater: return Value::Bool(c > 0);
        default: return Value::Bool(c >= 0);
      }
    }
    default: break;
  }
  const NumberOrError x = ToNumber(a);
  if (x.error) return Value::Error(*x.error);
  const NumberOrError y = ToNumber(b);
  if (y.error) return Value::Error(*y.error);
  switch (op) {
    case OpCode::Add: return ScalarNumber(x.number + y.number);
    case OpCode::Subtract: return ScalarNumber(x.number - y.number);
    case OpCode::Multiply: return ScalarNumber(x.number * y.number);
    case OpCode::Divide:
      if (y.number == 0) return Value::Error(ErrorValue::Div0);
      return ScalarNumber(x.number / y.number);
    case OpCode::Power:
      if (x.number == 0 && y.number == 0) return Value::Error(ErrorValue::Num);
      if (x.number == 0 && y.number < 0) return Value::Error(ErrorValue::Div0);
      return ScalarNumber(std::pow(x.number, y.number));
    default: return Value::Error(ErrorValue::Value);
  }
}

bool IsGrid(const Value& v) {
  return v.kind == ValueKind::Array || (v.kind == ValueKind::Reference && !v.ref.IsCell());
}

Value RangeOf(const Value& a, const Value& b) {
  if (a.IsError()) return a;
  if (b.IsError()) return b;
  if (a.kind != ValueKind::Reference || b.kind != ValueKind::Reference) return Value::Error(ErrorValue::Value);
  if (a.ref.sheet != b.ref.sheet) return Value::Error(ErrorValue::Ref);
  CellRect r{std::min(a.ref.rect.r1, b.ref.rect.r1), std::min(a.ref.rect.c1, b.ref.rect.c1),
             std::max(a.ref.rect.r2, b.ref.rect.r2), std::max(a.ref.rect.c2, b.ref.rect.c2)};
  return Value::Ref(a.ref.sheet, r);
}

Value IntersectionOf(const Value& a, const Value& b) {
  if (a.IsError()) return a;
  if (b.IsError()) return b;
  if (a.kind != ValueKind::Reference || b.kind != ValueKind::Reference) return Value::Error(ErrorValue::Value);
  if (a.ref.sheet != b.ref.sheet) return Value::Error(ErrorValue::Null);
  CellRect r{std::max(a.ref.rect.r1, b.ref.rect.r1), std::max(a.ref.rect.c1, b.ref.rect.c1),
             std::min(a.ref.rect.r2, b.ref.rect.r2), std::min(a.ref.rect.c2, b.ref.rect.c2)};
  if (r.r1 > r.r2 || r.c1 > r.c2) return Value::Error(ErrorValue::Null);
  return Value::Ref(a.ref.sheet, r);
}

// A union is kept as a one-row array of the values of its parts.
Value UnionOf(CallContext& context, const Value& a, const Value& b) {
  auto out = std::make_shared<ArrayValue>();
  for (const Value* part : {&a, &b}) {
    if (part->kind == ValueKind::Reference || part->kind == ValueKind::Array) {
      ForEachValue(context, *part, [&](const Value& v) {
        out->items.push_back(v);
        return int64_t(out->items.size()) < kMaxArrayItems;
      });
    } else {
      out->items.push_back(*part);
    }
  }
  out->rows = 1;
  out->cols = int32_t(out->items.size());
  if (out->cols == 0) return Value::Error(ErrorValue::Null);
  return Value::Array(std::move(out));
}

}  // namespace

Value ApplyUnary(CallContext& context, OpCode op, const Value& operand) {
  if (IsGrid(operand)) {
    auto grid = GridOf(context, operand);
    if (!grid) return Value::Error(ErrorValue::Value);
    if (int64_t(grid->rows) * grid->cols > kMaxArrayItems) return Value::Error(ErrorValue::Num);
    auto out = std::make_shared<ArrayValue>();
    out->rows = grid->rows;
    out->cols = grid->cols;
    out->items.reserve(size_t(grid->rows) * size_t(grid->cols));
    for (int32_t r = 0; r < grid->rows; ++r)
      for (int32_t c = 0; c < grid->cols; ++c) out->items.push_back(ApplyUnary(context, op, grid->At(context, r, c)));
    return Value::Array(std::move(out));
  }
  const Value v = Scalar(context, operand);
  if (v.IsError()) return v;
  const NumberOrError n = ToNumber(v);
  if (n.error) return Value::Error(*n.error);
  switch (op) {
    case OpCode::Negate: return Value::Number(-n.number);
    case OpCode::Percent: return Value::Number(n.number / 100);
    default:
      // Unary plus leaves its operand as it is (a text stays text).
      return v.kind == ValueKind::Empty ? Value::Number(0) : v;
  }
}

Value ApplyBinary(CallContext& context, OpCode op, const Value& left, const Value& right) {
  if (!IsGrid(left) && !IsGrid(right)) return ScalarBinary(op, Scalar(context, left), Scalar(context, right));
  auto a = GridOf(context, left);
  auto b = GridOf(context, right);
  if (!a || !b) return Value::Error(ErrorValue::Value);
  const int32_t rows = std::max(a->rows, b->rows), cols = std::max(a->cols, b->cols);
  if (int64_t(rows) * cols > kMaxArrayItems) return Value::Error(ErrorValue::Num);
  auto out = std::make_shared<ArrayValue>();
  out->rows = rows;
  out->cols = cols;
  out->items.reserve(size_t(rows) * size_t(cols));
  auto pick = [&](const ValueGrid& g, int32_t r, int32_t c) -> Value {
    const int32_t rr = g.rows == 1 ? 0 : r, cc = g.cols == 1 ? 0 : c;
    if (rr >= g.rows || cc >= g.cols) return Value::Error(ErrorValue::NA);
    return g.At(context, rr, cc);
  };
  for (int32_t r = 0; r < rows; ++r)
    for (int32_t c = 0; c < cols; ++c) {
      const Value x = pick(*a, r, c), y = pick(*b, r, c);
      out->items.push_back(ScalarBinary(op, x, y));
    }
  return Value::Array(std::move(out));
}

Value EvaluateRaw(const Program& program, CallContext& context) {
  if (!program.parsed) return Value::Error(ErrorValue::Name);
  thread_local std::vector<Value> stack;
  const size_t base = stack.size();
  stack.reserve(base + program.maxStack + 1);
  struct Restore {
    std::vector<Value>& s;
    size_t base;
    ~Restore() { s.resize(base); }
  } restore{stack, base};

  Sheet* own = context.sheet;
  for (const Instruction& in : program.code) {
    switch (in.op) {
      case OpCode::PushNumber: stack.push_back(Value::Number(program.numbers[in.operand])); break;
      case OpCode::PushText: stack.push_back(Value::Text(program.texts[in.operand])); break;
      case OpCode::PushBool: stack.push_back(Value::Bool(in.operand != 0)); break;
      case OpCode::PushError: stack.push_back(Value::Error(ErrorValue(in.operand))); break;
      case OpCode::PushMissing: stack.push_back(Value::Missing()); break;
      case OpCode::PushArray: stack.push_back(Value::Array(program.arrays[in.operand])); break;
      case OpCode::PushRef: {
        const ProgramRef& pr = program.refs[in.operand];
        Sheet* sheet = own;
        if (pr.sheet == ProgramRef::kInvalidSheet) {
          sheet = nullptr;
        } else if (pr.sheet >= 0) {
          sheet = size_t(pr.sheet) < context.book.sheets.size() ? context.book.sheets[size_t(pr.sheet)].get() : nullptr;
          if (sheet && sheet->kind != SheetKind::Worksheet) sheet = nullptr;
        }
        CellRect rect;
        if (!sheet || !ResolveReference(pr, context.row, context.col, rect)) {
          stack.push_back(Value::Error(ErrorValue::Ref));
        } else {
          stack.push_back(Value::Ref(sheet, rect));
        }
        break;
      }
      case OpCode::PushName: stack.push_back(ResolveDefinedName(context, program.texts[in.operand])); break;
      case OpCode::Negate:
      case OpCode::Plus:
      case OpCode::Percent: {
        Value v = ApplyUnary(context, in.op, stack.back());
        stack.back() = std::move(v);
        break;
      }
      case OpCode::Range:
      case OpCode::Intersect:
      case OpCode::Union: {
        Value right = std::move(stack.back());
        stack.pop_back();
        Value& left = stack.back();
        if (in.op == OpCode::Range) left = RangeOf(left, right);
        else if (in.op == OpCode::Intersect) left = IntersectionOf(left, right);
        else left = UnionOf(context, left, right);
        break;
      }
      case OpCode::Call: {
        const size_t first = stack.size() - in.argc;
        Value result;
        if (in.function == kUnknownFunction) {
          result = Value::Error(ErrorValue::Name);
        } else {
          result = FunctionAt(in.function).impl(context, std::span<Value>(stack.data() + first, in.argc));
        }
        stack.resize(first);
        stack.push_back(std::move(result));
        break;
      }
      default: {
        Value right = std::move(stack.back());
        stack.pop_back();
        Value v = ApplyBinary(context, in.op, stack.back(), right);
        stack.back() = std::move(v);
        break;
      }
    }
  }
  if (stack.size() != base + 1) return Value::Error(ErrorValue::Value);
  return std::move(stack.back());
}

Value EvaluateFormula(const Program& program, CallContext& context) {
  Value v = EvaluateRaw(program, context);
  if (v.kind == ValueKind::Array) v = v.array->items.empty() ? Value::Error(ErrorValue::Value) : v.array->items[0];
  if (v.kind == ValueKind::Reference) v = Scalar(context, v);
  if (v.IsBlank()) return Value::Number(0);
  if (v.kind == ValueKind::Number && !std::isfinite(v.number)) return Value::Error(ErrorValue::Num);
  return v;
}

}  // namespace sheetwright::engine
