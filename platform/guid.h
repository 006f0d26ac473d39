// GUID, IID and CLSID with value equality, and the IIDs of the interfaces
// this layer defines (values as registered by Windows).
#pragma once

#include <cstring>

#include "platform/base_types.h"

typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;

typedef GUID IID;
typedef GUID CLSID;
typedef GUID* LPGUID;
typedef IID* LPIID;
typedef CLSID* LPCLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool IsEqualIID(REFIID a, REFIID b) { return IsEqualGUID(a, b); }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return IsEqualGUID(a, b); }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

#define SW_COM_IID(name, d1, d2, d3)                                                   \
  inline constexpr IID name = {d1, d2, d3, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}}

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr CLSID CLSID_NULL = GUID_NULL;
SW_COM_IID(IID_IUnknown, 0x00000000, 0x0000, 0x0000);
SW_COM_IID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000);
SW_COM_IID(IID_IBindCtx, 0x0000000E, 0x0000, 0x0000);
SW_COM_IID(IID_IMoniker, 0x0000000F, 0x0000, 0x0000);
SW_COM_IID(IID_IRunningObjectTable, 0x00000010, 0x0000, 0x0000);
SW_COM_IID(IID_IEnumMoniker, 0x00000102, 0x0000, 0x0000);
SW_COM_IID(IID_IDispatch, 0x00020400, 0x0000, 0x0000);
SW_COM_IID(IID_ITypeInfo, 0x00020401, 0x0000, 0x0000);

#undef SW_COM_IID
