// BSTR: a pointer to OLECHAR data that is preceded by a 4-byte count of the
// data's BYTES (terminator not counted) and followed by a NUL OLECHAR.
// On Linux an OLECHAR is 4 bytes, so SysStringLen = prefix / 4.
// A null BSTR is a valid empty string (length 0). Embedded NULs are kept.
// Whoever receives a BSTR from SysAlloc* owns it and frees it with
// SysFreeString.
#pragma once

#include "platform/base_types.h"

BSTR SysAllocString(const OLECHAR* psz);  // null -> null
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);  // null source -> ui uninitialised chars
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
void SysFreeString(BSTR bstrString);  // null is accepted
UINT SysStringLen(BSTR pbstr);
UINT SysStringByteLen(BSTR bstr);
