// Small helpers for the VARIANT results the session operations pass around.
//
// A "range result" holds VT_DISPATCH with a non-null interface owned by the
// holder; an "address result" holds a VT_BSTR owned by the holder. Both are
// VT_EMPTY when a lookup failed.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace session_variants {

// A VT_EMPTY VARIANT with a zero value field.
inline VARIANT Empty() {
  VARIANT value{};
  value.vt = VT_EMPTY;
  return value;
}

// True for a range result that can be used: VT_DISPATCH and not null.
inline bool HoldsDispatch(const VARIANT& value) {
  return value.vt == VT_DISPATCH && value.pdispVal != nullptr;
}

// A VT_BSTR result owning a copy of `text`; VT_BSTR with a null string (the
// empty text) when no copy can be made.
inline VARIANT FromText(const std::wstring& text) {
  VARIANT value = Empty();
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
  return value;
}

// `text`, or the empty text for null.
inline const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

// The text of an address result (empty for anything that is not VT_BSTR).
inline std::wstring TextOf(const VARIANT& value) {
  if (value.vt != VT_BSTR || value.bstrVal == nullptr) return std::wstring();
  return std::wstring(value.bstrVal, SysStringLen(value.bstrVal));
}

// A new zero-terminated copy of `text`, freed by the caller with delete[].
inline wchar_t* NewTextArray(const std::wstring& text) {
  wchar_t* copy = new wchar_t[text.size() + 1];
  text.copy(copy, text.size());
  copy[text.size()] = L'\0';
  return copy;
}

}  // namespace session_variants
