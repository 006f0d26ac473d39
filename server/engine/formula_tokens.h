// Splits the text of an A1-style formula (as stored in a cell or in a file
// part, without the leading '=') into tokens, each with its exact span in
// the text, so that a caller can rewrite one token in place (a reference
// after rows were deleted) or evaluate the formula token by token.
//
// The tokenizer never fails: anything it does not recognise becomes an
// Unknown token of one character, and the spans of all tokens, in order,
// cover the text without gaps. It accepts narrow (UTF-8, as in file parts)
// and wide (as in the engine's string pool) text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sheetwright::engine {

enum class FormulaTokenKind : uint8_t {
  Number,               // 12, 1.5, .5, 1E+3
  Text,                 // "a ""quoted"" text" (quotes included in the span)
  Boolean,              // TRUE, FALSE
  Error,                // #REF!, #N/A, #DIV/0!, ...
  Reference,            // B3, $B$3, A1:C9, 3:5, $B:$D, Sheet2!A1, 'My sheet'!A1:B2, [1]Sheet1!A1, Sheet2!#REF!
  Name,                 // a defined name, optionally sheet-qualified (Sheet2!Total)
  Function,             // SUM, _xlfn.XLOOKUP (the name only; the '(' is its own token)
  StructuredReference,  // Table1[Column], Table1[[#Headers],[A]:[B]], [@Col]
  Operator,             // + - * / ^ & = <> < <= > >= % : @ (and the blank intersection)
  Separator,            // , (arguments, union) and ; (rows of an array constant)
  OpenParen,
  CloseParen,
  OpenBrace,            // array constant
  CloseBrace,
  Whitespace,           // blanks; an intersection operator between two references
  Unknown,
};

enum class ReferenceShape : uint8_t {
  Cell,     // B3
  Area,     // A1:C9
  Rows,     // 3:5 (whole rows)
  Columns,  // B:D (whole columns)
  Invalid,  // a sheet prefix followed by #REF!
};

// The target of a Reference token. Rows are 0 for Columns and columns 0 for
// Rows; a Cell has row2 == row1 and col2 == col1. The numbers are as
// written: an area written "C9:A1" keeps that order.
struct FormulaReference {
  ReferenceShape shape = ReferenceShape::Cell;
  int32_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  bool rowAbsolute1 = false, colAbsolute1 = false, rowAbsolute2 = false, colAbsolute2 = false;
};

struct FormulaToken {
  FormulaTokenKind kind = FormulaTokenKind::Unknown;
  uint32_t begin = 0;      // first character of the token
  uint32_t end = 0;        // one past its last character
  // For Reference and Name: the end of the sheet (or workbook) prefix, the
  // '!' included; equal to begin when there is none. The part from
  // prefixEnd to end is the reference proper.
  uint32_t prefixEnd = 0;
  FormulaReference ref;    // meaningful for Reference only

  bool HasPrefix() const { return prefixEnd > begin; }
};

// The tokens of `formula`, in order. A formula longer than 4 GiB is cut
// at that length (spans are 32-bit).
std::vector<FormulaToken> TokenizeFormula(std::string_view formula);
std::vector<FormulaToken> TokenizeFormula(std::wstring_view formula);

// What a prefix names: the sheet (quotes removed, doubled quotes undone),
// a last sheet for a 3-D range ("Sheet1:Sheet3!A1"), and whether it points
// into another workbook ("[1]Sheet1!A1", "'[Book.xlsx]Sheet1'!A1").
template <class CharT>
struct FormulaPrefix {
  std::basic_string<CharT> sheet;
  std::basic_string<CharT> lastSheet;  // empty unless 3-D
  bool external = false;
};
FormulaPrefix<char> ParseFormulaPrefix(std::string_view formula, const FormulaToken& token);
FormulaPrefix<wchar_t> ParseFormulaPrefix(std::wstring_view formula, const FormulaToken& token);

// The A1 text of a reference with its dollar signs ("$B3", "A1:C9", "3:5",
// "$B:$D", "#REF!" for Invalid), without a prefix.
std::string FormulaReferenceText(const FormulaReference& ref);

}  // namespace sheetwright::engine
