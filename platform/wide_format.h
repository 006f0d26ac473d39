// Wide formatting with the Windows conventions (user32 wsprintfW, shlwapi
// wnsprintfW): %s and %ls are wide strings, %S and %hs narrow ones, %c a wide
// character, %C a narrow one; d i u x X with the l and h size prefixes (l is
// 32-bit, I64 is 64-bit), %p, %%; flags '-', '0', '#' and width and precision
// (no '*'). No floating point, as in the real functions. A null string
// argument prints "(null)".
// wsprintfW fills at most a 1024-character buffer (1023 characters and the
// NUL); wnsprintfW at most cchDest characters including the NUL. Both return
// the characters written without the NUL; wnsprintfW returns -1 when the
// text was cut (the cut text is still written and terminated), wsprintfW
// returns 1024 then.
#pragma once

#include <cstdarg>

#include "platform/base_types.h"

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...);
int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);
int wnsprintfW(PWSTR pszDest, int cchDest, PCWSTR pszFmt, ...);
int wvnsprintfW(PWSTR pszDest, int cchDest, PCWSTR pszFmt, va_list args);
