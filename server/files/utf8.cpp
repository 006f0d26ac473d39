#include "server/files/utf8.h"

#include <algorithm>
#include <cstdint>

namespace sheetwright::files {

namespace {
constexpr wchar_t kReplacement = 0xFFFD;

// Length of the UTF-8 sequence that starts with `lead`, 0 when `lead` cannot
// start one.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

void PushCodePoint(uint32_t cp, std::wstring& out) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(cp));
}
}  // namespace

void AppendUtf8AsWide(std::string_view utf8, std::wstring& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = p + utf8.size();
  out.reserve(out.size() + utf8.size());
  while (p < end) {
    unsigned char lead = *p;
    if (lead < 0x80) {
      // A run of ASCII, one character per byte, widened in one go.
      const auto* run = p;
      while (p < end && *p < 0x80) ++p;
      const size_t start = out.size();
      out.resize(start + static_cast<size_t>(p - run));
      std::copy(run, p, out.data() + start);
      continue;
    }
    int length = SequenceLength(lead);
    if (length == 0 || end - p < length) {
      out.push_back(kReplacement);
      ++p;
      continue;
    }
    uint32_t cp = lead & (0x7F >> length);
    bool valid = true;
    for (int i = 1; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    // Overlong three- and four-byte forms, surrogates and values past U+10FFFF.
    if (valid && ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                  (cp >= 0xD800 && cp <= 0xDFFF))) {
      valid = false;
    }
    if (!valid) {
      out.push_back(kReplacement);
      ++p;
      continue;
    }
    PushCodePoint(cp, out);
    p += length;
  }
}

std::wstring WideFromUtf8(std::string_view utf8) {
  std::wstring out;
  AppendUtf8AsWide(utf8, out);
  return out;
}

void AppendWideAsUtf8(std::wstring_view wide, std::string& out) {
  out.reserve(out.size() + wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    uint32_t cp = static_cast<uint32_t>(wide[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      cp &= 0xFFFF;
      if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < wide.size()) {
        uint32_t low = static_cast<uint32_t>(wide[i + 1]) & 0xFFFF;
        if (low >= 0xDC00 && low <= 0xDFFF) {
          cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacement;
    AppendCodePointAsUtf8(cp, out);
  }
}

std::string Utf8FromWide(std::wstring_view wide) {
  std::string out;
  AppendWideAsUtf8(wide, out);
  return out;
}

void AppendCodePointAsUtf8(uint32_t cp, std::string& out) {
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

}  // namespace sheetwright::files
