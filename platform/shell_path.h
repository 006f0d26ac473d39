// Path and URL helpers of the shell library (shlwapi).
// Separators: PathAppendW and PathCombineW join with a backslash as Windows
// does and treat '/' and '\\' alike when deciding whether one is needed.
// Functions that touch the file system accept either separator: every '\\'
// is read as '/' there (see platform/file_find.h).
#pragma once

#include "platform/base_types.h"
#include "platform/hresult.h"

#define URL_UNESCAPE_AS_UTF8 0x00040000
#define URL_UNESCAPE_INPLACE 0x00100000
#define URL_UNESCAPE_HIGH_ANSI_ONLY 0x00400000
#define URL_DONT_UNESCAPE_EXTRA_INFO 0x02000000

// TRUE when the text is "scheme:rest" with a scheme of two or more ASCII
// letters, digits, '+', '-' or '.'; unknown schemes count ("C:\x" is not a
// URL: a one-letter scheme is a drive).
BOOL PathIsURLW(LPCWSTR pszPath);

// Replaces each "%hh" with the character of that code; anything else is
// copied. pcchUnescaped holds the size of pszUnescaped in characters; on
// success it receives the characters written without the NUL, when the
// buffer is too small E_POINTER and the size needed including the NUL.
// With URL_UNESCAPE_INPLACE the result overwrites pszUrl and pszUnescaped
// and pcchUnescaped are ignored.
HRESULT UrlUnescapeW(LPWSTR pszUrl, LPWSTR pszUnescaped, DWORD* pcchUnescaped, DWORD dwFlags);

// Appends pszMore to the MAX_PATH buffer pszPath with exactly one backslash
// between them: leading separators of pszMore are skipped and none is added
// after a trailing one; a UNC name (\\server\share) replaces pszPath.
// The result is in canonical form: "." segments are removed and each ".."
// with the segment before it (only backslashes separate segments there).
// FALSE, with pszPath emptied, when the result with its NUL would exceed
// MAX_PATH.
BOOL PathAppendW(LPWSTR pszPath, LPCWSTR pszMore);

// Writes pszDir joined with pszFile to the MAX_PATH buffer pszDest; an
// absolute pszFile replaces pszDir. Returns pszDest, or null when a result
// would not fit (pszDest then holds empty text).
LPWSTR PathCombineW(LPWSTR pszDest, LPCWSTR pszDir, LPCWSTR pszFile);

// TRUE when a file or directory exists at the path.
BOOL PathFileExistsW(LPCWSTR pszPath);
