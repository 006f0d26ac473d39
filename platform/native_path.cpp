#include "platform/internal/native_path.h"

#include <cerrno>
#include <string_view>

#include "platform/internal/utf8_codec.h"
#include "platform/last_error.h"

std::string NativePath(LPCWSTR path) {
  std::string native = WideToUtf8(path ? std::wstring_view(path) : std::wstring_view());
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
}

DWORD Win32ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC: return ERROR_DISK_FULL;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
  }
}
