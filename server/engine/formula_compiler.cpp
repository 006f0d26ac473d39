// The parser of formula text: the tokens of formula_tokens.h read by
// recursive descent with the application's operator precedence, from the
// loosest to the tightest binding:
//   comparisons (= <> < <= > >=), &, + -, * /, ^, %, unary - +,
//   reference operators (: range, blank intersection, , union in brackets).
// Nesting of functions and brackets is limited (kMaxNesting levels), so the
// recursion depth is bounded: about ten frames per level.
#include <cwchar>

#include "server/engine/formula_functions.h"
#include "server/engine/formula_program.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

struct ParseFailure {
  FormulaProblem problem;
};

bool IsOperator(std::wstring_view text, const FormulaToken& t, std::wstring_view op) {
  return t.kind == FormulaTokenKind::Operator && text.substr(t.begin, t.end - t.begin) == op;
}

class Compiler {
 public:
  Compiler(std::wstring_view text, int32_t row, int32_t col, const Workbook& book)
      : text_(text), row_(row), col_(col), book_(book), program_(std::make_unique<Program>()) {}

  std::unique_ptr<Program> Run() {
    std::vector<FormulaToken> raw = TokenizeFormula(text_);
    // Blanks vanish, except between two reference operands, where a blank is
    // the intersection operator.
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i].kind != FormulaTokenKind::Whitespace) {
        tokens_.push_back(raw[i]);
        continue;
      }
      if (tokens_.empty() || i + 1 >= raw.size()) continue;
      const FormulaTokenKind before = tokens_.back().kind;
      const FormulaTokenKind after = raw[i + 1].kind;
      const bool leftRef = before == FormulaTokenKind::Reference || before == FormulaTokenKind::Name ||
                           before == FormulaTokenKind::CloseParen;
      const bool rightRef = after == FormulaTokenKind::Reference || after == FormulaTokenKind::Name ||
                            after == FormulaTokenKind::Function || after == FormulaTokenKind::OpenParen;
      if (leftRef && rightRef) {
        FormulaToken intersect = raw[i];
        intersect.kind = FormulaTokenKind::Operator;
        intersectAt_.push_back(tokens_.size());
        tokens_.push_back(intersect);
      }
    }
    // The literal: the text with each reference proper cut out.
    size_t copied = 0;
    for (const FormulaToken& t : raw) {
      if (t.kind != FormulaTokenKind::Reference || t.ref.shape == ReferenceShape::Invalid) continue;
      program_->literal.append(text_.substr(copied, t.prefixEnd - copied));
      copied = t.end;
      refTokens_.push_back(t.begin);
      program_->holes.emplace_back(uint32_t(program_->literal.size()), uint32_t(refTokens_.size() - 1));
      program_->refs.push_back(MakeRef(t));
    }
    program_->literal.append(text_.substr(copied));
    if (tokens_.empty()) throw ParseFailure{FormulaProblem::Syntax};
    Expression();
    if (pos_ != tokens_.size()) throw ParseFailure{FormulaProblem::Syntax};
    program_->maxStack = uint32_t(maxDepth_);
    return std::move(program_);
  }

 private:
  ProgramRef MakeRef(const FormulaToken& t) {
    ProgramRef pr;
    FormulaReference r = t.ref;
    if (t.HasPrefix()) {
      const auto prefix = ParseFormulaPrefix(text_, t);
      Sheet* sheet = nullptr;
      if (!prefix.external && prefix.lastSheet.empty()) sheet = const_cast<Workbook&>(book_).FindSheet(prefix.sheet);
      pr.sheet = sheet ? int32_t(book_.IndexOf(sheet)) : ProgramRef::kInvalidSheet;
    }
    if (!r.rowAbsolute1 && r.shape != ReferenceShape::Columns) r.row1 -= row_;
    if (!r.rowAbsolute2 && r.shape != ReferenceShape::Columns) r.row2 -= row_;
    if (!r.colAbsolute1 && r.shape != ReferenceShape::Rows) r.col1 -= col_;
    if (!r.colAbsolute2 && r.shape != ReferenceShape::Rows) r.col2 -= col_;
    // Whole rows have no columns and whole columns no rows: mark the missing
    // parts absolute so that they resolve to nothing moving.
    if (r.shape == ReferenceShape::Columns) r.rowAbsolute1 = r.rowAbsolute2 = true;
    if (r.shape == ReferenceShape::Rows) r.colAbsolute1 = r.colAbsolute2 = true;
    pr.ref = r;
    return pr;
  }

  const FormulaToken* Peek() const { return pos_ < tokens_.size() ? &tokens_[pos_] : nullptr; }
  bool PeekOperator(std::wstring_view op) const {
    const FormulaToken* t = Peek();
    return t && !IsIntersect(pos_) && IsOperator(text_, *t, op);
  }
  bool IsIntersect(size_t at) const {
    for (size_t i : intersectAt_)
      if (i == at) return true;
    return false;
  }
  bool PeekKind(FormulaTokenKind kind) const {
    const FormulaToken* t = Peek();
    return t && t->kind == kind;
  }
  std::wstring_view Span(const FormulaToken& t) const { return text_.substr(t.begin, t.end - t.begin); }

  void Emit(OpCode op, uint32_t operand = 0, int stackChange = 1) {
    Instruction in;
    in.op = op;
    in.operand = operand;
    program_->code.push_back(in);
    depth_ += stackChange;
    maxDepth_ = std::max(maxDepth_, depth_);
  }

  struct Nest {
    explicit Nest(Compiler& c) : c_(c) {
      if (++c_.nesting_ > kMaxNesting) throw ParseFailure{FormulaProblem::TooDeep};
    }
    ~Nest() { --c_.nesting_; }
    Compiler& c_;
  };

  void Expression() {
    Concatenation();
    static constexpr std::pair<std::wstring_view, OpCode> kComparisons[] = {
        {L"=", OpCode::Equal}, {L"<>", OpCode::NotEqual}, {L"<", OpCode::Less},
        {L"<=", OpCode::LessEqual}, {L">", OpCode::Greater}, {L">=", OpCode::GreaterEqual}};
    for (;;) {
      bool matched = false;
      for (const auto& [op, code] : kComparisons) {
        if (!PeekOperator(op)) continue;
        ++pos_;
        Concatenation();
        Emit(code, 0, -1);
        matched = true;
        break;
      }
      if (!matched) return;
    }
  }
  void Concatenation() {
    Additive();
    while (PeekOperator(L"&")) {
      ++pos_;
      Additive();
      Emit(OpCode::Concat, 0, -1);
    }
  }
  void Additive() {
    Multiplicative();
    for (;;) {
      if (PeekOperator(L"+")) {
        ++pos_;
        Multiplicative();
        Emit(OpCode::Add, 0, -1);
      } else if (PeekOperator(L"-")) {
        ++pos_;
        Multiplicative();
        Emit(OpCode::Subtract, 0, -1);
      } else {
        return;
      }
    }
  }
  void Multiplicative() {
    Power();
    for (;;) {
      if (PeekOperator(L"*")) {
        ++pos_;
        Power();
        Emit(OpCode::Multiply, 0, -1);
      } else if (PeekOperator(L"/")) {
        ++pos_;
        Power();
        Emit(OpCode::Divide, 0, -1);
      } else {
        return;
      }
    }
  }
  void Power() {
    Percent();
    while (PeekOperator(L"^")) {
      ++pos_;
      Percent();
      Emit(OpCode::Power, 0, -1);
    }
  }
  void Percent() {
    Unary();
    while (PeekOperator(L"%")) {
      ++pos_;
      Emit(OpCode::Percent, 0, 0);
    }
  }
  // Prefix operators are gathered in a loop (no recursion, however many)
  // and applied innermost first.
  void Unary() {
    std::vector<OpCode> prefixes;
    while (PeekOperator(L"-") || PeekOperator(L"+") || PeekOperator(L"@")) {
      if (PeekOperator(L"-")) prefixes.push_back(OpCode::Negate);
      else if (PeekOperator(L"+")) prefixes.push_back(OpCode::Plus);
      ++pos_;
    }
    ReferenceExpression();
    for (size_t i = prefixes.size(); i-- > 0;) Emit(prefixes[i], 0, 0);
  }
  void ReferenceExpression() {
    Primary();
    for (;;) {
      if (PeekOperator(L":")) {
        ++pos_;
        Primary();
        Emit(OpCode::Range, 0, -1);
      } else if (Peek() && IsIntersect(pos_)) {
        ++pos_;
        Primary();
        Emit(OpCode::Intersect, 0, -1);
      } else {
        return;
      }
    }
  }

  void Primary() {
    const FormulaToken* t = Peek();
    if (!t) throw ParseFailure{FormulaProblem::Syntax};
    const FormulaToken token = *t;
    ++pos_;
    switch (token.kind) {
      case FormulaTokenKind::Number: {
        const std::wstring digits(Span(token));
        program_->numbers.push_back(std::wcstod(digits.c_str(), nullptr));
        return Emit(OpCode::PushNumber, uint32_t(program_->numbers.size() - 1));
      }
      case FormulaTokenKind::Text: {
        program_->texts.push_back(Unquote(token));
        return Emit(OpCode::PushText, uint32_t(program_->texts.size() - 1));
      }
      case FormulaTokenKind::Boolean: return Emit(OpCode::PushBool, Span(token).size() == 4 ? 1 : 0);
      case FormulaTokenKind::Error: return Emit(OpCode::PushError, uint32_t(ErrorOf(Span(token))));
      case FormulaTokenKind::Reference: {
        if (token.ref.shape == ReferenceShape::Invalid) return Emit(OpCode::PushError, uint32_t(ErrorValue::Ref));
        for (size_t i = 0; i < refTokens_.size(); ++i)
          if (refTokens_[i] == token.begin) return Emit(OpCode::PushRef, uint32_t(i));
        throw ParseFailure{FormulaProblem::Syntax};
      }
      case FormulaTokenKind::Name: {
        program_->texts.emplace_back(text_.substr(token.prefixEnd, token.end - token.prefixEnd));
        program_->isVolatile = true;
        return Emit(OpCode::PushName, uint32_t(program_->texts.size() - 1));
      }
      case FormulaTokenKind::StructuredReference: return Emit(OpCode::PushError, uint32_t(ErrorValue::Ref));
      case FormulaTokenKind::Function: return Call(token);
      case FormulaTokenKind::OpenParen: return Bracketed();
      case FormulaTokenKind::OpenBrace: return ArrayConstant();
      default: throw ParseFailure{FormulaProblem::Syntax};
    }
  }

  void Call(const FormulaToken& token) {
    Nest nest(*this);
    if (!PeekKind(FormulaTokenKind::OpenParen)) throw ParseFailure{FormulaProblem::Syntax};
    ++pos_;
    std::wstring name(Span(token));
    for (wchar_t& c : name)
      if (c >= L'a' && c <= L'z') c = wchar_t(c - 32);
    for (std::wstring_view prefix : {std::wstring_view(L"_XLFN._XLWS."), std::wstring_view(L"_XLFN.")})
      if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0) {
        name.erase(0, prefix.size());
        break;
      }
    int argc = 0;
    if (PeekKind(FormulaTokenKind::CloseParen)) {
      ++pos_;
    } else {
      for (;;) {
        if (PeekKind(FormulaTokenKind::Separator) || PeekKind(FormulaTokenKind::CloseParen)) {
          Emit(OpCode::PushMissing);
        } else {
          Expression();
        }
        ++argc;
        if (argc > 255) throw ParseFailure{FormulaProblem::ArgumentCount};
        if (PeekKind(FormulaTokenKind::CloseParen)) {
          ++pos_;
          break;
        }
        if (!PeekKind(FormulaTokenKind::Separator) || Span(*Peek()) != L",") throw ParseFailure{FormulaProblem::Syntax};
        ++pos_;
      }
    }
    Instruction in;
    in.op = OpCode::Call;
    in.argc = uint8_t(argc);
    if (auto id = FindFunction(name)) {
      const FunctionInfo& info = FunctionAt(*id);
      if (argc < info.minArgs || argc > info.maxArgs) throw ParseFailure{FormulaProblem::ArgumentCount};
      in.function = *id;
      if (info.isVolatile) program_->isVolatile = true;
    } else {
      in.function = kUnknownFunction;
      program_->unknownFunction = true;
    }
    program_->code.push_back(in);
    depth_ = depth_ - argc + 1;
    maxDepth_ = std::max(maxDepth_, depth_);
  }

  void Bracketed() {
    Nest nest(*this);
    Expression();
    while (PeekKind(FormulaTokenKind::Separator) && Span(*Peek()) == L",") {
      ++pos_;
      Expression();
      Emit(OpCode::Union, 0, -1);
    }
    if (!PeekKind(FormulaTokenKind::CloseParen)) throw ParseFailure{FormulaProblem::Syntax};
    ++pos_;
  }

  void ArrayConstant() {
    auto array = std::make_shared<ArrayValue>();
    int32_t cols = 0, colInRow = 0;
    for (;;) {
      const FormulaToken* t = Peek();
      if (!t) throw ParseFailure{FormulaProblem::Syntax};
      bool negative = false;
      if (IsOperator(text_, *t, L"-")) {
        negative = true;
        ++pos_;
        t = Peek();
        if (!t || t->kind != FormulaTokenKind::Number) throw ParseFailure{FormulaProblem::Syntax};
      }
      ++pos_;
      switch (t->kind) {
        case FormulaTokenKind::Number: {
          const double n = std::wcstod(std::wstring(Span(*t)).c_str(), nullptr);
          array->items.push_back(Value::Number(negative ? -n : n));
          break;
        }
        case FormulaTokenKind::Text: array->items.push_back(Value::Text(Unquote(*t))); break;
        case FormulaTokenKind::Boolean: array->items.push_back(Value::Bool(Span(*t).size() == 4)); break;
        case FormulaTokenKind::Error: array->items.push_back(Value::Error(ErrorOf(Span(*t)))); break;
        default: throw ParseFailure{FormulaProblem::Syntax};
      }
      ++colInRow;
      const FormulaToken* sep = Peek();
      if (!sep) throw ParseFailure{FormulaProblem::Syntax};
      ++pos_;
      if (sep->kind == FormulaTokenKind::CloseBrace) break;
      if (sep->kind != FormulaTokenKind::Separator) throw ParseFailure{FormulaProblem::Syntax};
      if (Span(*sep) == L";") {
        if (cols == 0) cols = colInRow;
        if (colInRow != cols) throw ParseFailure{FormulaProblem::Syntax};
        colInRow = 0;
      }
    }
    if (cols == 0) cols = colInRow;
    if (colInRow != cols) throw ParseFailure{FormulaProblem::Syntax};
    array->cols = cols;
    array->rows = int32_t(array->items.size() / size_t(cols));
    program_->arrays.push_back(std::move(array));
    Emit(OpCode::PushArray, uint32_t(program_->arrays.size() - 1));
  }

  std::wstring Unquote(const FormulaToken& t) const {
    const std::wstring_view body = Span(t);
    if (body.size() < 2 || body.back() != L'"') throw ParseFailure{FormulaProblem::Syntax};
    std::wstring out;
    for (size_t i = 1; i + 1 < body.size(); ++i) {
      out += body[i];
      if (body[i] == L'"') ++i;
    }
    return out;
  }
  static ErrorValue ErrorOf(std::wstring_view text) {
    if (auto e = ParseErrorValue(text)) return *e;
    return ErrorValue::Value;
  }

  std::wstring_view text_;
  int32_t row_, col_;
  const Workbook& book_;
  std::unique_ptr<Program> program_;
  std::vector<FormulaToken> tokens_;
  std::vector<size_t> intersectAt_;
  std::vector<uint32_t> refTokens_;  // begin of each reference token, by refs index
  size_t pos_ = 0;
  int nesting_ = 0;
  int depth_ = 0, maxDepth_ = 0;
};

}  // namespace

std::unique_ptr<Program> CompileFormula(std::wstring_view text, int32_t row, int32_t col, const Workbook& book,
                                        FormulaProblem* problem) {
  if (problem) *problem = FormulaProblem::None;
  if (text.size() > kMaxFormulaLength) {
    if (problem) *problem = FormulaProblem::TooLong;
    return nullptr;
  }
  try {
    return Compiler(text, row, col, book).Run();
  } catch (const ParseFailure& failure) {
    if (problem) *problem = failure.problem;
    return nullptr;
  }
}

}  // namespace sheetwright::engine
