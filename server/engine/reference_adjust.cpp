#include "server/engine/reference_adjust.h"

#include <algorithm>
#include <unordered_map>

#include "server/engine/calculation.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

// Number of entries of the sorted `deleted` below `n`.
int32_t CountBelow(const std::vector<int32_t>& deleted, int32_t n) {
  return int32_t(std::lower_bound(deleted.begin(), deleted.end(), n) - deleted.begin());
}

// Adds the current numbers first..last (after the deletions already in
// `deleted`) to `deleted`, as original numbers.
void AddDeletion(std::vector<int32_t>& deleted, int32_t first, int32_t last) {
  // The original number of current n is n + i, i the count of deleted
  // originals below it: the first i with deleted[i] - i > n.
  auto original = [&](int32_t n) {
    size_t lo = 0, hi = deleted.size();
    while (lo < hi) {
      const size_t mid = (lo + hi) / 2;
      if (deleted[mid] - int32_t(mid) > n) hi = mid; else lo = mid + 1;
    }
    return std::pair<int32_t, size_t>(n + int32_t(lo), lo);
  };
  auto [at, index] = original(first);
  std::vector<int32_t> added;
  added.reserve(size_t(last - first + 1));
  for (int32_t n = first; n <= last; ++n) {
    while (index < deleted.size() && deleted[index] == at) {
      ++at;
      ++index;
    }
    added.push_back(at++);
  }
  if (index == deleted.size() && (deleted.empty() || deleted.back() < added.front())) {
    deleted.insert(deleted.end(), added.begin(), added.end());  // top-down series: appended
  } else {
    std::vector<int32_t> merged;
    merged.reserve(deleted.size() + added.size());
    std::merge(deleted.begin(), deleted.end(), added.begin(), added.end(), std::back_inserter(merged));
    deleted.swap(merged);
  }
}

// Maps the span lo..hi through a set of deleted numbers; false when all of
// it was deleted.
bool MapSpan(const std::vector<int32_t>& deleted, int32_t& lo, int32_t& hi) {
  const int32_t belowLo = CountBelow(deleted, lo);
  const int32_t uptoHi = CountBelow(deleted, hi + 1);
  const int32_t survivors = (hi - lo + 1) - (uptoHi - belowLo);
  if (survivors <= 0) return false;
  lo = lo - belowLo;
  hi = lo + survivors - 1;
  return true;
}

// The band of `bands` (disjoint, sorted by lo) holding all of first..last,
// or null.
template <class Band>
const Band* BandHolding(const std::vector<Band>& bands, int32_t first, int32_t last) {
  auto after = std::upper_bound(bands.begin(), bands.end(), first,
                                [](int32_t value, const Band& band) { return value < band.lo; });
  if (after == bands.begin()) return nullptr;
  const Band& band = *std::prev(after);
  return last <= band.hi ? &band : nullptr;
}

}  // namespace

EditMapper::Band* EditMapper::BandFor(Step& step, int32_t lo, int32_t hi) {
  auto after = std::upper_bound(step.bands.begin(), step.bands.end(), lo,
                                [](int32_t value, const Band& band) { return value < band.lo; });
  if (after != step.bands.begin()) {
    Band& before = *std::prev(after);
    if (before.lo == lo && before.hi == hi) return &before;
    if (before.hi >= lo) return nullptr;
  }
  if (after != step.bands.end() && after->lo <= hi) return nullptr;
  return &*step.bands.insert(after, Band{lo, hi, {}});
}

EditMapper::EditMapper(std::span<const StructuralEdit> edits) {
  for (const StructuralEdit& e : edits) {
    const bool rows = e.kind == EditKind::DeleteRows, columns = e.kind == EditKind::DeleteColumns;
    if (rows || columns) {
      if (steps_.empty() || steps_.back().kind != e.kind) steps_.push_back(Step{e.kind, {}, {}});
      AddDeletion(steps_.back().deleted, rows ? e.r1 : e.c1, rows ? e.r2 : e.c2);
      continue;
    }
    const bool up = e.kind == EditKind::DeleteShiftUp;
    const int32_t lo = up ? e.c1 : e.r1, hi = up ? e.c2 : e.r2;
    Band* band = !steps_.empty() && steps_.back().kind == e.kind ? BandFor(steps_.back(), lo, hi) : nullptr;
    if (band == nullptr) {
      steps_.push_back(Step{e.kind, {}, {}});
      band = BandFor(steps_.back(), lo, hi);
    }
    AddDeletion(band->deleted, up ? e.r1 : e.c1, up ? e.r2 : e.c2);
  }
}

