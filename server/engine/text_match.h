// Matching of cell text against a Find/Replace pattern: '*' any run of
// characters, '?' one character, '~' makes the next character literal.
// Whole-cell or part-of-cell, with or without regard to case.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sheetwright::engine {

class TextMatcher {
 public:
  TextMatcher(std::wstring_view pattern, bool wholeCell, bool matchCase);

  bool Matches(std::wstring_view text) const;
  // Replaces every match in text (leftmost first, non-overlapping; a whole-
  // cell pattern replaces the text when it matches). Returns whether any
  // replacement was made.
  bool ReplaceAll(std::wstring& text, std::wstring_view replacement) const;
  // False when no text made only of digits, '.', '+', '-' and 'E' (a number
  // shown in the General format) can match: the pattern needs another
  // character. Lets a search skip formatting such numbers.
  bool CanMatchGeneralNumber() const;

 private:
  struct Token {
    enum Kind { Literal, Any, Star } kind;
    wchar_t c;
  };
  bool MatchFrom(std::wstring_view text, size_t t, size_t p) const;
  // Length of the longest match of the pattern starting at text[start], or -1.
  ptrdiff_t LongestMatchAt(std::wstring_view text, size_t start) const;
  wchar_t Fold(wchar_t c) const;

  std::vector<Token> tokens_;
  std::wstring literal_;  // the pattern folded, when it has no wildcard
  bool hasWildcard_ = false;
  bool whole_;
  bool matchCase_;
};

}  // namespace sheetwright::engine
