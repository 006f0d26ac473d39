// File listing and file operations (kernel32).
// Path rule: the functions take Windows or Linux paths; before the file
// system is touched every '\\' becomes '/', and the wide text is encoded as
// UTF-8. Failures return the Windows failure value and set the thread's last
// error (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ...).
// FindFirstFileW matches '*' (any run) and '?' (one character) in the last
// path component only, without regard to case and with the MS-DOS rules of
// Windows ("name.*" also lists "name", "*." lists names without an
// extension); "." and ".." are listed when the pattern matches them.
#pragma once

#include <cstdio>

#include "platform/base_types.h"

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_SYSTEM 0x00000004
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)

#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_WRITE_THROUGH 0x00000008

typedef struct _WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;

// INVALID_HANDLE_VALUE when nothing matches (ERROR_FILE_NOT_FOUND) or the
// folder cannot be read (ERROR_PATH_NOT_FOUND).
HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
// FALSE with ERROR_NO_MORE_FILES after the last match.
BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

BOOL DeleteFileW(LPCWSTR lpFileName);
// Fails with ERROR_ALREADY_EXISTS when the target exists.
BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
// MOVEFILE_REPLACE_EXISTING replaces an existing target file atomically.
BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);
DWORD GetFileAttributesW(LPCWSTR lpFileName);  // INVALID_FILE_ATTRIBUTES on failure

// The C runtime's wide-path fopen: the path follows the path rule above, the
// mode is fopen's ("a", "rb", ...). Null on failure (errno set).
FILE* _wfopen(const wchar_t* filename, const wchar_t* mode);
