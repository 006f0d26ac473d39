#include "server/engine/formula_tokens.h"

#include <algorithm>
#include <optional>
#include <type_traits>

namespace sheetwright::engine {

namespace {

constexpr int32_t kLastRow = 1048576;
constexpr int32_t kLastColumn = 16384;

template <class CharT>
bool IsAsciiLetter(CharT c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
template <class CharT>
bool IsDigit(CharT c) {
  return c >= '0' && c <= '9';
}
// Characters a name, function or unquoted sheet name may hold.
template <class CharT>
bool IsNameChar(CharT c) {
  using U = std::make_unsigned_t<CharT>;
  return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == '\\' || c == '?' || U(c) >= 0x80;
}
template <class CharT>
bool IsBlank(CharT c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
template <class CharT>
CharT Upper(CharT c) {
  return (c >= 'a' && c <= 'z') ? CharT(c - 'a' + 'A') : c;
}
template <class CharT>
bool StartsWithNoCase(std::basic_string_view<CharT> text, size_t at, std::string_view word) {
  if (text.size() - at < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (Upper(text[at + k]) != CharT(word[k])) return false;
  return true;
}

constexpr std::string_view kErrorLiterals[] = {
    "#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#GETTING_DATA",
    "#SPILL!", "#CALC!", "#FIELD!", "#BLOCKED!", "#UNKNOWN!", "#CONNECT!", "#BUSY!", "#PYTHON!"};

// Length of the error literal at `at`, or 0.
template <class CharT>
size_t ErrorLiteralLength(std::basic_string_view<CharT> text, size_t at) {
  for (std::string_view literal : kErrorLiterals)
    if (StartsWithNoCase(text, at, literal)) return literal.size();
  return 0;
}

// One end of a reference: [$]LETTERS[$]DIGITS, [$]LETTERS or [$]DIGITS.
struct RefEnd {
  int32_t row = 0, col = 0;
  bool rowAbsolute = false, colAbsolute = false;
  size_t end = 0;
};

// [$]LETTERS, a column within the sheet; `end` after it.
template <class CharT>
std::optional<RefEnd> ReadColumn(std::basic_string_view<CharT> text, size_t at) {
  RefEnd out;
  size_t j = at;
  if (j < text.size() && text[j] == '$') {
    out.colAbsolute = true;
    ++j;
  }
  const size_t start = j;
  int64_t col = 0;
  while (j < text.size() && IsAsciiLetter(text[j]) && j - start < 4) {
    col = col * 26 + (Upper(text[j]) - 'A' + 1);
    ++j;
  }
  if (j == start || col > kLastColumn) return std::nullopt;
  out.col = int32_t(col);
  out.end = j;
  return out;
}

// [$]DIGITS, a row within the sheet.
template <class CharT>
std::optional<RefEnd> ReadRow(std::basic_string_view<CharT> text, size_t at) {
  RefEnd out;
  size_t j = at;
  if (j < text.size() && text[j] == '$') {
    out.rowAbsolute = true;
    ++j;
  }
  const size_t start = j;
  int64_t row = 0;
  while (j < text.size() && IsDigit(text[j]) && j - start < 8) {
    row = row * 10 + (text[j] - '0');
    ++j;
  }
  if (j == start || row < 1 || row > kLastRow) return std::nullopt;
  out.row = int32_t(row);
  out.end = j;
  return out;
}

template <class CharT>
std::optional<RefEnd> ReadCell(std::basic_string_view<CharT> text, size_t at) {
  auto col = ReadColumn(text, at);
  if (!col) return std::nullopt;
  auto row = ReadRow(text, col->end);
  if (!row) return std::nullopt;
  RefEnd out = *col;
  out.row = row->row;
  out.rowAbsolute = row->rowAbsolute;
  out.end = row->end;
  return out;
}

// A reference ends where no name character, '(' , '!' or '[' follows.
template <class CharT>
bool EndsReference(std::basic_string_view<CharT> text, size_t at) {
  if (at >= text.size()) return true;
  const CharT c = text[at];
  return !IsNameChar(c) && c != '(' && c != '!' && c != '[' && c != '$';
}

// A cell, area, whole rows or whole columns starting at `at`; its end in
// `end`.
template <class CharT>
std::optional<FormulaReference> ReadReference(std::basic_string_view<CharT> text, size_t at, size_t& end) {
  FormulaReference ref;
  // Whole rows: [$]n:[$]m.
  if (auto first = ReadRow(text, at); first && first->end < text.size() && text[first->end] == ':') {
    if (auto last = ReadRow(text, first->end + 1); last && EndsReference(text, last->end)) {
      ref.shape = ReferenceShape::Rows;
      ref.row1 = first->row;
      ref.rowAbsolute1 = first->rowAbsolute;
      ref.row2 = last->row;
      ref.rowAbsolute2 = last->rowAbsolute;
      end = last->end;
      return ref;
    }
  }
  if (auto first = ReadCell(text, at)) {
    ref.shape = ReferenceShape::Cell;
    ref.row1 = ref.row2 = first->row;
    ref.col1 = ref.col2 = first->col;
    ref.rowAbsolute1 = ref.rowAbsolute2 = first->rowAbsolute;
    ref.colAbsolute1 = ref.colAbsolute2 = first->colAbsolute;
    if (first->end < text.size() && text[first->end] == ':') {
      if (auto last = ReadCell(text, first->end + 1); last && EndsReference(text, last->end)) {
        ref.shape = ReferenceShape::Area;
        ref.row2 = last->row;
        ref.col2 = last->col;
        ref.rowAbsolute2 = last->rowAbsolute;
        ref.colAbsolute2 = last->colAbsolute;
        end = last->end;
        return ref;
      }
    }
    if (!EndsReference(text, first->end)) return std::nullopt;
    end = first->end;
    return ref;
  }
  // Whole columns: [$]A:[$]C.
  if (auto first = ReadColumn(text, at); first && first->end < text.size() && text[first->end] == ':') {
    if (auto last = ReadColumn(text, first->end + 1); last && EndsReference(text, last->end)) {
      ref.shape = ReferenceShape::Columns;
      ref.col1 = first->col;
      ref.colAbsolute1 = first->colAbsolute;
      ref.col2 = last->col;
      ref.colAbsolute2 = last->colAbsolute;
      end = last->end;
      return ref;
    }
  }
  return std::nullopt;
}

template <class CharT>
size_t SkipName(std::basic_string_view<CharT> text, size_t at) {
  while (at < text.size() && IsNameChar(text[at])) ++at;
  return at;
}

// The closing ']' matching the '[' at `at` (nested brackets counted, "'"
// escapes the next character as in structured references); text.size()
// when unmatched.
template <class CharT>
size_t MatchingBracket(std::basic_string_view<CharT> text, size_t at) {
  int depth = 0;
  for (size_t j = at; j < text.size(); ++j) {
    if (text[j] == '\'') {
      ++j;
      continue;
    }
    if (text[j] == '[') ++depth;
    if (text[j] == ']' && --depth == 0) return j;
  }
  return text.size();
}

// The end of the quoted text opening at `at` with `quote` (doubled quotes
// are escapes), past the closing quote; text.size() when unterminated.
template <class CharT>
size_t QuotedEnd(std::basic_string_view<CharT> text, size_t at, CharT quote) {
  size_t j = at + 1;
  while (j < text.size()) {
    if (text[j] == quote) {
      if (j + 1 < text.size() && text[j + 1] == quote) {
        j += 2;
        continue;
      }
      return j + 1;
    }
    ++j;
  }
  return text.size();
}

template <class CharT>
class Tokenizer {
 public:
  explicit Tokenizer(std::basic_string_view<CharT> text) : text_(text.substr(0, std::min<size_t>(text.size(), UINT32_MAX))) {}

  std::vector<FormulaToken> Run() {
    while (i_ < text_.size()) Next();
    return std::move(tokens_);
  }

 private:
  void Emit(FormulaTokenKind kind, size_t end, size_t prefixEnd = SIZE_MAX, const FormulaReference& ref = {}) {
    FormulaToken token;
    token.kind = kind;
    token.begin = uint32_t(i_);
    token.end = uint32_t(end);
    token.prefixEnd = uint32_t(prefixEnd == SIZE_MAX ? i_ : prefixEnd);
    token.ref = ref;
    tokens_.push_back(token);
    i_ = end;
  }

  // After a prefix ending at `prefixEnd` (past its '!'): a reference, #REF!
  // or a name. A prefix followed by nothing usable is one Unknown token.
  void EmitPrefixed(size_t prefixEnd) {
    size_t end = 0;
    if (auto ref = ReadReference(text_, prefixEnd, end)) return Emit(FormulaTokenKind::Reference, end, prefixEnd, *ref);
    if (StartsWithNoCase(text_, prefixEnd, "#REF!")) {
      FormulaReference invalid;
      invalid.shape = ReferenceShape::Invalid;
      return Emit(FormulaTokenKind::Reference, prefixEnd + 5, prefixEnd, invalid);
    }
    const size_t nameEnd = SkipName(text_, prefixEnd);
    if (nameEnd > prefixEnd) return Emit(FormulaTokenKind::Name, nameEnd, prefixEnd);
    Emit(FormulaTokenKind::Unknown, prefixEnd);
  }

  void Next() {
    const CharT c = text_[i_];
    if (IsBlank(c)) {
      size_t j = i_;
      while (j < text_.size() && IsBlank(text_[j])) ++j;
      return Emit(FormulaTokenKind::Whitespace, j);
    }
    switch (c) {
      case '"': return Emit(FormulaTokenKind::Text, QuotedEnd(text_, i_, CharT('"')));
      case '\'': return Quoted();
      case '[': return Bracket();
      case '#': {
        const size_t length = ErrorLiteralLength(text_, i_);
        return Emit(length ? FormulaTokenKind::Error : FormulaTokenKind::Unknown, i_ + std::max<size_t>(length, 1));
      }
      case '(': return Emit(FormulaTokenKind::OpenParen, i_ + 1);
      case ')': return Emit(FormulaTokenKind::CloseParen, i_ + 1);
      case '{': return Emit(FormulaTokenKind::OpenBrace, i_ + 1);
      case '}': return Emit(FormulaTokenKind::CloseBrace, i_ + 1);
      case ',':
      case ';': return Emit(FormulaTokenKind::Separator, i_ + 1);
      case '<':
        return Emit(FormulaTokenKind::Operator,
                    i_ + 1 + (i_ + 1 < text_.size() && (text_[i_ + 1] == '>' || text_[i_ + 1] == '=')));
      case '>': return Emit(FormulaTokenKind::Operator, i_ + 1 + (i_ + 1 < text_.size() && text_[i_ + 1] == '='));
      case '+': case '-': case '*': case '/': case '^': case '&': case '=': case '%': case ':': case '@':
        return Emit(FormulaTokenKind::Operator, i_ + 1);
      default: break;
    }
    if (c == '$' || IsNameChar(c)) return Word();
    Emit(FormulaTokenKind::Unknown, i_ + 1);
  }

  // 'Sheet name'!A1 (or a quoted 3-D or external prefix).
  void Quoted() {
    const size_t close = QuotedEnd(text_, i_, CharT('\''));
    if (close < text_.size() && text_[close] == '!') return EmitPrefixed(close + 1);
    Emit(FormulaTokenKind::Unknown, close);
  }

  // [1]Sheet1!A1, [Book.xlsx]Sheet1!A1, [1]!Name, or a structured
  // reference without its table name ([@Col], [[#This Row],[A]]).
  void Bracket() {
    const size_t close = MatchingBracket(text_, i_);
    if (close < text_.size()) {
      const size_t afterSheet = SkipName(text_, close + 1);
      if (afterSheet < text_.size() && text_[afterSheet] == '!') return EmitPrefixed(afterSheet + 1);
    }
    Emit(FormulaTokenKind::StructuredReference, std::min(close + 1, text_.size()));
  }

  void Word() {
    size_t end = 0;
    if (auto ref = ReadReference(text_, i_, end)) return Emit(FormulaTokenKind::Reference, end, i_, *ref);
    const CharT c = text_[i_];
    if (IsDigit(c) || (c == '.' && i_ + 1 < text_.size() && IsDigit(text_[i_ + 1]))) return Number();
    const size_t wordEnd = SkipName(text_, i_);
    if (wordEnd == i_) return Emit(FormulaTokenKind::Unknown, i_ + 1);  // a lone '$'
    if (wordEnd < text_.size()) {
      const CharT next = text_[wordEnd];
      if (next == '!') return EmitPrefixed(wordEnd + 1);
      if (next == ':') {  // Sheet1:Sheet3!A1
        const size_t lastEnd = SkipName(text_, wordEnd + 1);
        if (lastEnd > wordEnd + 1 && lastEnd < text_.size() && text_[lastEnd] == '!') return EmitPrefixed(lastEnd + 1);
      }
      if (next == '(') return Emit(FormulaTokenKind::Function, wordEnd);
      if (next == '[') return Emit(FormulaTokenKind::StructuredReference, std::min(MatchingBracket(text_, wordEnd) + 1, text_.size()));
    }
    const std::basic_string_view<CharT> word = text_.substr(i_, wordEnd - i_);
    if ((word.size() == 4 && StartsWithNoCase(word, 0, "TRUE")) || (word.size() == 5 && StartsWithNoCase(word, 0, "FALSE")))
      return Emit(FormulaTokenKind::Boolean, wordEnd);
    Emit(FormulaTokenKind::Name, wordEnd, i_);
  }

  void Number() {
    size_t j = i_;
    while (j < text_.size() && IsDigit(text_[j])) ++j;
    if (j < text_.size() && text_[j] == '.') {
      ++j;
      while (j < text_.size() && IsDigit(text_[j])) ++j;
    }
    if (j < text_.size() && (text_[j] == 'E' || text_[j] == 'e')) {
      size_t k = j + 1;
      if (k < text_.size() && (text_[k] == '+' || text_[k] == '-')) ++k;
      if (k < text_.size() && IsDigit(text_[k])) {
        while (k < text_.size() && IsDigit(text_[k])) ++k;
        j = k;
      }
    }
    Emit(FormulaTokenKind::Number, j);
  }

  std::basic_string_view<CharT> text_;
  size_t i_ = 0;
  std::vector<FormulaToken> tokens_;
};

template <class CharT>
FormulaPrefix<CharT> ParsePrefix(std::basic_string_view<CharT> formula, const FormulaToken& token) {
  FormulaPrefix<CharT> out;
  if (!token.HasPrefix()) return out;
  std::basic_string<CharT> body;
  std::basic_string_view<CharT> raw = formula.substr(token.begin, token.prefixEnd - 1 - token.begin);  // '!' dropped
  if (!raw.empty() && raw.front() == '\'' && raw.size() >= 2 && raw.back() == '\'') {
    raw = raw.substr(1, raw.size() - 2);
    for (size_t k = 0; k < raw.size(); ++k) {
      body.push_back(raw[k]);
      if (raw[k] == '\'' && k + 1 < raw.size() && raw[k + 1] == '\'') ++k;
    }
  } else {
    body.assign(raw);
  }
  if (!body.empty() && body.front() == '[') {
    out.external = true;
    const size_t close = body.find(CharT(']'));
    body.erase(0, close == std::basic_string<CharT>::npos ? body.size() : close + 1);
  }
  const size_t colon = body.find(CharT(':'));
  if (colon != std::basic_string<CharT>::npos) {
    out.lastSheet = body.substr(colon + 1);
    body.resize(colon);
  }
  out.sheet = std::move(body);
  return out;
}

void AppendColumn(int32_t col, std::string& out) {
  char letters[4];
  int n = 0;
  while (col > 0 && n < 4) {
    letters[n++] = char('A' + (col - 1) % 26);
    col = (col - 1) / 26;
  }
  while (n > 0) out.push_back(letters[--n]);
}

}  // namespace

std::vector<FormulaToken> TokenizeFormula(std::string_view formula) { return Tokenizer<char>(formula).Run(); }
std::vector<FormulaToken> TokenizeFormula(std::wstring_view formula) { return Tokenizer<wchar_t>(formula).Run(); }

FormulaPrefix<char> ParseFormulaPrefix(std::string_view formula, const FormulaToken& token) {
  return ParsePrefix(formula, token);
}
FormulaPrefix<wchar_t> ParseFormulaPrefix(std::wstring_view formula, const FormulaToken& token) {
  return ParsePrefix(formula, token);
}

std::string FormulaReferenceText(const FormulaReference& ref) {
  std::string out;
  auto column = [&](int32_t col, bool absolute) {
    if (absolute) out.push_back('$');
    AppendColumn(col, out);
  };
  auto row = [&](int32_t r, bool absolute) {
    if (absolute) out.push_back('$');
    out += std::to_string(r);
  };
  switch (ref.shape) {
    case ReferenceShape::Invalid: return "#REF!";
    case ReferenceShape::Rows:
      row(ref.row1, ref.rowAbsolute1);
      out.push_back(':');
      row(ref.row2, ref.rowAbsolute2);
      return out;
    case ReferenceShape::Columns:
      column(ref.col1, ref.colAbsolute1);
      out.push_back(':');
      column(ref.col2, ref.colAbsolute2);
      return out;
    case ReferenceShape::Cell:
    case ReferenceShape::Area:
      column(ref.col1, ref.colAbsolute1);
      row(ref.row1, ref.rowAbsolute1);
      if (ref.shape == ReferenceShape::Area) {
        out.push_back(':');
        column(ref.col2, ref.colAbsolute2);
        row(ref.row2, ref.rowAbsolute2);
      }
      return out;
  }
  return out;
}

}  // namespace sheetwright::engine
