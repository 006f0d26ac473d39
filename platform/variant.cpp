#include "platform/variant.h"

#include <cstring>

#include "platform/bstr.h"
#include "platform/dispatch.h"
#include "platform/internal/variant_type_rules.h"
#include "platform/safearray.h"

void VariantInit(VARIANTARG* pvarg) {
  if (!pvarg) return;
  pvarg->vt = VT_EMPTY;
  pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (!pvarg) return S_OK;
  if (!IsValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
  if (!(pvarg->vt & VT_BYREF)) {
    if (pvarg->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(pvarg->parray);
      if (FAILED(hr)) return hr;
    } else if (pvarg->vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if (pvarg->vt == VT_DISPATCH || pvarg->vt == VT_UNKNOWN) {
      if (pvarg->punkVal) pvarg->punkVal->Release();
    }
  }
  pvarg->vt = VT_EMPTY;
  return S_OK;
}

// Copies the value of src into dest, which holds nothing that needs freeing.
// On failure dest is VT_EMPTY.
static HRESULT CopyOwnedValue(VARIANTARG* dest, const VARIANTARG* src) {
  std::memcpy(static_cast<void*>(dest), src, sizeof(VARIANT));
  if (src->vt & VT_BYREF) return S_OK;
  if (src->vt & VT_ARRAY) {
    HRESULT hr = SafeArrayCopy(src->parray, &dest->parray);
    if (FAILED(hr)) dest->vt = VT_EMPTY;
    return hr;
  }
  if (src->vt == VT_BSTR && src->bstrVal) {
    dest->bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
    if (!dest->bstrVal) {
      dest->vt = VT_EMPTY;
      return E_OUTOFMEMORY;
    }
  } else if ((src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN) && src->punkVal) {
    src->punkVal->AddRef();
  }
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  if (!IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  if (pvargDest == pvargSrc) return S_OK;
  HRESULT hr = VariantClear(pvargDest);
  if (FAILED(hr)) return hr;
  return CopyOwnedValue(pvargDest, pvargSrc);
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
  if (!pvarDest || !pvargSrc) return E_INVALIDARG;
  if (!IsValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  if (!(pvargSrc->vt & VT_BYREF)) return VariantCopy(pvarDest, pvargSrc);
  if (!pvargSrc->byref) return E_INVALIDARG;

  // Build the dereferenced value first: pvarDest may be pvargSrc.
  VARIANT value;
  VariantInit(&value);
  const VARTYPE vt = pvargSrc->vt & ~VT_BYREF;
  HRESULT hr = S_OK;
  if (vt == VT_VARIANT) {
    const VARIANT* target = pvargSrc->pvarVal;
    if (target->vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
    hr = VariantCopyInd(&value, target);
  } else {
    VARIANT shallow;
    VariantInit(&shallow);
    shallow.vt = vt;
    if (vt & VT_ARRAY) {
      shallow.parray = *pvargSrc->pparray;
    } else if (vt == VT_DECIMAL) {
      shallow.decVal = *pvargSrc->pdecVal;
    } else {
      std::memcpy(&shallow.llVal, pvargSrc->byref, SafeArrayElementSize(vt));
    }
    hr = CopyOwnedValue(&value, &shallow);
  }
  if (FAILED(hr)) return hr;
  if (pvarDest == pvargSrc) {
    pvarDest->vt = VT_EMPTY;  // a BYREF variant owns nothing
  } else {
    hr = VariantClear(pvarDest);
    if (FAILED(hr)) {
      VariantClear(&value);
      return hr;
    }
  }
  std::memcpy(static_cast<void*>(pvarDest), &value, sizeof(VARIANT));
  return S_OK;
}
