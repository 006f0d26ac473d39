// VARIANT operations.
// VariantClear releases what the variant owns (BSTR, interface, array; nothing
// for VT_BYREF) and leaves VT_EMPTY; an unknown vt gives DISP_E_BADVARTYPE.
// VariantCopy deep-copies BSTRs and arrays and AddRefs interfaces.
// VariantChangeType(Ex): on failure the destination is left unchanged; the
// destination may be the source. Text follows the en-US locale ('.' decimal
// point, M/D/YYYY dates) whatever lcid is passed. Supported: every automation
// scalar to and from VT_BSTR, VT_BOOL and the numeric types (range errors give
// DISP_E_OVERFLOW), VT_DISPATCH read through its DISPID_VALUE property,
// VT_UNKNOWN <-> VT_DISPATCH by QueryInterface. VT_NULL, VT_ERROR and arrays
// convert to nothing else (DISP_E_TYPEMISMATCH); VT_DECIMAL is a source only
// (E_NOTIMPL as a target).
#pragma once

#include "platform/variant_types.h"

// wFlags of VariantChangeType(Ex)
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_CALENDAR_HIJRI 0x08
#define VARIANT_LOCALBOOL 0x10
#define VARIANT_CALENDAR_THAI 0x20
#define VARIANT_CALENDAR_GREGORIAN 0x40
#define VARIANT_USE_NLS 0x80

void VariantInit(VARIANTARG* pvarg);
HRESULT VariantClear(VARIANTARG* pvarg);
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// Copies the value a VT_BYREF variant points at (a plain copy otherwise).
HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags,
                          VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid,
                            USHORT wFlags, VARTYPE vt);
