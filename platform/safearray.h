// SAFEARRAY in the Windows layout.
// - SafeArrayCreate takes the bounds in creation order (bounds[0] = first,
//   leftmost dimension) and stores them REVERSED: rgsabound[cDims-1] is the
//   first dimension. Read bounds through SafeArrayGetLBound/GetUBound, whose
//   nDim is 1-based with 1 = first dimension.
// - rgIndices of Get/PutElement and PtrOfIndex are in creation order
//   (rgIndices[0] = first dimension).
// - Data is column-major: the first index varies fastest,
//   offset = (i0 - lb0) + (i1 - lb1) * n0 + ...
// - Get/PutElement copy: BSTRs and VARIANTs deeply, interfaces with AddRef.
// - SafeArrayDestroy releases the elements; a locked array is refused with
//   DISP_E_ARRAYISLOCKED.
#pragma once

#include "platform/variant_types.h"

typedef struct tagSAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
} SAFEARRAYBOUND, *LPSAFEARRAYBOUND;

struct tagSAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  PVOID pvData;
  SAFEARRAYBOUND rgsabound[1];
};

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_RECORD 0x0020
#define FADF_HAVEIID 0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800
#define FADF_RESERVED 0xF008

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);  // locks
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);                 // unlocks
HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);  // E_UNEXPECTED when not locked
UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
