// Case folding for comparisons without regard to case (sheet names, Find
// and Replace, member names, macro names). Independent of the process locale:
// Unicode's simple case folding of the ASCII, Latin-1, Latin Extended-A,
// basic Greek, basic Cyrillic and fullwidth Latin capitals; everything else
// (U+0130, capital I with dot, included: it has no simple folding) is left as
// it is.
//
// The platform layer has its own copy for the names the Windows API compares
// (platform/internal/case_fold.h); the server reaches the platform only
// through the Windows API surface. Both are tested against one table of
// cases (tests/common/case_fold_cases.h) and against each other over every
// code point.
#pragma once

namespace sheetwright::engine {

inline wchar_t FoldCase(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return wchar_t(c + 32);
  if (c >= 0x100 && c <= 0x17F) {
    // Pairs capital/small alternate; the stretch 0x139-0x148 and 0x179-0x17E
    // starts on an odd code.
    if (c == 0x178) return 0xFF;  // Y with diaeresis: its small letter is in Latin-1
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddPairs) return (c % 2 == 1) ? wchar_t(c + 1) : c;
    return (c % 2 == 0) ? wchar_t(c + 1) : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return wchar_t(c + 32);
  if (c >= 0x410 && c <= 0x42F) return wchar_t(c + 32);
  if (c >= 0x400 && c <= 0x40F) return wchar_t(c + 80);
  if (c >= 0xFF21 && c <= 0xFF3A) return wchar_t(c + 32);  // fullwidth Latin
  return c;
}

}  // namespace sheetwright::engine
