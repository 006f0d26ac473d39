#include "server/engine/text_match.h"

#include "server/engine/case_fold.h"

namespace sheetwright::engine {

TextMatcher::TextMatcher(std::wstring_view pattern, bool wholeCell, bool matchCase)
    : whole_(wholeCell), matchCase_(matchCase) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    const wchar_t c = pattern[i];
    if (c == L'~' && i + 1 < pattern.size()) {
      tokens_.push_back({Token::Literal, Fold(pattern[++i])});
    } else if (c == L'*') {
      if (tokens_.empty() || tokens_.back().kind != Token::Star) tokens_.push_back({Token::Star, 0});
      hasWildcard_ = true;
    } else if (c == L'?') {
      tokens_.push_back({Token::Any, 0});
      hasWildcard_ = true;
    } else {
      tokens_.push_back({Token::Literal, Fold(c)});
    }
  }
  for (const Token& t : tokens_) literal_ += t.c;
}

wchar_t TextMatcher::Fold(wchar_t c) const { return matchCase_ ? c : FoldCase(c); }

bool TextMatcher::MatchFrom(std::wstring_view text, size_t t, size_t p) const {
  // Iterative glob with one backtrack point per star.
  size_t starP = std::wstring_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < tokens_.size() && tokens_[p].kind == Token::Star) {
      starP = p++;
      starT = t;
    } else if (p < tokens_.size() &&
               (tokens_[p].kind == Token::Any || tokens_[p].c == Fold(text[t]))) {
      ++p;
      ++t;
    } else if (starP != std::wstring_view::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < tokens_.size() && tokens_[p].kind == Token::Star) ++p;
  return p == tokens_.size();
}

bool TextMatcher::Matches(std::wstring_view text) const {
  if (whole_) {
    if (!hasWildcard_) {
      if (text.size() != literal_.size()) return false;
      for (size_t i = 0; i < text.size(); ++i)
        if (Fold(text[i]) != literal_[i]) return false;
      return true;
    }
    return MatchFrom(text, 0, 0);
  }
  if (tokens_.empty()) return true;
  if (!hasWildcard_) {
    if (literal_.size() > text.size()) return false;
    for (size_t start = 0; start + literal_.size() <= text.size(); ++start) {
      size_t k = 0;
      while (k < literal_.size() && Fold(text[start + k]) == literal_[k]) ++k;
      if (k == literal_.size()) return true;
    }
    return false;
  }
  // Part of the cell: the pattern may start and end anywhere.
  for (size_t start = 0; start <= text.size(); ++start)
    if (LongestMatchAt(text, start) >= 0) return true;
  return false;
}

ptrdiff_t TextMatcher::LongestMatchAt(std::wstring_view text, size_t start) const {
  for (size_t end = text.size() + 1; end-- > start;)
    if (MatchFrom(text.substr(start, end - start), 0, 0)) return ptrdiff_t(end - start);
  return -1;
}

bool TextMatcher::ReplaceAll(std::wstring& text, std::wstring_view replacement) const {
  if (whole_) {
    if (!Matches(text)) return false;
    text = replacement;
    return true;
  }
  if (tokens_.empty()) return false;
  std::wstring out;
  bool replaced = false;
  size_t i = 0;
  while (i < text.size()) {
    ptrdiff_t length = -1;
    if (hasWildcard_) {
      length = LongestMatchAt(text, i);
    } else if (i + literal_.size() <= text.size()) {
      size_t k = 0;
      while (k < literal_.size() && Fold(text[i + k]) == literal_[k]) ++k;
      if (k == literal_.size()) length = ptrdiff_t(k);
    }
    if (length > 0) {
      out += replacement;
      i += size_t(length);
      replaced = true;
    } else {
      out += text[i++];
    }
  }
  if (replaced) text = std::move(out);
  return replaced;
}

bool TextMatcher::CanMatchGeneralNumber() const {
  for (const Token& token : tokens_) {
    if (token.kind != Token::Literal) continue;
    const wchar_t c = token.c;
    const bool numeric = (c >= L'0' && c <= L'9') || c == L'.' || c == L'+' || c == L'-' || c == L'E' || c == L'e';
    if (!numeric) return false;
  }
  return true;
}

}  // namespace sheetwright::engine
