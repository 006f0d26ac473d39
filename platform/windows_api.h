// The Win32 and OLE Automation surface the library is written against.
// On Windows the system headers provide it; elsewhere this platform layer
// provides the same names with the same behaviour, one concept per header.
// Layer-specific extensions that Windows lacks (platform/class_registry.h,
// platform/sleep_hook.h) are not part of this header; include them directly.
#pragma once

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <shlwapi.h>
#include <winnetwk.h>

#if defined(__MINGW32__) && defined(__cplusplus)
// mingw-w64's oleauto.h declares the source of VariantChangeType(Ex),
// VariantCopy and VariantCopyInd without the const the Windows SDK gives it;
// these overloads accept what the SDK accepts. None of them writes the
// source.
inline HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
  return VariantChangeType(pvargDest, const_cast<VARIANTARG*>(pvarSrc), wFlags, vt);
}
inline HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                                   VARTYPE vt) {
  return VariantChangeTypeEx(pvargDest, const_cast<VARIANTARG*>(pvarSrc), lcid, wFlags, vt);
}
inline HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  return VariantCopy(pvargDest, const_cast<VARIANTARG*>(pvargSrc));
}
inline HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
  return VariantCopyInd(pvarDest, const_cast<VARIANTARG*>(pvargSrc));
}
#endif

#else

#include "platform/base_types.h"
#include "platform/hresult.h"
#include "platform/guid.h"
#include "platform/unknown.h"
#include "platform/variant_types.h"
#include "platform/dispatch.h"
#include "platform/bstr.h"
#include "platform/variant.h"
#include "platform/safearray.h"
#include "platform/com_runtime.h"
#include "platform/running_object_table.h"
#include "platform/shell_path.h"
#include "platform/network_names.h"
#include "platform/text_codepage.h"
#include "platform/critical_section.h"
#include "platform/file_find.h"
#include "platform/last_error.h"
#include "platform/sleep.h"
#include "platform/wide_format.h"
#include "platform/crt_time.h"

#endif
