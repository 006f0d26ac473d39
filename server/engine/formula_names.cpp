#include "server/engine/formula_names.h"

#include "server/engine/formula_evaluator.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {
// Names may refer to names; deeper than this (or a name using itself) is
// #NAME? rather than endless.
constexpr int kMaxNameDepth = 16;
thread_local int nameDepth = 0;
}  // namespace

std::unique_ptr<Program> CompileDefinedName(const Workbook& book, int32_t sheetIndex, std::wstring_view name) {
  const DefinedName* found = nullptr;
  for (const DefinedName& n : book.definedNames) {
    if (!EqualsNoCase(n.name, name)) continue;
    if (n.sheet == sheetIndex) {
      found = &n;
      break;
    }
    if (n.sheet < 0 && !found) found = &n;
  }
  if (!found) return nullptr;
  std::wstring_view text = found->formula;
  if (!text.empty() && text.front() == L'=') text.remove_prefix(1);
  return CompileFormula(text, 1, 1, book);
}

Value ResolveDefinedName(CallContext& context, std::wstring_view name) {
  if (nameDepth >= kMaxNameDepth) return Value::Error(ErrorValue::Name);
  auto program = CompileDefinedName(context.book, int32_t(context.book.IndexOf(context.sheet)), name);
  if (!program) return Value::Error(ErrorValue::Name);
  ++nameDepth;
  CallContext inner{context.book, context.sheet, 1, 1};
  Value v = EvaluateRaw(*program, inner);
  --nameDepth;
  return v;
}

}  // namespace sheetwright::engine
