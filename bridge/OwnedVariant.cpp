// Releasing what a VARIANT owns: the one clean-up rule behind OwnedVariant
// and ExcelBase::ReleaseVariant.
#include "bridge/OwnedVariant.h"

#include <cstring>

#include "support/Log.h"

namespace {

// Releases the elements of a VT_VARIANT SAFEARRAY, then the array.
void ReleaseArray(SAFEARRAY* array, VARTYPE elementType) {
  if (elementType == VT_VARIANT && array->cbElements == sizeof(VARIANT)) {
    void* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
      size_t total = 1;
      for (USHORT dimension = 0; dimension < array->cDims; ++dimension) {
        total *= array->rgsabound[dimension].cElements;
      }
      VARIANT* elements = static_cast<VARIANT*>(data);
      for (size_t i = 0; i < total; ++i) ReleaseVariantContents(&elements[i]);
      SafeArrayUnaccessData(array);
    }
  } else {
    WriteLog(L"ReleaseVariant", L"ReleaseVariant: Array contains non-variant type");
  }
  SafeArrayDestroy(array);
}

}  // namespace

void ReleaseVariantContents(VARIANT* value) {
  if (value == nullptr) return;
  const VARTYPE type = value->vt;
  if ((type & VT_BYREF) != 0) {
    // Points at storage owned elsewhere.
  } else if ((type & VT_ARRAY) != 0) {
    if (value->parray != nullptr) {
      ReleaseArray(value->parray, static_cast<VARTYPE>(type & VT_TYPEMASK));
    }
  } else if (type == VT_BSTR) {
    SysFreeString(value->bstrVal);
  } else if (type == VT_DISPATCH) {
    if (value->pdispVal != nullptr) value->pdispVal->Release();
  } else if (type == VT_UNKNOWN) {
    if (value->punkVal != nullptr) value->punkVal->Release();
  }
  std::memset(value, 0, sizeof(*value));
}
