#include "platform/internal/variant_type_rules.h"

namespace {

bool IsAutomationBaseType(VARTYPE base) {
  switch (base) {
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY: case VT_DATE: case VT_BSTR:
    case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_UNKNOWN: case VT_DECIMAL:
    case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_I8: case VT_UI8: case VT_INT:
    case VT_UINT:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool IsValidVariantType(VARTYPE vt) {
  if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
  const VARTYPE base = vt & VT_TYPEMASK;
  const bool modified = (vt & (VT_ARRAY | VT_BYREF)) != 0;
  if (base == VT_EMPTY || base == VT_NULL) return !modified;
  if (base == VT_VARIANT) return modified;
  return IsAutomationBaseType(base);
}

ULONG SafeArrayElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_UI1:
      return 1;
    case VT_I2: case VT_UI2: case VT_BOOL:
      return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR:
      return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE:
      return 8;
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN:
      return sizeof(void*);
    case VT_DECIMAL:
      return sizeof(DECIMAL);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}
