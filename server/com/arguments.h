// Binding of one Invoke call's DISPPARAMS to a member's parameter list.
//
// rgvarg holds the arguments in reverse order with the named ones first;
// named arguments carry the 0-based position of their parameter as DISPID
// (the DISPIDs GetIDsOfNames hands out). A property put passes its value as
// the named argument DISPID_PROPERTYPUT. VT_ERROR with DISP_E_PARAMNOTFOUND
// stands for an omitted argument. Values are coerced with VariantChangeType
// when a handler asks for a type; a value that cannot be coerced answers
// DISP_E_TYPEMISMATCH with puArgErr = its index in rgvarg.
//
// The arguments stay owned by the caller; by-reference values are copied.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace sheetwright::server {

class Arguments {
 public:
  // Throws ComError: DISP_E_BADPARAMCOUNT (too many positional arguments, or
  // a put without its value), DISP_E_PARAMNOTFOUND (unknown named DISPID).
  Arguments(const DISPPARAMS* params, size_t parameterCount, bool isPut);
  ~Arguments();
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  size_t size() const { return slots_.size(); }
  // Given and not the "omitted" marker.
  bool Has(size_t i) const;
  // The argument as passed (by-reference values resolved), or null.
  const VARIANT* Raw(size_t i) const;
  // The put value (never null for a put).
  const VARIANT* PutValue() const { return putValue_.value; }
  UINT PutValueIndex() const { return putValue_.index; }
  UINT IndexOf(size_t i) const { return slots_[i].index; }

  std::optional<int64_t> Integer(size_t i) const;  // VT_I8 coercion
  int64_t Integer(size_t i, int64_t fallback) const;
  std::optional<bool> Bool(size_t i) const;
  bool Bool(size_t i, bool fallback) const;
  std::optional<std::wstring> Text(size_t i) const;
  // The object of a VT_DISPATCH (or VT_UNKNOWN) argument, borrowed; null
  // when omitted; DISP_E_TYPEMISMATCH for anything else.
  IDispatch* Object(size_t i) const;
  // Positional arguments given (after the named ones were placed).
  size_t PositionalCount() const { return positional_; }

  // Coerces value to vt or throws DISP_E_TYPEMISMATCH naming argIndex.
  static VARIANT Coerce(const VARIANT* value, VARTYPE vt, UINT argIndex);

 private:
  struct Slot {
    const VARIANT* value = nullptr;
    UINT index = 0;
  };
  const VARIANT* Resolve(const VARIANT* arg);

  std::vector<Slot> slots_;
  Slot putValue_;
  size_t positional_ = 0;
  std::vector<VARIANT*> owned_;  // copies of by-reference arguments
};

}  // namespace sheetwright::server
