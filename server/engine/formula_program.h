// A compiled formula: a postfix program a small stack machine runs, with
// its constants and references. References are kept relative to the
// formula's cell where the text writes them relative, so every formula of a
// column that is the same in R1C1 terms (=A1+1, =A2+1, ...) compiles to the
// same program, and the workbook stores it once (see formula_store.h).
//
// The program also keeps the formula's text with its references cut out,
// so the A1 text of any cell holding it can be given back exactly as it was
// written (blanks, case of names and functions included).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/engine/formula_tokens.h"
#include "server/engine/formula_value.h"

namespace sheetwright::engine {

class Workbook;

enum class OpCode : uint8_t {
  PushNumber,   // operand: index into numbers
  PushText,     // operand: index into texts
  PushBool,     // operand: 0 or 1
  PushError,    // operand: ErrorValue
  PushRef,      // operand: index into refs
  PushName,     // operand: index into texts (a defined name)
  PushMissing,  // an argument left out: "IF(A1,,2)"
  PushArray,    // operand: index into arrays
  Negate, Plus, Percent,
  Add, Subtract, Multiply, Divide, Power, Concat,
  Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual,
  Range, Union, Intersect,
  Call,         // function: the function's id; argc: arguments on the stack
};

struct Instruction {
  OpCode op = OpCode::PushMissing;
  uint8_t argc = 0;
  uint16_t function = 0;
  uint32_t operand = 0;
};

// A reference of a program. Relative parts hold offsets from the formula's
// cell, absolute parts sheet numbers.
struct ProgramRef {
  static constexpr int32_t kOwnSheet = -1;
  static constexpr int32_t kInvalidSheet = -2;  // a missing, external or 3-D sheet: #REF!
  int32_t sheet = kOwnSheet;                    // index into Workbook::sheets otherwise
  FormulaReference ref;                         // rows/columns as offsets where relative
};

struct Program {
  std::vector<Instruction> code;
  std::vector<double> numbers;
  std::vector<std::wstring> texts;
  std::vector<ProgramRef> refs;
  std::vector<std::shared_ptr<const ArrayValue>> arrays;
  // The text with every reference proper cut out; holes[i] = (offset into
  // literal, index into refs) where a reference's A1 text goes back in.
  std::wstring literal;
  std::vector<std::pair<uint32_t, uint32_t>> holes;
  bool parsed = true;           // false: kept as text only (a file's formula the server cannot read)
  bool isVolatile = false;      // NOW, TODAY, RAND, OFFSET, INDIRECT or a defined name
  bool unknownFunction = false; // calls a function the server does not know
  uint32_t maxStack = 0;        // stack depth the program needs
};

// Why a formula does not compile.
enum class FormulaProblem : uint8_t { None, TooLong, TooDeep, Syntax, ArgumentCount };

// The longest formula text the application accepts (8,192 characters with
// the '=') and its deepest nesting.
constexpr size_t kMaxFormulaLength = 8191;
constexpr int kMaxNesting = 64;

// Compiles `text` (without the leading '=') written in cell (row, col);
// sheet prefixes are looked up in `book`. Null with the problem set when
// the text is not a formula the application would accept.
std::unique_ptr<Program> CompileFormula(std::wstring_view text, int32_t row, int32_t col, const Workbook& book,
                                        FormulaProblem* problem = nullptr);
// A program that only keeps `text`: evaluates to nothing (the cell keeps
// its cached value, or shows #NAME? without one).
std::unique_ptr<Program> TextOnlyProgram(std::wstring_view text);

// The formula's A1 text (without '=') in cell (row, col). A relative
// reference that falls off the sheet there is written #REF!.
std::wstring RenderFormula(const Program& program, int32_t row, int32_t col);
// A key equal for two programs exactly when they are the same program.
std::string ProgramKey(const Program& program);

// The rectangle a program reference names from cell (row, col); false when
// it falls off the sheet.
bool ResolveReference(const ProgramRef& ref, int32_t row, int32_t col, CellRect& out);

}  // namespace sheetwright::engine
