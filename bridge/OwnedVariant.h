// OwnedVariant: a VARIANT that releases what it holds when it goes out of
// scope (a BSTR freed, an interface released, an array destroyed with its
// elements), so an operation never pairs a result with a ReleaseVariant call.
//
//   OwnedVariant range(GetWorkSheetRanges(L"A1", L"C9"));  // adopts a result
//   if (!range.HoldsDispatch()) return 0;
//   OwnedVariant value;
//   ClearAllArgs();
//   ExlInvoke(range.Dispatch(), L"Value", value.Out(), DISPATCH_PROPERTYGET, 0);
//   std::wstring text = value.Text();
//   return value.Detach();      // hand-over: a VARIANT by value, caller owns it
//
// Ownership: the constructor from a VARIANT and Out() take over what the
// VARIANT holds; Dispatch() and Get() lend without AddRef; Detach() and
// TakeDispatch() give it away and leave this object VT_EMPTY. Move-only.
#pragma once

#include <string>
#include <utility>

#include "bridge/OwnedInterface.h"
#include "platform/windows_api.h"

// Releases what `value` owns and leaves it zeroed (VT_EMPTY): BSTR freed,
// IDispatch and IUnknown released, arrays destroyed (VT_VARIANT elements
// released first, recursively). By-reference values are only forgotten. Null
// is a no-op. ExcelBase::ReleaseVariant is this function.
void ReleaseVariantContents(VARIANT* value);

// A VT_EMPTY VARIANT with a zero value field: the empty range or address
// result.
inline VARIANT EmptyVariant() { return VARIANT{}; }

// The text of a VT_BSTR (a null BSTR reads as empty); empty for any other
// type. Nothing is converted.
inline std::wstring VariantText(const VARIANT& value) {
  if (value.vt != VT_BSTR || value.bstrVal == nullptr) return std::wstring();
  return std::wstring(value.bstrVal, SysStringLen(value.bstrVal));
}

class OwnedVariant {
 public:
  OwnedVariant() { Zero(); }
  // Takes over what `adopted` owns.
  explicit OwnedVariant(const VARIANT& adopted) : m_value(adopted) {}
  ~OwnedVariant() { ReleaseVariantContents(&m_value); }

  OwnedVariant(OwnedVariant&& other) noexcept : m_value(other.Detach()) {}
  OwnedVariant& operator=(OwnedVariant&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;

  // A VT_BSTR holding a copy of `text` (a null string when no copy can be
  // made, which reads as the empty text).
  static OwnedVariant FromText(const std::wstring& text) {
    OwnedVariant value;
    value.m_value.vt = VT_BSTR;
    value.m_value.bstrVal = SysAllocStringLen(text.c_str(), static_cast<UINT>(text.size()));
    return value;
  }

  // Releases the current value, then takes over `adopted`.
  void Reset(const VARIANT& adopted) {
    ReleaseVariantContents(&m_value);
    m_value = adopted;
  }
  void Reset() { ReleaseVariantContents(&m_value); }

  // Releases the current value and lends the storage to a function that
  // writes a result into it (ExlInvoke's `result`); the result is owned here.
  VARIANT* Out() {
    ReleaseVariantContents(&m_value);
    return &m_value;
  }

  // Hand-over: the VARIANT by value, now owned by the caller; this is left
  // VT_EMPTY.
  VARIANT Detach() {
    VARIANT value = m_value;
    Zero();
    return value;
  }

  // Hand-over of a range result: the interface when this holds a non-null
  // VT_DISPATCH (this is left empty), else null with the value released.
  OwnedDispatch TakeDispatch() {
    if (!HoldsDispatch()) {
      Reset();
      return OwnedDispatch();
    }
    return OwnedDispatch(Detach().pdispVal);
  }

  const VARIANT& Get() const { return m_value; }
  VARTYPE Type() const { return m_value.vt; }
  bool IsEmpty() const { return m_value.vt == VT_EMPTY; }
  // A range result that can be used: VT_DISPATCH and not null.
  bool HoldsDispatch() const { return m_value.vt == VT_DISPATCH && m_value.pdispVal != nullptr; }
  // The interface of a range result, lent; null for anything else.
  IDispatch* Dispatch() const { return HoldsDispatch() ? m_value.pdispVal : nullptr; }
  // The text of a VT_BSTR; empty for anything else.
  std::wstring Text() const { return VariantText(m_value); }

 private:
  void Zero() { m_value = VARIANT{}; }

  VARIANT m_value;
};
