#include "server/files/xstring_escape.h"

#include <cstdint>
#include <string_view>

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

void AppendUtf8(uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
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
        AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
        i += 7;
        continue;
      }
    }
    if (unit >= 0xD800 && unit <= 0xDFFF) unit = 0xFFFD;
    AppendUtf8(unit, out);
  }
  utf8.swap(out);
}

}  // namespace sheetwright::files
