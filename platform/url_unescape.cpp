#include <string>

#include "platform/shell_path.h"

namespace {

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

HRESULT UrlUnescapeW(LPWSTR pszUrl, LPWSTR pszUnescaped, DWORD* pcchUnescaped, DWORD dwFlags) {
  const bool inPlace = (dwFlags & URL_UNESCAPE_INPLACE) != 0;
  if (!pszUrl || (!inPlace && (!pszUnescaped || !pcchUnescaped))) return E_INVALIDARG;

  // The result is never longer than the source, so it is built first and
  // then copied; in place this overwrites pszUrl.
  std::wstring result;
  bool stopped = false;
  for (LPCWSTR at = pszUrl; *at; ++at) {
    if ((dwFlags & URL_DONT_UNESCAPE_EXTRA_INFO) && (*at == L'#' || *at == L'?')) stopped = true;
    if (!stopped && *at == L'%' && HexValue(at[1]) >= 0 && HexValue(at[2]) >= 0) {
      result += static_cast<wchar_t>(HexValue(at[1]) * 16 + HexValue(at[2]));
      at += 2;
    } else {
      result += *at;
    }
  }

  if (inPlace) {
    result.copy(pszUrl, result.size());
    pszUrl[result.size()] = L'\0';
    return S_OK;
  }
  if (result.size() + 1 > *pcchUnescaped) {
    *pcchUnescaped = static_cast<DWORD>(result.size() + 1);
    return E_POINTER;
  }
  result.copy(pszUnescaped, result.size());
  pszUnescaped[result.size()] = L'\0';
  *pcchUnescaped = static_cast<DWORD>(result.size());
  return S_OK;
}
