// SAFEARRAY descriptors are allocated with 16 hidden bytes in front, as on
// Windows: the element VARTYPE in the last 4 of them (FADF_HAVEVARTYPE), or
// the interface IID in all 16 (FADF_HAVEIID, for VT_UNKNOWN/VT_DISPATCH).
#include "platform/safearray.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/bstr.h"
#include "platform/dispatch.h"
#include "platform/internal/variant_type_rules.h"
#include "platform/variant.h"

namespace {

constexpr size_t kHiddenBytes = 16;
constexpr ULONG kMaxLocks = 0xFFFF;

char* BlockOf(SAFEARRAY* psa) { return reinterpret_cast<char*>(psa) - kHiddenBytes; }

size_t DescriptorBytes(UINT cDims) { return sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND); }

// Number of elements, or -1 when the product overflows.
long long ElementCount(const SAFEARRAY* psa) {
  unsigned long long count = 1;
  for (USHORT i = 0; i < psa->cDims; ++i) {
    if (__builtin_mul_overflow(count, psa->rgsabound[i].cElements, &count)) return -1;
  }
  return count > 0x7FFFFFFFFFFFull ? -1 : static_cast<long long>(count);
}

USHORT FeaturesFor(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR: return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_VARIANT: return FADF_HAVEVARTYPE | FADF_VARIANT;
    case VT_UNKNOWN: return FADF_HAVEIID | FADF_UNKNOWN;
    case VT_DISPATCH: return FADF_HAVEIID | FADF_DISPATCH;
    default: return FADF_HAVEVARTYPE;
  }
}

// Releases what the elements own and zeroes them.
void ClearElements(SAFEARRAY* psa) {
  long long count = ElementCount(psa);
  if (!psa->pvData || count <= 0) return;
  if (psa->fFeatures & FADF_VARIANT) {
    auto* items = static_cast<VARIANT*>(psa->pvData);
    for (long long i = 0; i < count; ++i) VariantClear(&items[i]);
  } else if (psa->fFeatures & FADF_BSTR) {
    auto* items = static_cast<BSTR*>(psa->pvData);
    for (long long i = 0; i < count; ++i) SysFreeString(items[i]);
  } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    auto* items = static_cast<IUnknown**>(psa->pvData);
    for (long long i = 0; i < count; ++i) {
      if (items[i]) items[i]->Release();
    }
  }
  std::memset(psa->pvData, 0, static_cast<size_t>(count) * psa->cbElements);
}

