// The criteria of COUNTIF, SUMIF, AVERAGEIF and their *IFS forms: "5",
// ">=10", "<>", "=", "ap*le", "~*", a number, a Boolean or an error value,
// matched as the application matches them (texts without regard to case,
// '*' and '?' wildcards for = and <>, a number criterion also matching a
// text that reads as that number).
#pragma once

#include <optional>
#include <string>

#include "server/engine/formula_value.h"
#include "server/engine/text_match.h"

namespace sheetwright::engine {

class Criterion {
 public:
  enum class Op : uint8_t { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };
  enum class Kind : uint8_t { Number, Text, Boolean, Error, Blank };

  // From the criteria argument's value (a scalar).
  explicit Criterion(const Value& criteria);

  bool Matches(const Value& v) const;
  // Whether an empty cell matches.
  bool MatchesBlank() const { return matchesBlank_; }
  // The key of the values an equality criterion matches exactly (no
  // wildcard), for index lookups; empty when the criterion is not one.
  const std::wstring& IndexKey() const { return indexKey_; }

 private:
  bool Equals(const Value& v) const;
  Op op_ = Op::Equal;
  Kind kind_ = Kind::Blank;
  double number_ = 0;
  std::wstring text_;  // folded
  bool boolean_ = false;
  ErrorValue error_ = ErrorValue::Null;
  std::optional<TextMatcher> matcher_;
  bool matchesBlank_ = false;
  std::wstring indexKey_;
};

// The index key of a cell value (what IndexKey() of a criterion matching it
// exactly would be); a text that reads as a number gives both keys.
void ValueIndexKeys(const Value& v, std::wstring& key, std::wstring& numberKey);

}  // namespace sheetwright::engine
