// The formula tokenizer: token kinds and exact spans over a table of
// formulas, the parsed reference targets, prefixes, and the guarantee that
// the spans cover any text without gaps.
#include "server/engine/formula_tokens.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace sheetwright::engine {
namespace {

const char* KindName(FormulaTokenKind kind) {
  switch (kind) {
    case FormulaTokenKind::Number: return "num";
    case FormulaTokenKind::Text: return "text";
    case FormulaTokenKind::Boolean: return "bool";
    case FormulaTokenKind::Error: return "err";
    case FormulaTokenKind::Reference: return "ref";
    case FormulaTokenKind::Name: return "name";
    case FormulaTokenKind::Function: return "fn";
    case FormulaTokenKind::StructuredReference: return "table";
    case FormulaTokenKind::Operator: return "op";
    case FormulaTokenKind::Separator: return "sep";
    case FormulaTokenKind::OpenParen: return "(";
    case FormulaTokenKind::CloseParen: return ")";
    case FormulaTokenKind::OpenBrace: return "{";
    case FormulaTokenKind::CloseBrace: return "}";
    case FormulaTokenKind::Whitespace: return "ws";
    case FormulaTokenKind::Unknown: return "?";
  }
  return "";
}

// "kind[text]" per token, blank-separated; a prefix shows as "prefix|rest".
std::string Render(std::string_view formula) {
  std::string out;
  for (const FormulaToken& t : TokenizeFormula(formula)) {
    if (!out.empty()) out += ' ';
    out += KindName(t.kind);
    out += '[';
    if (t.HasPrefix()) {
      out.append(formula.substr(t.begin, t.prefixEnd - t.begin));
      out += '|';
      out.append(formula.substr(t.prefixEnd, t.end - t.prefixEnd));
    } else {
      out.append(formula.substr(t.begin, t.end - t.begin));
    }
    out += ']';
  }
  return out;
}

TEST(FormulaTokens, KindsAndSpans) {
  struct Case {
    const char* formula;
    const char* tokens;
  } cases[] = {
      {"A1+B2", "ref[A1] op[+] ref[B2]"},
      {"$A$1*$b3-C$4", "ref[$A$1] op[*] ref[$b3] op[-] ref[C$4]"},
      {"SUM(A1:C9)", "fn[SUM] ([(] ref[A1:C9] )[)]"},
      {"SUM(3:5,$B:$D)", "fn[SUM] ([(] ref[3:5] sep[,] ref[$B:$D] )[)]"},
      {"Sheet2!A1+'My ''big'' sheet'!$B$2:C3", "ref[Sheet2!|A1] op[+] ref['My ''big'' sheet'!|$B$2:C3]"},
      {"Sheet1:Sheet3!A1", "ref[Sheet1:Sheet3!|A1]"},
      {"[1]Sheet1!A1+[2]!Total", "ref[[1]Sheet1!|A1] op[+] name[[2]!|Total]"},
      {"'[Book.xlsx]Data'!C7", "ref['[Book.xlsx]Data'!|C7]"},
      {"Sheet2!#REF!+#REF!", "ref[Sheet2!|#REF!] op[+] err[#REF!]"},
      {"IF(#N/A,#div/0!,#NAME?)", "fn[IF] ([(] err[#N/A] sep[,] err[#div/0!] sep[,] err[#NAME?] )[)]"},
      {"\"say \"\"A1\"\"\"&B1", "text[\"say \"\"A1\"\"\"] op[&] ref[B1]"},
      {"1.5E+3+.5-2e-1%", "num[1.5E+3] op[+] num[.5] op[-] num[2e-1] op[%]"},
      {"TRUE<>false", "bool[TRUE] op[<>] bool[false]"},
      {"A1<=B1>=C1<D1>E1=F1", "ref[A1] op[<=] ref[B1] op[>=] ref[C1] op[<] ref[D1] op[>] ref[E1] op[=] ref[F1]"},
      {"Total*Rate_2+Sheet2!Tax", "name[Total] op[*] name[Rate_2] op[+] name[Sheet2!|Tax]"},
      {"LOG10(A1)+ABC1", "fn[LOG10] ([(] ref[A1] )[)] op[+] ref[ABC1]"},
      {"XFD1048576+XFE1+A1048577+A0", "ref[XFD1048576] op[+] name[XFE1] op[+] name[A1048577] op[+] name[A0]"},
      {"_xlfn.XLOOKUP(A1,B:B,C:C)", "fn[_xlfn.XLOOKUP] ([(] ref[A1] sep[,] ref[B:B] sep[,] ref[C:C] )[)]"},
      {"SUM(Table1[Amount])+[@Qty]", "fn[SUM] ([(] table[Table1[Amount]] )[)] op[+] table[[@Qty]]"},
      {"Table1[[#Headers],[A]:[B]]", "table[Table1[[#Headers],[A]:[B]]]"},
      {"{1,2;3,4}", "{[{] num[1] sep[,] num[2] sep[;] num[3] sep[,] num[4] }[}]"},
      {"A1:A3 A2:C2", "ref[A1:A3] ws[ ] ref[A2:C2]"},
      {"A1:INDEX(B:B,2)", "ref[A1] op[:] fn[INDEX] ([(] ref[B:B] sep[,] num[2] )[)]"},
      {"@A1:A5", "op[@] ref[A1:A5]"},
      {"A1:B", "ref[A1] op[:] name[B]"},
      {"R1C1", "name[R1C1]"},
      {"Grüße!A1&Übersicht", "ref[Grüße!|A1] op[&] name[Übersicht]"},
      {"\"open", "text[\"open]"},
      {"'open", "?['open]"},
      {"$+`A1", "?[$] op[+] ?[`] ref[A1]"},
      {"#what", "?[#] name[what]"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Render(c.formula), c.tokens) << c.formula;
}

TEST(FormulaTokens, ReferenceTargets) {
  struct Case {
    const char* formula;
    ReferenceShape shape;
    int32_t row1, col1, row2, col2;
    const char* text;  // FormulaReferenceText of the target
  } cases[] = {
      {"B3", ReferenceShape::Cell, 3, 2, 3, 2, "B3"},
      {"$B$3", ReferenceShape::Cell, 3, 2, 3, 2, "$B$3"},
      {"c9:$a1", ReferenceShape::Area, 9, 3, 1, 1, "C9:$A1"},
      {"$3:5", ReferenceShape::Rows, 3, 0, 5, 0, "$3:5"},
      {"B:$XFD", ReferenceShape::Columns, 0, 2, 0, 16384, "B:$XFD"},
      {"Sheet2!#REF!", ReferenceShape::Invalid, 0, 0, 0, 0, "#REF!"},
  };
  for (const Case& c : cases) {
    const auto tokens = TokenizeFormula(std::string_view(c.formula));
    ASSERT_EQ(tokens.size(), 1u) << c.formula;
    const FormulaReference& r = tokens[0].ref;
    EXPECT_EQ(r.shape, c.shape) << c.formula;
    EXPECT_EQ(r.row1, c.row1) << c.formula;
    EXPECT_EQ(r.col1, c.col1) << c.formula;
    EXPECT_EQ(r.row2, c.row2) << c.formula;
    EXPECT_EQ(r.col2, c.col2) << c.formula;
    EXPECT_EQ(FormulaReferenceText(r), c.text) << c.formula;
  }
}

TEST(FormulaTokens, PrefixesNameTheirSheets) {
  struct Case {
    const wchar_t* formula;
    const wchar_t* sheet;
    const wchar_t* lastSheet;
    bool external;
  } cases[] = {
      {L"Sheet2!A1", L"Sheet2", L"", false},
      {L"'It''s here'!A1", L"It's here", L"", false},
      {L"'Jan 1:Mar 1'!B2", L"Jan 1", L"Mar 1", false},
      {L"[1]Data!A1", L"Data", L"", true},
      {L"'[Book 2.xlsx]Sheet 1'!A1", L"Sheet 1", L"", true},
      {L"A1", L"", L"", false},
  };
  for (const Case& c : cases) {
    const std::wstring_view text(c.formula);
    const auto tokens = TokenizeFormula(text);
    ASSERT_EQ(tokens.size(), 1u);
    const auto prefix = ParseFormulaPrefix(text, tokens[0]);
    EXPECT_EQ(prefix.sheet, c.sheet);
    EXPECT_EQ(prefix.lastSheet, c.lastSheet);
    EXPECT_EQ(prefix.external, c.external);
  }
}

TEST(FormulaTokens, NarrowAndWideAgree) {
  const std::string narrow = "IF(Sheet2!$A$1>0,SUM(B1:B9)/'x y'!C3,\"n/a\")";
  const std::wstring wide(narrow.begin(), narrow.end());
  const auto a = TokenizeFormula(std::string_view(narrow));
  const auto b = TokenizeFormula(std::wstring_view(wide));
  ASSERT_EQ(a.size(), b.size());
  for (size_t k = 0; k < a.size(); ++k) {
    EXPECT_EQ(a[k].kind, b[k].kind);
    EXPECT_EQ(a[k].begin, b[k].begin);
    EXPECT_EQ(a[k].end, b[k].end);
    EXPECT_EQ(a[k].prefixEnd, b[k].prefixEnd);
  }
}

// Whatever the text, the tokens are non-empty and cover it in order.
TEST(FormulaTokens, SpansCoverArbitraryText) {
  std::mt19937 random(7);
  const std::string alphabet = "AZaz09$:!'\"[]#(){},;+-*/^&=<>%@ .E_\\\xC3\xA9";
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const int length = int(random() % 24);
    for (int k = 0; k < length; ++k) text += alphabet[random() % alphabet.size()];
    uint32_t at = 0;
    for (const FormulaToken& t : TokenizeFormula(std::string_view(text))) {
      ASSERT_EQ(t.begin, at) << text;
      ASSERT_GT(t.end, t.begin) << text;
      ASSERT_LE(t.prefixEnd, t.end) << text;
      at = t.end;
    }
    ASSERT_EQ(at, text.size()) << text;
  }
}

}  // namespace
}  // namespace sheetwright::engine
