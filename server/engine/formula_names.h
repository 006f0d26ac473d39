// Defined names in formulas: a name's formula (as the workbook part keeps
// it) evaluated where it is used. A name of the formula's own sheet wins
// over a workbook-wide one; an unknown name is #NAME?.
#pragma once

#include <memory>
#include <string_view>

#include "server/engine/formula_functions.h"
#include "server/engine/formula_program.h"

namespace sheetwright::engine {

Value ResolveDefinedName(CallContext& context, std::wstring_view name);

// The program of a defined name as seen from sheet `sheetIndex` (compiled
// for cell A1); null for an unknown name or one that does not compile.
std::unique_ptr<Program> CompileDefinedName(const Workbook& book, int32_t sheetIndex, std::wstring_view name);

}  // namespace sheetwright::engine