bool EditMapper::Map(FormulaReference& ref) const {
  if (ref.shape == ReferenceShape::Invalid) return true;
  // Work on a normalised rectangle; whole rows span every column and whole
  // columns every row.
  int32_t r1 = std::min(ref.row1, ref.row2), r2 = std::max(ref.row1, ref.row2);
  int32_t c1 = std::min(ref.col1, ref.col2), c2 = std::max(ref.col1, ref.col2);
  if (ref.shape == ReferenceShape::Rows) c1 = 1, c2 = kMaxColumns;
  if (ref.shape == ReferenceShape::Columns) r1 = 1, r2 = kMaxRows;
  const bool wholeRows = ref.shape == ReferenceShape::Rows, wholeColumns = ref.shape == ReferenceShape::Columns;
  for (const Step& step : steps_) {
    switch (step.kind) {
      case EditKind::DeleteRows:
        if (!wholeColumns && !MapSpan(step.deleted, r1, r2)) return false;
        break;
      case EditKind::DeleteColumns:
        if (!wholeRows && !MapSpan(step.deleted, c1, c2)) return false;
        break;
      case EditKind::DeleteShiftUp:
        // Only a reference within the moved columns follows them.
        if (!wholeColumns && !wholeRows)
          if (const Band* band = BandHolding(step.bands, c1, c2); band && !MapSpan(band->deleted, r1, r2))
            return false;
        break;
      case EditKind::DeleteShiftLeft:
        if (!wholeColumns && !wholeRows)
          if (const Band* band = BandHolding(step.bands, r1, r2); band && !MapSpan(band->deleted, c1, c2))
            return false;
        break;
    }
  }
  const bool swappedRows = ref.row1 > ref.row2, swappedCols = ref.col1 > ref.col2;
  if (ref.shape != ReferenceShape::Columns) {
    ref.row1 = swappedRows ? r2 : r1;
    ref.row2 = swappedRows ? r1 : r2;
  }
  if (ref.shape != ReferenceShape::Rows) {
    ref.col1 = swappedCols ? c2 : c1;
    ref.col2 = swappedCols ? c1 : c2;
  }
  return true;
}

std::optional<CellRect> EditMapper::MapRect(const CellRect& rect) const {
  FormulaReference ref;
  ref.shape = ReferenceShape::Area;
  if (rect.c1 == 1 && rect.c2 == kMaxColumns) ref.shape = ReferenceShape::Rows;
  else if (rect.r1 == 1 && rect.r2 == kMaxRows) ref.shape = ReferenceShape::Columns;
  ref.row1 = rect.r1, ref.row2 = rect.r2, ref.col1 = rect.c1, ref.col2 = rect.c2;
  if (!Map(ref)) return std::nullopt;
  if (ref.shape == ReferenceShape::Rows) return CellRect{ref.row1, 1, ref.row2, kMaxColumns};
  if (ref.shape == ReferenceShape::Columns) return CellRect{1, ref.col1, kMaxRows, ref.col2};
  return CellRect{ref.row1, ref.col1, ref.row2, ref.col2};
}

namespace {

template <class CharT, class Lookup>
bool AdjustText(std::basic_string<CharT>& formula, std::basic_string_view<CharT> ownSheet, const Lookup& mapperFor) {
  const std::basic_string_view<CharT> text(formula);
  // Most formulas of a sheet have no reference into an edited sheet other
  // than their own; look the own sheet up once.
  const EditMapper* own = mapperFor(ownSheet);
  std::basic_string<CharT> out;
  size_t copied = 0;
  for (const FormulaToken& token : TokenizeFormula(text)) {
    if (token.kind != FormulaTokenKind::Reference || token.ref.shape == ReferenceShape::Invalid) continue;
    const EditMapper* mapper = own;
    if (token.HasPrefix()) {
      const auto prefix = ParseFormulaPrefix(text, token);
      if (prefix.external || !prefix.lastSheet.empty()) continue;
      mapper = mapperFor(prefix.sheet);
    }
    if (mapper == nullptr || mapper->empty()) continue;
    FormulaReference ref = token.ref;
    const bool kept = mapper->Map(ref);
    const std::string replacement = kept ? FormulaReferenceText(ref) : std::string("#REF!");
    if (kept && ref.row1 == token.ref.row1 && ref.row2 == token.ref.row2 && ref.col1 == token.ref.col1 &&
        ref.col2 == token.ref.col2)
      continue;
    out.append(text.substr(copied, token.prefixEnd - copied));
    out.append(replacement.begin(), replacement.end());
    copied = token.end;
  }
  if (copied == 0) return false;
  out.append(text.substr(copied));
  formula.swap(out);
  return true;
}

}  // namespace

bool AdjustFormulaReferences(std::wstring& formula, std::wstring_view ownSheet, const MapperLookup& mapperFor) {
  return AdjustText<wchar_t>(formula, ownSheet, mapperFor);
}

bool AdjustFormulaReferences(std::string& formula, std::string_view ownSheet, const NarrowMapperLookup& mapperFor) {
  return AdjustText<char>(formula, ownSheet, mapperFor);
}

void SettleFormulaReferences(Workbook& book) {
  std::vector<std::pair<Sheet*, EditMapper>> mappers;
  for (auto& sheet : book.sheets) {
    if (sheet->edits.size() > sheet->settledEdits) {
      mappers.emplace_back(sheet.get(), EditMapper(std::span<const StructuralEdit>(sheet->edits).subspan(
                                            sheet->settledEdits)));
      sheet->settledEdits = sheet->edits.size();
    }
  }
  if (mappers.empty()) return;
  const MapperLookup lookup = [&](std::wstring_view name) -> const EditMapper* {
    for (const auto& [sheet, mapper] : mappers)
      if (EqualsNoCase(sheet->name, name)) return &mapper;
    return nullptr;
  };
  // The formulas render their text where they were compiled (before the
  // edits), are adjusted, and compile again where their cells are now.
  book.calculation->Relocate([&](const Sheet& sheet, std::wstring& text) {
    return AdjustFormulaReferences(text, sheet.name, lookup);
  });
}

}  // namespace sheetwright::engine
