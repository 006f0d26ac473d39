#include "platform/network_names.h"

#include "platform/last_error.h"

DWORD WNetGetUniversalNameW(LPCWSTR lpLocalPath, DWORD dwInfoLevel, LPVOID lpBuffer, LPDWORD lpBufferSize) {
  DWORD result;
  if (!lpLocalPath || !lpBuffer || !lpBufferSize) {
    result = ERROR_INVALID_ADDRESS;
  } else if (dwInfoLevel == UNIVERSAL_NAME_INFO_LEVEL) {
    result = ERROR_NOT_CONNECTED;
  } else if (dwInfoLevel == REMOTE_NAME_INFO_LEVEL) {
    result = ERROR_NO_NETWORK;
  } else {
    result = ERROR_INVALID_PARAMETER;
  }
  SetLastError(result);
  return result;
}
