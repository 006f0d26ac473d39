#include "server/files/xstring_escape.h"

#include <cstdint>
#include <string_view>

#include "server/files/utf8.h"

namespace sheetwright::files {

namespace {
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

uint32_t EscapedUnit(std::string_view s, size_t at) {
  uint32_t v = 0;
  for (size_t k = 0; k < 4; ++k) v = (v << 4) | static_cast<uint32_t>(HexValue(s[at + 2 + k]));
  return v;
}

}  // namespace

bool StartsEscapeSequence(std::string_view s, size_t at) {
  if (at + 7 > s.size() || s[at] != '_' || s[at + 1] != 'x' || s[at + 6] != '_') return false;
  for (size_t k = 2; k < 6; ++k) {
    if (HexValue(s[at + k]) < 0) return false;
  }
  return true;
}

void DecodeEscapedCharacters(std::string& utf8) {
  if (utf8.find("_x") == std::string::npos) return;
  std::string out;
  out.reserve(utf8.size());
  std::string_view s = utf8;
  size_t i = 0;
  while (i < s.size()) {
    if (!StartsEscapeSequence(s, i)) {
      out.push_back(s[i++]);
      continue;
    }
    uint32_t unit = EscapedUnit(s, i);
    i += 7;
    if (unit >= 0xD800 && unit <= 0xDBFF && StartsEscapeSequence(s, i)) {
      uint32_t low = EscapedUnit(s, i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendCodePointAsUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
        i += 7;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    AppendCodePointAsUtf8(unit, out);
  }
  utf8.swap(out);
}

}  // namespace sheetwright::files
