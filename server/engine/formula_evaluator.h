// Runs a compiled formula (formula_program.h) for one cell: a loop over the
// program's instructions with a value stack, no recursion, so a deeply
// nested formula costs stack space of the value vector only.
#pragma once

#include "server/engine/formula_functions.h"
#include "server/engine/formula_program.h"

namespace sheetwright::engine {

// The formula's result as a cell holds it: a reference gives the value of
// its cell (or of the cell in the formula's row or column), an array its
// first item, an empty cell 0.
Value EvaluateFormula(const Program& program, CallContext& context);
// The formula's result as it is, references and arrays included (a defined
// name used inside a formula).
Value EvaluateRaw(const Program& program, CallContext& context);

// Element-wise application of a binary operator to two values (arrays and
// references of several cells give arrays) and the scalar operators.
Value ApplyBinary(CallContext& context, OpCode op, const Value& left, const Value& right);
Value ApplyUnary(CallContext& context, OpCode op, const Value& operand);

// The largest array an operator or function builds; beyond it #NUM!.
constexpr int64_t kMaxArrayItems = int64_t(1) << 21;

}  // namespace sheetwright::engine
