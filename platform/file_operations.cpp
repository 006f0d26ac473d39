#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/file_find.h"
#include "platform/internal/native_path.h"
#include "platform/last_error.h"

namespace {

BOOL FailWith(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL FailFromErrno() { return FailWith(Win32ErrorFromErrno(errno)); }

bool IsDirectory(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Copies a file across file systems, then removes the source.
BOOL CopyThenDelete(const std::string& from, const std::string& to, bool replace) {
  std::error_code error;
  const auto options = replace ? std::filesystem::copy_options::overwrite_existing
                               : std::filesystem::copy_options::none;
  if (!std::filesystem::copy_file(from, to, options, error)) {
    return FailWith(error.value() ? Win32ErrorFromErrno(error.value()) : ERROR_ALREADY_EXISTS);
  }
  if (unlink(from.c_str()) != 0) return FailFromErrno();
  return TRUE;
}

}  // namespace

BOOL DeleteFileW(LPCWSTR lpFileName) {
  if (!lpFileName) return FailWith(ERROR_INVALID_PARAMETER);
  const std::string path = NativePath(lpFileName);
  if (IsDirectory(path)) return FailWith(ERROR_ACCESS_DENIED);
  if (unlink(path.c_str()) != 0) return FailFromErrno();
  return TRUE;
}

BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
  if (!lpExistingFileName || !lpNewFileName) return FailWith(ERROR_INVALID_PARAMETER);
  const std::string from = NativePath(lpExistingFileName);
  const std::string to = NativePath(lpNewFileName);
  const bool replace = (dwFlags & MOVEFILE_REPLACE_EXISTING) != 0;
  struct stat status;
  if (stat(from.c_str(), &status) != 0) return FailFromErrno();
  if (replace) {
    if (IsDirectory(to)) return FailWith(ERROR_ACCESS_DENIED);
    if (rename(from.c_str(), to.c_str()) == 0) return TRUE;
  } else {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return TRUE;
    if (errno == EINVAL || errno == ENOSYS) {
      // The file system cannot refuse to replace by itself.
      if (access(to.c_str(), F_OK) == 0) return FailWith(ERROR_ALREADY_EXISTS);
      if (rename(from.c_str(), to.c_str()) == 0) return TRUE;
    }
  }
  if (errno == EXDEV && (dwFlags & MOVEFILE_COPY_ALLOWED) && !S_ISDIR(status.st_mode)) {
    return CopyThenDelete(from, to, replace);
  }
  return FailFromErrno();
}

BOOL MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
  return MoveFileExW(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
  if (!lpFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat status;
  if (stat(NativePath(lpFileName).c_str(), &status) != 0) {
    SetLastError(Win32ErrorFromErrno(errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = S_ISDIR(status.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
  if (!(status.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

FILE* _wfopen(const wchar_t* filename, const wchar_t* mode) {
  if (!filename || !mode) {
    errno = EINVAL;
    return nullptr;
  }
  std::string narrowMode;
  for (const wchar_t* c = mode; *c; ++c) narrowMode += static_cast<char>(*c & 0x7F);
  return fopen(NativePath(filename).c_str(), narrowMode.c_str());
}
