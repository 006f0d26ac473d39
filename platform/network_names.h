// Windows networking (mpr): the universal (UNC) name of a path on a
// redirected drive. Nothing is redirected here: every local path answers
// ERROR_NOT_CONNECTED at UNIVERSAL_NAME_INFO_LEVEL, as Windows does for a
// path that is not on a network drive.
#pragma once

#include "platform/base_types.h"

#define UNIVERSAL_NAME_INFO_LEVEL 0x00000001
#define REMOTE_NAME_INFO_LEVEL 0x00000002

typedef struct _UNIVERSAL_NAME_INFOW {
  LPWSTR lpUniversalName;
} UNIVERSAL_NAME_INFOW, *LPUNIVERSAL_NAME_INFOW;

typedef struct _REMOTE_NAME_INFOW {
  LPWSTR lpUniversalName;
  LPWSTR lpConnectionName;
  LPWSTR lpRemainingPath;
} REMOTE_NAME_INFOW, *LPREMOTE_NAME_INFOW;

// Returns a Win32 error code (NO_ERROR on success).
DWORD WNetGetUniversalNameW(LPCWSTR lpLocalPath, DWORD dwInfoLevel, LPVOID lpBuffer,
                            LPDWORD lpBufferSize);
