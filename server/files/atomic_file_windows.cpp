// AtomicFile on Windows: the temporary file is created with CREATE_NEW under
// a fresh name beside the target, flushed with FlushFileBuffers (through
// _commit) and moved over the target with MoveFileExW, which replaces an
// existing file in one step and returns only once the move is on disk.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>

#include "server/files/atomic_file.h"
#include "server/files/file_error.h"
#include "server/files/native_file.h"
#include "server/files/utf8.h"

namespace sheetwright::files {

namespace {

std::string Reason(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "the disk is full";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return "access is denied";
    case ERROR_WRITE_PROTECT: return "the disk is read-only";
    default: return "system error " + std::to_string(error);
  }
}

std::wstring TemporaryName(const std::string& folder, const std::string& file) {
  static std::atomic<unsigned> counter{0};
  const unsigned long long stamp =
      (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^ GetTickCount64() ^ (++counter * 0x9E3779B9u);
  wchar_t suffix[24];
  wsprintfW(suffix, L".%06X", static_cast<unsigned>(stamp & 0xFFFFFF));
  return WideFromUtf8(folder) + L"\\.~" + WideFromUtf8(file) + suffix;
}

}  // namespace

const bool AtomicFile::kTargetMustBeClosed = true;

AtomicFile::AtomicFile(const std::string& targetPath) : target_(targetPath) {
  const size_t slash = LastSeparator(target_);
  folder_ = slash == std::string::npos ? "." : target_.substr(0, slash == 0 ? 1 : slash);
  if (folder_.size() == 2 && folder_[1] == ':') folder_ += '\\';  // "C:" alone is the drive's current folder
  const std::string file = slash == std::string::npos ? target_ : target_.substr(slash + 1);

  if (!IsFolder(folder_)) {
    throw FileError("Cannot save '" + target_ + "': the folder '" + folder_ + "' does not exist.");
  }
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(target_).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      throw FileError("Cannot save '" + target_ + "': a folder with that name is in the way.");
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) throw FileError("Cannot save '" + target_ + "': the file is read-only.");
  }
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring name = TemporaryName(folder_, file);
    HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
      throw FileError("Cannot save '" + target_ + "': " + Reason(error) + " in the folder '" + folder_ + "'.");
    }
    fd_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | _O_WRONLY);
    if (fd_ < 0) {
      CloseHandle(handle);
      DeleteFileW(name.c_str());
      throw FileError("Cannot save '" + target_ + "': no file descriptor is left.");
    }
    temp_ = Utf8FromWide(name);
    return;
  }
  throw FileError("Cannot save '" + target_ + "': no temporary name is free in the folder '" + folder_ + "'.");
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::_close(fd_);
  if (!committed_ && !temp_.empty()) DeleteFileW(WideFromUtf8(temp_).c_str());
}

void AtomicFile::Commit() {
  if (::_commit(fd_) != 0) throw FileError("Cannot save '" + target_ + "': " + Reason(GetLastError()) + ".");
  const int fd = fd_;
  fd_ = -1;
  if (::_close(fd) != 0) throw FileError("Cannot save '" + target_ + "': " + Reason(GetLastError()) + ".");
  if (!MoveFileExW(WideFromUtf8(temp_).c_str(), WideFromUtf8(target_).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw FileError("Cannot save '" + target_ + "': " + Reason(GetLastError()) + ".");
  }
  committed_ = true;
}

}  // namespace sheetwright::files
