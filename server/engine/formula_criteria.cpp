#include "server/engine/formula_criteria.h"

#include <cstring>

namespace sheetwright::engine {

namespace {

std::wstring NumberKey(double n) {
  if (n == 0) n = 0;  // -0 and 0 are one key
  uint64_t bits = 0;
  std::memcpy(&bits, &n, sizeof bits);
  std::wstring key(L"N");
  for (int i = 0; i < 8; ++i) key += wchar_t(0x100 + ((bits >> (8 * i)) & 0xFF));
  return key;
}

bool HasWildcard(std::wstring_view text) {
  return text.find_first_of(L"*?~") != std::wstring_view::npos;
}

}  // namespace

void ValueIndexKeys(const Value& v, std::wstring& key, std::wstring& numberKey) {
  key.clear();
  numberKey.clear();
  switch (v.kind) {
    case ValueKind::Number: key = NumberKey(v.number); break;
    case ValueKind::Text:
      key = L"T" + FoldText(v.text);
      if (auto n = TextToNumber(v.text)) numberKey = NumberKey(*n);
      break;
    case ValueKind::Boolean: key = v.boolean ? L"B1" : L"B0"; break;
    default: break;
  }
}

Criterion::Criterion(const Value& criteria) {
  switch (criteria.kind) {
    case ValueKind::Number:
      kind_ = Kind::Number;
      number_ = criteria.number;
      break;
    case ValueKind::Boolean:
      kind_ = Kind::Boolean;
      boolean_ = criteria.boolean;
      break;
    case ValueKind::Error:
      kind_ = Kind::Error;
      error_ = criteria.error;
      break;
    case ValueKind::Text: {
      std::wstring_view t = criteria.text;
      static constexpr std::pair<std::wstring_view, Op> kOps[] = {
          {L"<=", Op::LessEqual}, {L">=", Op::GreaterEqual}, {L"<>", Op::NotEqual},
          {L"<", Op::Less},       {L">", Op::Greater},       {L"=", Op::Equal}};
      for (const auto& [prefix, op] : kOps) {
        if (t.substr(0, prefix.size()) == prefix) {
          op_ = op;
          t.remove_prefix(prefix.size());
          break;
        }
      }
      if (t.empty()) {
        kind_ = Kind::Blank;
      } else if (auto n = TextToNumber(t)) {
        kind_ = Kind::Number;
        number_ = *n;
      } else if (FoldText(t) == L"TRUE" || FoldText(t) == L"FALSE") {
        kind_ = Kind::Boolean;
        boolean_ = FoldText(t) == L"TRUE";
      } else if (auto e = ParseErrorValue(t)) {
        kind_ = Kind::Error;
        error_ = *e;
      } else {
        kind_ = Kind::Text;
        text_ = FoldText(t);
        if ((op_ == Op::Equal || op_ == Op::NotEqual) && HasWildcard(t)) matcher_.emplace(t, true, false);
      }
      break;
    }
    default:
      // An empty cell as criteria counts as 0.
      kind_ = Kind::Number;
      number_ = 0;
      break;
  }
  matchesBlank_ = Matches(Value{});
  if (op_ == Op::Equal && !matcher_) {
    if (kind_ == Kind::Number) indexKey_ = NumberKey(number_);
    else if (kind_ == Kind::Text) indexKey_ = L"T" + text_;
    else if (kind_ == Kind::Boolean) indexKey_ = boolean_ ? L"B1" : L"B0";
  }
}

bool Criterion::Equals(const Value& v) const {
  switch (kind_) {
    case Kind::Blank: return v.IsBlank() || (v.kind == ValueKind::Text && v.text.empty());
    case Kind::Number:
      if (v.kind == ValueKind::Number) return v.number == number_;
      if (v.kind == ValueKind::Text) {
        auto n = TextToNumber(v.text);
        return n && *n == number_;
      }
      return false;
    case Kind::Text:
      if (v.kind != ValueKind::Text) return false;
      if (matcher_) return matcher_->Matches(v.text);
      return FoldText(v.text) == text_;
    case Kind::Boolean: return v.kind == ValueKind::Boolean && v.boolean == boolean_;
    case Kind::Error: return v.kind == ValueKind::Error && v.error == error_;
  }
  return false;
}

bool Criterion::Matches(const Value& v) const {
  if (op_ == Op::Equal) return Equals(v);
  if (op_ == Op::NotEqual) {
    if (kind_ == Kind::Blank) return !Equals(v);
    return !Equals(v);
  }
  int c = 0;
  switch (kind_) {
    case Kind::Number:
      if (v.kind != ValueKind::Number) return false;
      c = v.number < number_ ? -1 : (v.number > number_ ? 1 : 0);
      break;
    case Kind::Text:
      if (v.kind != ValueKind::Text) return false;
      c = CompareValues(Value::Text(FoldText(v.text)), Value::Text(text_));
      break;
    case Kind::Boolean:
      if (v.kind != ValueKind::Boolean) return false;
      c = int(v.boolean) - int(boolean_);
      break;
    default: return false;
  }
  switch (op_) {
    case Op::Less: return c < 0;
    case Op::LessEqual: return c <= 0;
    case Op::Greater: return c > 0;
    default: return c >= 0;
  }
}

}  // namespace sheetwright::engine
