// Math functions: SUM, SUMPRODUCT, PRODUCT, ROUND, ROUNDUP, ROUNDDOWN, INT,
// TRUNC, MOD, ABS, SIGN, POWER, SQRT, SIN, COS, TAN, ASIN, ACOS, ATAN, EXP,
// LN, LOG10, LOG, PI, RAND, RANDBETWEEN.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "server/engine/formula_evaluator.h"
#include "server/engine/formula_functions.h"

namespace sheetwright::engine {

namespace {

Value Sum(CallContext& context, std::span<Value> args) {
  double total = 0;
  if (auto e = ForEachNumber(context, args, [&](double n) {
        total += n;
        return true;
      }))
    return Value::Error(*e);
  return NumberResult(total);
}

Value Product(CallContext& context, std::span<Value> args) {
  double total = 1;
  bool any = false;
  if (auto e = ForEachNumber(context, args, [&](double n) {
        total *= n;
        any = true;
        return true;
      }))
    return Value::Error(*e);
  return NumberResult(any ? total : 0);
}

// SUMPRODUCT: arrays of one shape multiplied item by item and summed; items
// that are not numbers count as 0; an error item is the answer.
Value SumProduct(CallContext& context, std::span<Value> args) {
  std::vector<ValueGrid> grids;
  for (const Value& arg : args) {
    if (arg.IsError()) return arg;
    auto grid = GridOf(context, arg);
    if (!grid) return Value::Error(ErrorValue::Value);
    if (!grids.empty() && (grid->rows != grids[0].rows || grid->cols != grids[0].cols))
      return Value::Error(ErrorValue::Value);
    grids.push_back(*grid);
  }
  double total = 0;
  for (int32_t r = 0; r < grids[0].rows; ++r) {
    for (int32_t c = 0; c < grids[0].cols; ++c) {
      double product = 1;
      for (const ValueGrid& g : grids) {
        const Value v = g.At(context, r, c);
        if (v.IsError()) return v;
        product *= v.kind == ValueKind::Number ? v.number : 0;
      }
      total += product;
    }
  }
  return NumberResult(total);
}

// x scaled by 10^digits, cut to the 15 significant digits a cell holds, so
// that 2.675 * 100 rounds as 267.5 and not as 267.49999999999997.
double Scaled(double x, int digits) {
  const double scaled = digits >= 0 ? x * std::pow(10.0, digits) : x / std::pow(10.0, -digits);
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", scaled);
  return std::strtod(buffer, nullptr);
}
double Unscaled(double y, int digits) { return digits >= 0 ? y / std::pow(10.0, digits) : y * std::pow(10.0, -digits); }

enum class RoundMode { Nearest, Up, Down };
Value RoundWith(CallContext& context, std::span<Value> args, RoundMode mode) {
  const NumberOrError x = ArgNumber(context, args[0]);
  if (x.error) return Value::Error(*x.error);
  const NumberOrError d = ArgNumber(context, args[1]);
  if (d.error) return Value::Error(*d.error);
  const int digits = int(std::clamp(std::trunc(d.number), -308.0, 308.0));
  const double y = Scaled(x.number, digits);
  double r = 0;
  switch (mode) {
    case RoundMode::Nearest: r = std::round(y); break;
    case RoundMode::Up: r = y < 0 ? -std::ceil(-y) : std::ceil(y); break;
    case RoundMode::Down: r = std::trunc(y); break;
  }
  return NumberResult(Unscaled(r, digits));
}
Value Round(CallContext& c, std::span<Value> a) { return RoundWith(c, a, RoundMode::Nearest); }
Value RoundUp(CallContext& c, std::span<Value> a) { return RoundWith(c, a, RoundMode::Up); }
Value RoundDown(CallContext& c, std::span<Value> a) { return RoundWith(c, a, RoundMode::Down); }

template <double (*F)(double)>
Value Unary(CallContext& context, std::span<Value> args) {
  const NumberOrError x = ArgNumber(context, args[0]);
  if (x.error) return Value::Error(*x.error);
  return NumberResult(F(x.number));
}
double Floor(double x) { return std::floor(x); }
double Abs(double x) { return std::fabs(x); }
double Sign(double x) { return x > 0 ? 1 : (x < 0 ? -1 : 0); }
double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Tan(double x) { return std::tan(x); }
double Atan(double x) { return std::atan(x); }
double Exp(double x) { return std::exp(x); }

// Functions defined on part of the numbers: #NUM! outside it.
template <double (*F)(double), bool (*kDomain)(double)>
Value Partial(CallContext& context, std::span<Value> args) {
  const NumberOrError x = ArgNumber(context, args[0]);
  if (x.error) return Value::Error(*x.error);
  if (!kDomain(x.number)) return Value::Error(ErrorValue::Num);
  return NumberResult(F(x.number));
}
bool UnitInterval(double x) { return x >= -1 && x <= 1; }
bool Positive(double x) { return x > 0; }
double Asin(double x) { return std::asin(x); }
double Acos(double x) { return std::acos(x); }
double Ln(double x) { return std::log(x); }
double Log10(double x) { return std::log10(x); }

Value Log(CallContext& context, std::span<Value> args) {
  const NumberOrError x = ArgNumber(context, args[0]);
  if (x.error) return Value::Error(*x.error);
  double base = 10;
  if (args.size() > 1 && args[1].kind != ValueKind::Missing) {
    const NumberOrError b = ArgNumber(context, args[1]);
    if (b.error) return Value::Error(*b.error);
    base = b.number;
  }
  if (x.number <= 0 || base <= 0) return Value::Error(ErrorValue::Num);
  if (base == 1) return Value::Error(ErrorValue::Div0);
  return NumberResult(std::log(x.number) / std::log(base));
}

Value Trunc(CallContext& context, std::span<Value> args) {
  if (args.size() < 2) {
    Value digits = Value::Number(0);
    Value both[2] = {args[0], digits};
    return RoundWith(context, both, RoundMode::Down);
  }
  return RoundWith(context, args, RoundMode::Down);
}

Value Mod(CallContext& context, std::span<Value> args) {
  const NumberOrError n = ArgNumber(context, args[0]);
  if (n.error) return Value::Error(*n.error);
  const NumberOrError d = ArgNumber(context, args[1]);
  if (d.error) return Value::Error(*d.error);
  if (d.number == 0) return Value::Error(ErrorValue::Div0);
  return NumberResult(n.number - d.number * std::floor(n.number / d.number));
}

Value Power(CallContext& context, std::span<Value> args) {
  return ApplyBinary(context, OpCode::Power, Scalar(context, args[0]), Scalar(context, args[1]));
}

Value Sqrt(CallContext& context, std::span<Value> args) {
  const NumberOrError x = ArgNumber(context, args[0]);
  if (x.error) return Value::Error(*x.error);
  if (x.number < 0) return Value::Error(ErrorValue::Num);
  return NumberResult(std::sqrt(x.number));
}

Value Pi(CallContext&, std::span<Value>) { return Value::Number(3.14159265358979); }

std::mt19937_64& Generator() {
  thread_local std::mt19937_64 generator{std::random_device{}()};
  return generator;
}
Value Rand(CallContext&, std::span<Value>) {
  return Value::Number(std::uniform_real_distribution<double>(0.0, 1.0)(Generator()));
}
Value RandBetween(CallContext& context, std::span<Value> args) {
  const NumberOrError lo = ArgNumber(context, args[0]);
  if (lo.error) return Value::Error(*lo.error);
  const NumberOrError hi = ArgNumber(context, args[1]);
  if (hi.error) return Value::Error(*hi.error);
  const double a = std::ceil(lo.number), b = std::floor(hi.number);
  if (a > b || std::fabs(a) > 9e15 || std::fabs(b) > 9e15) return Value::Error(ErrorValue::Num);
  return Value::Number(double(std::uniform_int_distribution<int64_t>(int64_t(a), int64_t(b))(Generator())));
}

}  // namespace

void RegisterMathFunctions(std::vector<FunctionInfo>& table) {
  table.insert(table.end(), {
                                {L"SUM", 1, kManyArgs, false, Sum},
                                {L"PRODUCT", 1, kManyArgs, false, Product},
                                {L"SUMPRODUCT", 1, kManyArgs, false, SumProduct},
                                {L"ROUND", 2, 2, false, Round},
                                {L"ROUNDUP", 2, 2, false, RoundUp},
                                {L"ROUNDDOWN", 2, 2, false, RoundDown},
                                {L"TRUNC", 1, 2, false, Trunc},
                                {L"INT", 1, 1, false, Unary<Floor>},
                                {L"ABS", 1, 1, false, Unary<Abs>},
                                {L"SIGN", 1, 1, false, Unary<Sign>},
                                {L"MOD", 2, 2, false, Mod},
                                {L"POWER", 2, 2, false, Power},
                                {L"SQRT", 1, 1, false, Sqrt},
                                {L"SIN", 1, 1, false, Unary<Sin>},
                                {L"COS", 1, 1, false, Unary<Cos>},
                                {L"TAN", 1, 1, false, Unary<Tan>},
                                {L"ASIN", 1, 1, false, Partial<Asin, UnitInterval>},
                                {L"ACOS", 1, 1, false, Partial<Acos, UnitInterval>},
                                {L"ATAN", 1, 1, false, Unary<Atan>},
                                {L"EXP", 1, 1, false, Unary<Exp>},
                                {L"LN", 1, 1, false, Partial<Ln, Positive>},
                                {L"LOG10", 1, 1, false, Partial<Log10, Positive>},
                                {L"LOG", 1, 2, false, Log},
                                {L"PI", 0, 0, false, Pi},
                                {L"RAND", 0, 0, true, Rand},
                                {L"RANDBETWEEN", 2, 2, true, RandBetween},
                            });
}

}  // namespace sheetwright::engine
