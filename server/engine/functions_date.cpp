// Date and time functions: DATE, TIME, YEAR, MONTH, DAY, HOUR, MINUTE,
// SECOND, WEEKDAY, EOMONTH, EDATE, TODAY, NOW. Serials follow the
// workbook's date system (1900, or 1904 when the workbook says so).
#include <cmath>
#include <ctime>

#include "server/engine/date_serial.h"
#include "server/engine/formula_functions.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

constexpr double k1904Offset = 1462;

double ToBookSerial(CallContext& context, double serial1900) {
  return context.book.date1904 ? serial1900 - k1904Offset : serial1900;
}

// The 1900-system serial of a date argument; text dates convert.
std::optional<ErrorValue> SerialArg(CallContext& context, const Value& arg, double& out) {
  const NumberOrError n = ArgNumber(context, arg);
  if (n.error) return n.error;
  out = context.book.date1904 ? n.number + k1904Offset : n.number;
  return std::nullopt;
}

std::optional<ErrorValue> CivilArg(CallContext& context, const Value& arg, CivilTime& out) {
  double serial = 0;
  if (auto e = SerialArg(context, arg, serial)) return e;
  auto t = CivilFromSerial(serial);
  if (!t) return ErrorValue::Num;
  out = *t;
  return std::nullopt;
}

Value Date(CallContext& context, std::span<Value> args) {
  double parts[3];
  for (int i = 0; i < 3; ++i) {
    const NumberOrError n = ArgNumber(context, args[size_t(i)]);
    if (n.error) return Value::Error(*n.error);
    parts[i] = std::trunc(n.number);
    if (std::fabs(parts[i]) > 1e7) return Value::Error(ErrorValue::Num);
  }
  auto serial = SerialFromCivil(int64_t(parts[0]), int64_t(parts[1]), int64_t(parts[2]));
  if (!serial) return Value::Error(ErrorValue::Num);
  const double result = ToBookSerial(context, *serial);
  if (result < 0) return Value::Error(ErrorValue::Num);
  return Value::Number(result);
}

Value Time(CallContext& context, std::span<Value> args) {
  double parts[3];
  for (int i = 0; i < 3; ++i) {
    const NumberOrError n = ArgNumber(context, args[size_t(i)]);
    if (n.error) return Value::Error(*n.error);
    parts[i] = std::trunc(n.number);
  }
  const double seconds = parts[0] * 3600 + parts[1] * 60 + parts[2];
  if (seconds < 0 || parts[0] > 32767 || parts[1] > 32767 || parts[2] > 32767) return Value::Error(ErrorValue::Num);
  return Value::Number(std::fmod(seconds, 86400.0) / 86400.0);
}

enum class Part { Year, Month, Day, Hour, Minute, Second };
template <Part kPart>
Value DatePart(CallContext& context, std::span<Value> args) {
  CivilTime t;
  if (auto e = CivilArg(context, args[0], t)) return Value::Error(*e);
  switch (kPart) {
    case Part::Year: return Value::Number(t.year);
    case Part::Month: return Value::Number(t.month);
    case Part::Day: return Value::Number(t.day);
    case Part::Hour: return Value::Number(t.hour);
    case Part::Minute: return Value::Number(t.minute);
    case Part::Second: return Value::Number(t.second);
  }
  return Value::Error(ErrorValue::Value);
}

// WEEKDAY: type 1 (Sunday 1 .. Saturday 7, the default), 2 (Monday 1 ..
// Sunday 7), 3 (Monday 0 .. Sunday 6), 11-17 (week starting Monday ..
// Sunday, numbered from 1).
Value Weekday(CallContext& context, std::span<Value> args) {
  CivilTime t;
  if (auto e = CivilArg(context, args[0], t)) return Value::Error(*e);
  int type = 1;
  if (args.size() > 1 && args[1].kind != ValueKind::Missing) {
    const NumberOrError n = ArgNumber(context, args[1]);
    if (n.error) return Value::Error(*n.error);
    if (n.number < 0 || n.number > 100) return Value::Error(ErrorValue::Num);
    type = int(std::trunc(n.number));
  }
  const int w = t.weekday;  // 0 = Sunday
  switch (type) {
    case 1: return Value::Number(w + 1);
    case 2: return Value::Number((w + 6) % 7 + 1);
    case 3: return Value::Number((w + 6) % 7);
    default:
      if (type >= 11 && type <= 17) {
        const int start = (type - 10) % 7;  // 11: Monday (1) ... 17: Sunday (0)
        return Value::Number((w - start + 7) % 7 + 1);
      }
      return Value::Error(ErrorValue::Num);
  }
}

// EDATE and EOMONTH: the date `months` months on (the same day, cut to the
// month's length), or the last day of that month.
template <bool kEndOfMonth>
Value MonthsOn(CallContext& context, std::span<Value> args) {
  CivilTime t;
  if (auto e = CivilArg(context, args[0], t)) return Value::Error(*e);
  const NumberOrError n = ArgNumber(context, args[1]);
  if (n.error) return Value::Error(*n.error);
  if (std::fabs(n.number) > 120000) return Value::Error(ErrorValue::Num);
  const int64_t total = int64_t(t.year) * 12 + (t.month - 1) + int64_t(std::trunc(n.number));
  const int64_t year = total / 12, month = total % 12 + 1;
  if (year < 1900 || year > 9999) return Value::Error(ErrorValue::Num);
  const int last = DaysInMonth(int(year), int(month));
  const int day = kEndOfMonth ? last : std::min(std::max(t.day, 1), last);
  auto serial = SerialFromCivil(year, month, day);
  if (!serial) return Value::Error(ErrorValue::Num);
  return Value::Number(ToBookSerial(context, *serial));
}

double NowSerial() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  const double day = SerialFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).value_or(0);
  return day + (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

Value Now(CallContext& context, std::span<Value>) { return Value::Number(ToBookSerial(context, NowSerial())); }
Value Today(CallContext& context, std::span<Value>) {
  return Value::Number(ToBookSerial(context, std::floor(NowSerial())));
}

}  // namespace

void RegisterDateFunctions(std::vector<FunctionInfo>& table) {
  table.insert(table.end(), {
                                {L"DATE", 3, 3, false, Date},
                                {L"TIME", 3, 3, false, Time},
                                {L"YEAR", 1, 1, false, DatePart<Part::Year>},
                                {L"MONTH", 1, 1, false, DatePart<Part::Month>},
                                {L"DAY", 1, 1, false, DatePart<Part::Day>},
                                {L"HOUR", 1, 1, false, DatePart<Part::Hour>},
                                {L"MINUTE", 1, 1, false, DatePart<Part::Minute>},
                                {L"SECOND", 1, 1, false, DatePart<Part::Second>},
                                {L"WEEKDAY", 1, 2, false, Weekday},
                                {L"EDATE", 2, 2, false, MonthsOn<false>},
                                {L"EOMONTH", 2, 2, false, MonthsOn<true>},
                                {L"NOW", 0, 0, true, Now},
                                {L"TODAY", 0, 0, true, Today},
                            });
}

}  // namespace sheetwright::engine
