// Case folding for comparisons without regard to case (sheet names, Find
// and Replace, member names). Independent of the process locale: ASCII,
// Latin-1, Latin Extended-A, Greek and Cyrillic capitals fold to their small
// letters; everything else is left as it is.
#pragma once

namespace sheetwright::engine {

inline wchar_t FoldCase(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return wchar_t(c + 32);
  if (c >= 0x100 && c <= 0x17F) {
    // Pairs capital/small alternate; the stretch 0x139-0x148 and 0x179-0x17E
    // starts on an odd code.
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (oddPairs) return (c % 2 == 1) ? wchar_t(c + 1) : c;
    return (c % 2 == 0) ? wchar_t(c + 1) : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return wchar_t(c + 32);
  if (c >= 0x410 && c <= 0x42F) return wchar_t(c + 32);
  if (c >= 0x400 && c <= 0x40F) return wchar_t(c + 80);
  return c;
}

}  // namespace sheetwright::engine