// Writes a copy of the element at source into target, which owns nothing.
HRESULT CopyElementOut(const SAFEARRAY* psa, const void* source, void* target) {
  if (psa->fFeatures & FADF_VARIANT) {
    auto* variant = static_cast<VARIANT*>(target);
    variant->vt = VT_EMPTY;
    return VariantCopy(variant, static_cast<const VARIANT*>(source));
  }
  if (psa->fFeatures & FADF_BSTR) {
    BSTR text = *static_cast<const BSTR*>(source);
    BSTR copy = nullptr;
    if (text && !(copy = SysAllocStringLen(text, SysStringLen(text)))) return E_OUTOFMEMORY;
    *static_cast<BSTR*>(target) = copy;
    return S_OK;
  }
  if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    IUnknown* object = *static_cast<IUnknown* const*>(source);
    if (object) object->AddRef();
    *static_cast<IUnknown**>(target) = object;
    return S_OK;
  }
  std::memcpy(target, source, psa->cbElements);
  return S_OK;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  const ULONG elementSize = SafeArrayElementSize(vt);
  if (cDims == 0 || cDims > 0xFFFF || !rgsabound || elementSize == 0) return nullptr;
  char* block = static_cast<char*>(std::calloc(1, kHiddenBytes + DescriptorBytes(cDims)));
  if (!block) return nullptr;
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kHiddenBytes);
  psa->cDims = static_cast<USHORT>(cDims);
  psa->fFeatures = FeaturesFor(vt);
  psa->cbElements = elementSize;
  for (UINT i = 0; i < cDims; ++i) psa->rgsabound[cDims - 1 - i] = rgsabound[i];
  if (psa->fFeatures & FADF_HAVEIID) {
    const IID& iid = vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
    std::memcpy(block, &iid, sizeof(IID));
  } else {
    DWORD storedType = vt;
    std::memcpy(block + kHiddenBytes - sizeof(DWORD), &storedType, sizeof(DWORD));
  }
  long long count = ElementCount(psa);
  unsigned long long bytes = 0;
  if (count < 0 || __builtin_mul_overflow(static_cast<unsigned long long>(count), elementSize, &bytes) ||
      !(psa->pvData = std::calloc(1, bytes == 0 ? 1 : bytes))) {
    std::free(block);
    return nullptr;
  }
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ClearElements(psa);
  std::free(psa->pvData);
  std::free(BlockOf(psa));
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (!psa || !pvt) return E_INVALIDARG;
  if (psa->fFeatures & FADF_HAVEVARTYPE) {
    DWORD storedType = 0;
    std::memcpy(&storedType, BlockOf(psa) + kHiddenBytes - sizeof(DWORD), sizeof(DWORD));
    *pvt = static_cast<VARTYPE>(storedType);
  } else if (psa->fFeatures & FADF_HAVEIID) {
    IID iid;
    std::memcpy(&iid, BlockOf(psa), sizeof(IID));
    *pvt = iid == IID_IDispatch ? VT_DISPATCH : VT_UNKNOWN;
  } else if (psa->fFeatures & FADF_BSTR) {
    *pvt = VT_BSTR;
  } else if (psa->fFeatures & FADF_VARIANT) {
    *pvt = VT_VARIANT;
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (!ppsaOut) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (!psa) return S_OK;
  VARTYPE vt;
  HRESULT hr = SafeArrayGetVartype(psa, &vt);
  if (FAILED(hr)) return hr;
  std::vector<SAFEARRAYBOUND> bounds(psa->cDims);
  for (UINT i = 0; i < psa->cDims; ++i) bounds[i] = psa->rgsabound[psa->cDims - 1 - i];
  SAFEARRAY* copy = SafeArrayCreate(vt, psa->cDims, bounds.data());
  if (!copy) return E_OUTOFMEMORY;
  long long count = ElementCount(psa);
  for (long long i = 0; i < count; ++i) {
    hr = CopyElementOut(psa, static_cast<char*>(psa->pvData) + i * psa->cbElements,
                        static_cast<char*>(copy->pvData) + i * copy->cbElements);
    if (FAILED(hr)) {
      SafeArrayDestroy(copy);
      return hr;
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData) {
  if (!psa || !rgIndices || !ppvData) return E_INVALIDARG;
  unsigned long long offset = 0;
  unsigned long long stride = 1;
  for (USHORT dim = 0; dim < psa->cDims; ++dim) {
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - 1 - dim];
    long long index = static_cast<long long>(rgIndices[dim]) - bound.lLbound;
    if (index < 0 || index >= static_cast<long long>(bound.cElements)) return DISP_E_BADINDEX;
    offset += static_cast<unsigned long long>(index) * stride;
    stride *= bound.cElements;
  }
  *ppvData = static_cast<char*>(psa->pvData) + offset * psa->cbElements;
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices || !pv) return E_INVALIDARG;
  void* element = nullptr;
  HRESULT hr = SafeArrayPtrOfIndex(psa, rgIndices, &element);
  if (FAILED(hr)) return hr;
  return CopyElementOut(psa, element, pv);
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices) return E_INVALIDARG;
  if (!pv && !(psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH))) return E_INVALIDARG;
  void* element = nullptr;
  HRESULT hr = SafeArrayPtrOfIndex(psa, rgIndices, &element);
  if (FAILED(hr)) return hr;
  if (psa->fFeatures & FADF_VARIANT) return VariantCopy(static_cast<VARIANT*>(element), static_cast<VARIANT*>(pv));
  if (psa->fFeatures & FADF_BSTR) {
    // pv is the BSTR itself.
    auto text = static_cast<BSTR>(pv);
    BSTR copy = nullptr;
    if (text && !(copy = SysAllocStringLen(text, SysStringLen(text)))) return E_OUTOFMEMORY;
    SysFreeString(*static_cast<BSTR*>(element));
    *static_cast<BSTR*>(element) = copy;
    return S_OK;
  }
  if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    // pv is the interface pointer itself.
    auto* object = static_cast<IUnknown*>(pv);
    if (object) object->AddRef();
    IUnknown* previous = *static_cast<IUnknown**>(element);
    *static_cast<IUnknown**>(element) = object;
    if (previous) previous->Release();
    return S_OK;
  }
  std::memcpy(element, pv, psa->cbElements);
  return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks >= kMaxLocks) return E_UNEXPECTED;
  ++psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (!psa || !ppvData) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
  return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (!psa || !plLbound) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (!psa || !plUbound) return E_INVALIDARG;
  if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
  *plUbound = static_cast<LONG>(static_cast<long long>(bound.lLbound) + bound.cElements - 1);
  return S_OK;
}
