// Helpers for the value tables the reading operations keep and deliver: the
// "Value" of a multi-cell range, a 2-D SAFEARRAY of VARIANT with lower bounds
// 1 (rows first, stored column by column), and the UTF-8 cell texts of the
// table rows built from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "support/TextConversion.h"
#include "platform/windows_api.h"

namespace value_table {

// True when `value` is a two-dimensional array of VARIANT (a value of
// several cells).
inline bool IsValueTable(const VARIANT& value) {
  return value.vt == (VT_ARRAY | VT_VARIANT) && value.parray != nullptr &&
         SafeArrayGetDim(value.parray) == 2;
}

// Rows and columns of a value table; both 0 for anything else.
inline void ShapeOf(const VARIANT& value, int& rows, int& columns) {
  rows = columns = 0;
  if (!IsValueTable(value)) return;
  LONG lower = 0, upper = 0;
  SafeArrayGetLBound(value.parray, 1, &lower);
  SafeArrayGetUBound(value.parray, 1, &upper);
  rows = upper - lower + 1;
  SafeArrayGetLBound(value.parray, 2, &lower);
  SafeArrayGetUBound(value.parray, 2, &upper);
  columns = upper - lower + 1;
}

// Length of `text` in UTF-16 code units, whatever the width of wchar_t.
inline size_t Utf16Length(const std::wstring& text) {
  if constexpr (sizeof(wchar_t) == 2) {
    return text.size();
  } else {
    size_t length = text.size();
    for (wchar_t c : text) {
      if ((static_cast<uint32_t>(c) >> 16) != 0) ++length;  // a code point above U+FFFF
    }
    return length;
  }
}

// Appends `text` as UTF-8; plain ASCII, the common case of cell texts, is
// copied without the general conversion.
inline void AppendCellText(std::string& out, const std::wstring& text) {
  for (wchar_t c : text) {
    if (static_cast<uint32_t>(c) >= 0x80) {
      AppendWideAsUtf8(out, text.data(), text.size());
      return;
    }
  }
  const size_t start = out.size();
  out.resize(start + text.size());
  char* at = out.data() + start;
  for (wchar_t c : text) *at++ = static_cast<char>(c);
}

}  // namespace value_table
