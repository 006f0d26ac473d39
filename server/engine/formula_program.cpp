#include "server/engine/formula_program.h"

#include <cstring>

#include "server/engine/sheet.h"

namespace sheetwright::engine {

std::unique_ptr<Program> TextOnlyProgram(std::wstring_view text) {
  auto program = std::make_unique<Program>();
  program->literal.assign(text);
  program->parsed = false;
  return program;
}

bool ResolveReference(const ProgramRef& pr, int32_t row, int32_t col, CellRect& out) {
  const FormulaReference& r = pr.ref;
  const int64_t r1 = r.rowAbsolute1 ? r.row1 : int64_t(row) + r.row1;
  const int64_t r2 = r.rowAbsolute2 ? r.row2 : int64_t(row) + r.row2;
  const int64_t c1 = r.colAbsolute1 ? r.col1 : int64_t(col) + r.col1;
  const int64_t c2 = r.colAbsolute2 ? r.col2 : int64_t(col) + r.col2;
  auto rowOk = [](int64_t v) { return v >= 1 && v <= kMaxRows; };
  auto colOk = [](int64_t v) { return v >= 1 && v <= kMaxColumns; };
  switch (r.shape) {
    case ReferenceShape::Invalid: return false;
    case ReferenceShape::Rows:
      if (!rowOk(r1) || !rowOk(r2)) return false;
      out = {int32_t(std::min(r1, r2)), 1, int32_t(std::max(r1, r2)), kMaxColumns};
      return true;
    case ReferenceShape::Columns:
      if (!colOk(c1) || !colOk(c2)) return false;
      out = {1, int32_t(std::min(c1, c2)), kMaxRows, int32_t(std::max(c1, c2))};
      return true;
    case ReferenceShape::Cell:
    case ReferenceShape::Area:
      if (!rowOk(r1) || !rowOk(r2) || !colOk(c1) || !colOk(c2)) return false;
      out = {int32_t(std::min(r1, r2)), int32_t(std::min(c1, c2)), int32_t(std::max(r1, r2)),
             int32_t(std::max(c1, c2))};
      return true;
  }
  return false;
}

std::wstring RenderFormula(const Program& program, int32_t row, int32_t col) {
  std::wstring out;
  out.reserve(program.literal.size() + program.holes.size() * 8);
  size_t copied = 0;
  for (const auto& [offset, index] : program.holes) {
    out.append(program.literal, copied, offset - copied);
    copied = offset;
    const ProgramRef& pr = program.refs[index];
    CellRect rect;
    if (!ResolveReference(pr, row, col, rect)) {
      out += L"#REF!";
      continue;
    }
    // Back to the numbers as written (an area keeps its corner order).
    FormulaReference ref = pr.ref;
    if (!ref.rowAbsolute1) ref.row1 += row;
    if (!ref.rowAbsolute2) ref.row2 += row;
    if (!ref.colAbsolute1) ref.col1 += col;
    if (!ref.colAbsolute2) ref.col2 += col;
    const std::string text = FormulaReferenceText(ref);
    out.append(text.begin(), text.end());
  }
  out.append(program.literal, copied, std::wstring::npos);
  return out;
}

std::string ProgramKey(const Program& program) {
  std::string key;
  auto put = [&key](const void* data, size_t size) { key.append(static_cast<const char*>(data), size); };
  key.reserve(1 + program.literal.size() * sizeof(wchar_t) + program.holes.size() * 28);
  key += program.parsed ? 'P' : 'T';
  const uint64_t length = program.literal.size();
  put(&length, sizeof length);
  put(program.literal.data(), program.literal.size() * sizeof(wchar_t));
  for (const auto& [offset, index] : program.holes) {
    const ProgramRef& pr = program.refs[index];
    const FormulaReference& r = pr.ref;
    const int32_t fields[] = {int32_t(offset), pr.sheet, r.row1, r.col1, r.row2, r.col2,
                              int32_t(uint32_t(r.shape) | (r.rowAbsolute1 << 4) | (r.colAbsolute1 << 5) |
                                      (r.rowAbsolute2 << 6) | (r.colAbsolute2 << 7))};
    put(fields, sizeof fields);
  }
  return key;
}

}  // namespace sheetwright::engine
