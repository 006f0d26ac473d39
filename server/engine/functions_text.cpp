// Text functions: CONCATENATE, CONCAT, TEXTJOIN, LEFT, RIGHT, MID, LEN,
// TRIM, UPPER, LOWER, PROPER, SUBSTITUTE, REPLACE, FIND, SEARCH, VALUE,
// TEXT, EXACT, REPT.
#include <cmath>
#include <cwctype>

#include "server/engine/case_fold.h"
#include "server/engine/formula_functions.h"
#include "server/engine/formula_text_format.h"
#include "server/engine/text_match.h"

namespace sheetwright::engine {

namespace {

// A cell holds at most 32,767 characters; a longer result is #VALUE!.
constexpr size_t kMaxText = 32767;

Value TextResult(std::wstring text) {
  if (text.size() > kMaxText) return Value::Error(ErrorValue::Value);
  return Value::Text(std::move(text));
}

// Appends the texts of an argument (every value of a reference or array).
std::optional<ErrorValue> AppendTexts(CallContext& context, const Value& arg, std::vector<std::wstring>& out,
                                      bool skipEmpty) {
  std::optional<ErrorValue> error;
  if (arg.kind == ValueKind::Reference || arg.kind == ValueKind::Array) {
    auto grid = GridOf(context, arg);
    if (!grid) return ErrorValue::Value;
    if (int64_t(grid->rows) * grid->cols > (int64_t(1) << 20)) return ErrorValue::Value;
    for (int32_t r = 0; r < grid->rows && !error; ++r)
      for (int32_t c = 0; c < grid->cols && !error; ++c) {
        const Value v = grid->At(context, r, c);
        if (v.IsError()) error = v.error;
        else if (!(skipEmpty && (v.IsBlank() || (v.kind == ValueKind::Text && v.text.empty())))) out.push_back(ToText(v));
      }
    return error;
  }
  if (arg.IsError()) return arg.error;
  if (skipEmpty && (arg.IsBlank() || (arg.kind == ValueKind::Text && arg.text.empty()))) return std::nullopt;
  out.push_back(ToText(arg));
  return std::nullopt;
}

Value Concatenate(CallContext& context, std::span<Value> args) {
  std::wstring out;
  for (const Value& arg : args) {
    const TextOrError t = ArgText(context, arg);
    if (t.error) return Value::Error(*t.error);
    out += t.text;
    if (out.size() > kMaxText) return Value::Error(ErrorValue::Value);
  }
  return TextResult(std::move(out));
}

Value Concat(CallContext& context, std::span<Value> args) {
  std::vector<std::wstring> parts;
  for (const Value& arg : args)
    if (auto e = AppendTexts(context, arg, parts, false)) return Value::Error(*e);
  std::wstring out;
  for (const std::wstring& p : parts) {
    out += p;
    if (out.size() > kMaxText) return Value::Error(ErrorValue::Value);
  }
  return TextResult(std::move(out));
}

Value TextJoin(CallContext& context, std::span<Value> args) {
  const TextOrError delimiter = ArgText(context, args[0]);
  if (delimiter.error) return Value::Error(*delimiter.error);
  const BoolOrError ignore = ArgBool(context, args[1]);
  if (ignore.error) return Value::Error(*ignore.error);
  std::vector<std::wstring> parts;
  for (const Value& arg : args.subspan(2))
    if (auto e = AppendTexts(context, arg, parts, ignore.value)) return Value::Error(*e);
  std::wstring out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += delimiter.text;
    out += parts[i];
    if (out.size() > kMaxText) return Value::Error(ErrorValue::Value);
  }
  return TextResult(std::move(out));
}

// A count argument (LEFT, RIGHT, MID, REPT): a whole number >= 0.
std::optional<ErrorValue> CountArg(CallContext& context, std::span<Value> args, size_t i, double fallback,
                                   double& out) {
  if (i >= args.size() || args[i].kind == ValueKind::Missing) {
    out = fallback;
    return std::nullopt;
  }
  const NumberOrError n = ArgNumber(context, args[i]);
  if (n.error) return n.error;
  if (n.number < 0) return ErrorValue::Value;
  out = std::floor(n.number);
  return std::nullopt;
}

Value Left(CallContext& context, std::span<Value> args) {
  const TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  double n = 0;
  if (auto e = CountArg(context, args, 1, 1, n)) return Value::Error(*e);
  return Value::Text(t.text.substr(0, size_t(std::min<double>(n, double(t.text.size())))));
}

Value Right(CallContext& context, std::span<Value> args) {
  const TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  double n = 0;
  if (auto e = CountArg(context, args, 1, 1, n)) return Value::Error(*e);
  const size_t take = size_t(std::min<double>(n, double(t.text.size())));
  return Value::Text(t.text.substr(t.text.size() - take));
}

Value Mid(CallContext& context, std::span<Value> args) {
  const TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  const NumberOrError start = ArgNumber(context, args[1]);
  if (start.error) return Value::Error(*start.error);
  double n = 0;
  if (auto e = CountArg(context, args, 2, 0, n)) return Value::Error(*e);
  if (start.number < 1) return Value::Error(ErrorValue::Value);
  const double from = std::floor(start.number) - 1;
  if (from >= double(t.text.size())) return Value::Text(L"");
  return Value::Text(t.text.substr(size_t(from), size_t(std::min<double>(n, double(t.text.size())))));
}

Value Len(CallContext& context, std::span<Value> args) {
  const TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  return Value::Number(double(t.text.size()));
}

// Blanks at both ends removed, runs of blanks inside cut to one.
Value Trim(CallContext& context, std::span<Value> args) {
  const TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  std::wstring out;
  bool blank = false;
  for (wchar_t c : t.text) {
    if (c == L' ') {
      blank = !out.empty();
      continue;
    }
    if (blank) out += L' ';
    blank = false;
    out += c;
  }
  return Value::Text(std::move(out));
}

wchar_t ToUpper(wchar_t c) { return wchar_t(std::towupper(wint_t(c))); }
bool IsLetter(wchar_t c) { return std::iswalpha(wint_t(c)) != 0 || FoldCase(c) != c || ToUpper(c) != c; }

Value Upper(CallContext& context, std::span<Value> args) {
  TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  for (wchar_t& c : t.text) c = (c >= L'a' && c <= L'z') ? wchar_t(c - 32) : ToUpper(c);
  return Value::Text(std::move(t.text));
}

Value Lower(CallContext& context, std::span<Value> args) {
  TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  for (wchar_t& c : t.text) c = (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : FoldCase(c);
  return Value::Text(std::move(t.text));
}

// The first letter of every word upper case, the others lower case; a word
// starts after any character that is not a letter.
Value Proper(CallContext& context, std::span<Value> args) {
  TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  bool afterLetter = false;
  for (wchar_t& c : t.text) {
    const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= 0xC0 && IsLetter(c));
    if (letter) c = afterLetter ? ((c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : FoldCase(c))
                                : ((c >= L'a' && c <= L'z') ? wchar_t(c - 32) : ToUpper(c));
    afterLetter = letter;
  }
  return Value::Text(std::move(t.text));
}

Value Substitute(CallContext& context, std::span<Value> args) {
  const TextOrError text = ArgText(context, args[0]);
  if (text.error) return Value::Error(*text.error);
  const TextOrError oldText = ArgText(context, args[1]);
  if (oldText.error) return Value::Error(*oldText.error);
  const TextOrError newText = ArgText(context, args[2]);
  if (newText.error) return Value::Error(*newText.error);
  double instance = 0;
  if (args.size() > 3 && args[3].kind != ValueKind::Missing) {
    const NumberOrError n = ArgNumber(context, args[3]);
    if (n.error) return Value::Error(*n.error);
    if (n.number < 1) return Value::Error(ErrorValue::Value);
    instance = std::floor(n.number);
  }
  if (oldText.text.empty()) return Value::Text(text.text);
  std::wstring out;
  size_t from = 0;
  double seen = 0;
  for (;;) {
    const size_t at = text.text.find(oldText.text, from);
    if (at == std::wstring::npos) break;
    ++seen;
    out.append(text.text, from, at - from);
    if (instance == 0 || seen == instance) {
      out += newText.text;
    } else {
      out += oldText.text;
    }
    from = at + oldText.text.size();
    if (out.size() > kMaxText) return Value::Error(ErrorValue::Value);
  }
  out.append(text.text, from, std::wstring::npos);
  return TextResult(std::move(out));
}

Value Replace(CallContext& context, std::span<Value> args) {
  const TextOrError text = ArgText(context, args[0]);
  if (text.error) return Value::Error(*text.error);
  const NumberOrError start = ArgNumber(context, args[1]);
  if (start.error) return Value::Error(*start.error);
  const NumberOrError count = ArgNumber(context, args[2]);
  if (count.error) return Value::Error(*count.error);
  const TextOrError with = ArgText(context, args[3]);
  if (with.error) return Value::Error(*with.error);
  if (start.number < 1 || count.number < 0) return Value::Error(ErrorValue::Value);
  const size_t from = size_t(std::min<double>(std::floor(start.number) - 1, double(text.text.size())));
  const size_t take = size_t(std::min<double>(std::floor(count.number), double(text.text.size() - from)));
  std::wstring out = text.text;
  out.replace(from, take, with.text);
  return TextResult(std::move(out));
}

// FIND (case-sensitive, no wildcards) and SEARCH (without regard to case,
// with wildcards): the 1-based position of the first match at or after
// start_num, #VALUE! when there is none.
template <bool kSearch>
Value Locate(CallContext& context, std::span<Value> args) {
  const TextOrError needle = ArgText(context, args[0]);
  if (needle.error) return Value::Error(*needle.error);
  const TextOrError hay = ArgText(context, args[1]);
  if (hay.error) return Value::Error(*hay.error);
  double start = 1;
  if (args.size() > 2 && args[2].kind != ValueKind::Missing) {
    const NumberOrError n = ArgNumber(context, args[2]);
    if (n.error) return Value::Error(*n.error);
    start = std::floor(n.number);
  }
  if (start < 1 || start > double(hay.text.size()) + 1) return Value::Error(ErrorValue::Value);
  const size_t from = size_t(start) - 1;
  if (!kSearch) {
    const size_t at = hay.text.find(needle.text, from);
    if (at == std::wstring::npos) return Value::Error(ErrorValue::Value);
    return Value::Number(double(at + 1));
  }
  if (needle.text.empty()) return Value::Number(start);
  const TextMatcher matcher(needle.text + L"*", true, false);
  for (size_t at = from; at < hay.text.size(); ++at)
    if (matcher.Matches(std::wstring_view(hay.text).substr(at))) return Value::Number(double(at + 1));
  return Value::Error(ErrorValue::Value);
}

Value ValueOf(CallContext& context, std::span<Value> args) {
  const Value v = Scalar(context, args[0]);
  if (v.IsError()) return v;
  if (v.kind == ValueKind::Number) return v;
  if (v.IsBlank()) return Value::Number(0);
  if (v.kind == ValueKind::Boolean) return Value::Error(ErrorValue::Value);
  if (auto n = TextToNumber(v.text)) return Value::Number(*n);
  return Value::Error(ErrorValue::Value);
}

Value Text(CallContext& context, std::span<Value> args) {
  const Value v = Scalar(context, args[0]);
  if (v.IsError()) return v;
  const TextOrError format = ArgText(context, args[1]);
  if (format.error) return Value::Error(*format.error);
  double number = 0;
  if (v.kind == ValueKind::Number) {
    number = v.number;
  } else if (v.IsBlank()) {
    number = 0;
  } else if (v.kind == ValueKind::Text) {
    auto n = TextToNumber(v.text);
    if (!n) return v;  // a text that is no number comes back as it is
    number = *n;
  } else {
    return Value::Text(ToText(v));
  }
  auto text = FormatNumberText(number, format.text, context.book);
  if (!text) return Value::Error(ErrorValue::Value);
  return Value::Text(std::move(*text));
}

Value Exact(CallContext& context, std::span<Value> args) {
  const TextOrError a = ArgText(context, args[0]);
  if (a.error) return Value::Error(*a.error);
  const TextOrError b = ArgText(context, args[1]);
  if (b.error) return Value::Error(*b.error);
  return Value::Bool(a.text == b.text);
}

Value Rept(CallContext& context, std::span<Value> args) {
  const TextOrError t = ArgText(context, args[0]);
  if (t.error) return Value::Error(*t.error);
  double n = 0;
  if (auto e = CountArg(context, args, 1, 0, n)) return Value::Error(*e);
  if (n * double(t.text.size()) > double(kMaxText)) return Value::Error(ErrorValue::Value);
  std::wstring out;
  for (double i = 0; i < n; ++i) out += t.text;
  return Value::Text(std::move(out));
}

}  // namespace

void RegisterTextFunctions(std::vector<FunctionInfo>& table) {
  table.insert(table.end(), {
                                {L"CONCATENATE", 1, kManyArgs, false, Concatenate},
                                {L"CONCAT", 1, kManyArgs, false, Concat},
                                {L"TEXTJOIN", 3, kManyArgs, false, TextJoin},
                                {L"LEFT", 1, 2, false, Left},
                                {L"RIGHT", 1, 2, false, Right},
                                {L"MID", 3, 3, false, Mid},
                                {L"LEN", 1, 1, false, Len},
                                {L"TRIM", 1, 1, false, Trim},
                                {L"UPPER", 1, 1, false, Upper},
                                {L"LOWER", 1, 1, false, Lower},
                                {L"PROPER", 1, 1, false, Proper},
                                {L"SUBSTITUTE", 3, 4, false, Substitute},
                                {L"REPLACE", 4, 4, false, Replace},
                                {L"FIND", 2, 3, false, Locate<false>},
                                {L"SEARCH", 2, 3, false, Locate<true>},
                                {L"VALUE", 1, 1, false, ValueOf},
                                {L"TEXT", 2, 2, false, Text},
                                {L"EXACT", 2, 2, false, Exact},
                                {L"REPT", 2, 2, false, Rept},
                            });
}

}  // namespace sheetwright::engine
