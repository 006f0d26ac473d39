#include "platform/text_codepage.h"

#include <cstring>

#include "platform/internal/utf8_codec.h"
#include "platform/last_error.h"

namespace {

int Fail(DWORD error) {
  SetLastError(error);
  return 0;
}

}  // namespace

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar) {
  if (CodePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
  if (dwFlags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
  if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
      (cchWideChar > 0 && !lpWideCharStr) ||
      (cchWideChar > 0 && static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr))) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const size_t size = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
  const auto* bytes = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
  size_t written = 0;
  for (size_t at = 0; at < size;) {
    if (bytes[at] < 0x80) {
      // A run of ASCII, most of any text: one byte, one character.
      size_t runEnd = at + 1;
      while (runEnd < size && bytes[runEnd] < 0x80) ++runEnd;
      const size_t run = runEnd - at;
      if (cchWideChar > 0) {
        if (run > static_cast<size_t>(cchWideChar) - written) return Fail(ERROR_INSUFFICIENT_BUFFER);
        for (size_t i = 0; i < run; ++i) lpWideCharStr[written + i] = static_cast<wchar_t>(bytes[at + i]);
      }
      written += run;
      at = runEnd;
      continue;
    }
    size_t used;
    bool valid;
    const char32_t scalar = DecodeUtf8(bytes + at, size - at, &used, &valid);
    if (!valid && (dwFlags & MB_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    at += used;
    if (cchWideChar > 0) {
      if (written >= static_cast<size_t>(cchWideChar)) return Fail(ERROR_INSUFFICIENT_BUFFER);
      lpWideCharStr[written] = static_cast<wchar_t>(scalar);
    }
    ++written;
  }
  if (written > 0x7FFFFFFF) return Fail(ERROR_INVALID_PARAMETER);
  return static_cast<int>(written);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar, LPSTR lpMultiByteStr,
                        int cbMultiByte, LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar) {
  if (CodePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
  if (dwFlags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) return Fail(ERROR_INVALID_FLAGS);
  if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
      (cbMultiByte > 0 && !lpMultiByteStr) || lpDefaultChar || lpUsedDefaultChar ||
      (cbMultiByte > 0 && static_cast<const void*>(lpMultiByteStr) == static_cast<const void*>(lpWideCharStr))) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  size_t count = 0;
  if (cchWideChar == -1) {
    while (lpWideCharStr[count]) ++count;
    ++count;
  } else {
    count = static_cast<size_t>(cchWideChar);
  }
  size_t written = 0;
  char encoded[4];
  for (size_t i = 0; i < count; ++i) {
    const uint32_t value = static_cast<uint32_t>(lpWideCharStr[i]);
    if (value < 0x80) {
      if (cbMultiByte > 0) {
        if (written >= static_cast<size_t>(cbMultiByte)) return Fail(ERROR_INSUFFICIENT_BUFFER);
        lpMultiByteStr[written] = static_cast<char>(value);
      }
      ++written;
      continue;
    }
    const bool valid = IsScalarValue(value);
    if (!valid && (dwFlags & WC_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    const size_t length = EncodeUtf8(valid ? value : kReplacementCharacter, encoded);
    if (cbMultiByte > 0) {
      if (written + length > static_cast<size_t>(cbMultiByte)) return Fail(ERROR_INSUFFICIENT_BUFFER);
      std::memcpy(lpMultiByteStr + written, encoded, length);
    }
    written += length;
  }
  if (written > 0x7FFFFFFF) return Fail(ERROR_INVALID_PARAMETER);
  return static_cast<int>(written);
}
