#include "platform/internal/case_fold.h"

wchar_t FoldCaseChar(wchar_t c) {
  if (c < 0x80) return c >= L'A' && c <= L'Z' ? c + 0x20 : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;  // Latin-1 capitals
  if (c == 0x130) return c;                                    // capital I with dot: no simple folding
  if (c >= 0x100 && c <= 0x137) return c | 1;                  // Latin Extended-A pairs, capital even
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;    // capital odd
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;  // Greek
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;                // Cyrillic
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;              // fullwidth Latin
  return c;
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring folded(text);
  for (wchar_t& c : folded) c = FoldCaseChar(c);
  return folded;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCaseChar(a[i]) != FoldCaseChar(b[i])) return false;
  }
  return true;
}
