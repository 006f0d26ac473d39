// A1 and R1C1 reference text of a sheet: column letters, parsing of the
// addresses Range("...") accepts, and the forms Address gives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/engine/sheet.h"

namespace sheetwright::engine {

// 1 -> "A", 27 -> "AA", 16384 -> "XFD"; empty for col < 1.
std::wstring ColumnLetters(int32_t col);
// "A" -> 1, "xfd" -> 16384; nullopt for anything else (or beyond XFD).
std::optional<int32_t> ColumnNumber(std::wstring_view letters);

inline bool IsWholeRows(const CellRect& r) { return r.c1 == 1 && r.c2 == kMaxColumns; }
inline bool IsWholeColumns(const CellRect& r) { return r.r1 == 1 && r.r2 == kMaxRows; }

// Parses an A1 reference: cells ("B3", "$B$3", "b3"), blocks ("A1:C9",
// corners normalised), whole rows ("3:5"), whole columns ("B:D"), unions
// joined by ',' and intersections joined by blanks, each piece optionally
// prefixed by "<sheet>!" naming sheetName. nullopt for anything else: empty
// text, "A0", "XFE1", "A1048577", "B2:", R1C1 text, names, other sheets.
std::optional<std::vector<CellRect>> ParseA1Reference(std::wstring_view text, std::wstring_view sheetName);

struct AddressForm {
  bool rowAbsolute = true;
  bool columnAbsolute = true;
  bool r1c1 = false;
  int32_t baseRow = 1;  // relative R1C1 counts from this cell
  int32_t baseCol = 1;
};

// The address of the areas, joined by ',' ("$A$1:$C$5", "B3", "$3:$5",
// "$B:$D", "R1C1:R5C3", "R[2]C[1]", "R3", "C2").
std::wstring FormatAddress(const std::vector<CellRect>& areas, const AddressForm& form);

}  // namespace sheetwright::engine
