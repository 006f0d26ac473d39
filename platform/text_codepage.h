// Code-page conversions between multi-byte text and wide text, for CP_UTF8.
// - Lengths: -1 means up to and including the NUL (which is converted and
//   counted); an explicit length converts exactly that many units, embedded
//   NULs included, and adds no terminator.
// - A zero output size asks for the size needed.
// - Malformed UTF-8 becomes U+FFFD (each maximal ill-formed subsequence once);
//   wide values that are not Unicode scalar values (surrogates D800-DFFF,
//   values above 10FFFF) become U+FFFD. With MB_ERR_INVALID_CHARS /
//   WC_ERR_INVALID_CHARS they fail with ERROR_NO_UNICODE_TRANSLATION instead.
// - Failure returns 0 and sets the thread's last error:
//   ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER (other code pages, bad
//   arguments), ERROR_INVALID_FLAGS.
#pragma once

#include "platform/base_types.h"

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr, int cbMultiByte,
                        LPWSTR lpWideCharStr, int cchWideChar);
// lpDefaultChar and lpUsedDefaultChar must be null for CP_UTF8.
int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr, int cchWideChar,
                        LPSTR lpMultiByteStr, int cbMultiByte, LPCCH lpDefaultChar,
                        LPBOOL lpUsedDefaultChar);
