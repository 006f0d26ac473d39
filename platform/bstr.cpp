#include "platform/bstr.h"

#include <cstdlib>
#include <cstring>

namespace {

// Layout of one allocation: [DWORD byte length][data bytes][NUL OLECHAR].
constexpr size_t kPrefixBytes = sizeof(DWORD);
constexpr UINT kMaxBytes = 0x7FFFFFF0u;

DWORD* PrefixOf(BSTR bstr) { return reinterpret_cast<DWORD*>(reinterpret_cast<char*>(bstr) - kPrefixBytes); }

// Allocates room for byteLength bytes of data plus a NUL OLECHAR, records the
// length and terminates. The data bytes are left for the caller to fill.
BSTR AllocateBytes(UINT byteLength) {
  if (byteLength > kMaxBytes) return nullptr;
  // The terminator is a whole OLECHAR after the last complete character and
  // covers a trailing partial one when byteLength is not a multiple.
  size_t total = kPrefixBytes + byteLength + 2 * sizeof(OLECHAR);
  char* block = static_cast<char*>(std::malloc(total));
  if (!block) return nullptr;
  std::memset(block + kPrefixBytes + byteLength, 0, 2 * sizeof(OLECHAR));
  *reinterpret_cast<DWORD*>(block) = byteLength;
  return reinterpret_cast<BSTR>(block + kPrefixBytes);
}

}  // namespace

BSTR SysAllocString(const OLECHAR* psz) {
  if (!psz) return nullptr;
  size_t length = 0;
  while (psz[length]) ++length;
  if (length > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  return SysAllocStringLen(psz, static_cast<UINT>(length));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  if (ui > kMaxBytes / sizeof(OLECHAR)) return nullptr;
  BSTR result = AllocateBytes(ui * static_cast<UINT>(sizeof(OLECHAR)));
  if (result && strIn) std::memcpy(result, strIn, ui * sizeof(OLECHAR));
  return result;
}

BSTR SysAllocStringByteLen(LPCSTR psz, UINT len) {
  BSTR result = AllocateBytes(len);
  if (result && psz) std::memcpy(result, psz, len);
  return result;
}

INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (!pbstr) return FALSE;
  BSTR replacement = SysAllocStringLen(psz, len);
  if (!replacement) return FALSE;
  // psz may point into *pbstr: it was copied before the old text is freed.
  SysFreeString(*pbstr);
  *pbstr = replacement;
  return TRUE;
}

INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
  if (!pbstr) return FALSE;
  if (!psz) {
    SysFreeString(*pbstr);
    *pbstr = nullptr;
    return TRUE;
  }
  size_t length = 0;
  while (psz[length]) ++length;
  if (length > kMaxBytes / sizeof(OLECHAR)) return FALSE;
  return SysReAllocStringLen(pbstr, psz, static_cast<UINT>(length));
}

void SysFreeString(BSTR bstrString) {
  if (bstrString) std::free(PrefixOf(bstrString));
}

UINT SysStringByteLen(BSTR bstr) { return bstr ? *PrefixOf(bstr) : 0; }

UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }
