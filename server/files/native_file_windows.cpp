#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#include <zip.h>

#include <cerrno>
#include <filesystem>

#include "server/files/native_file.h"
#include "server/files/utf8.h"

namespace sheetwright::files {

int OpenForReading(const std::string& path) {
  return ::_wopen(WideFromUtf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int64_t ReadAt(int fd, void* buffer, size_t size, uint64_t offset) {
  // The descriptors here are never shared between threads while read, so
  // seeking and reading stands in for pread.
  if (::_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0) return -1;
  return ReadSome(fd, buffer, size);
}

int64_t ReadSome(int fd, void* buffer, size_t size) {
  const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
  return ::_read(fd, buffer, chunk);
}

int64_t WriteSome(int fd, const void* bytes, size_t size) {
  const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
  return ::_write(fd, bytes, chunk);
}

int64_t FileSize(int fd) {
  struct _stat64 st;
  return ::_fstat64(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

void CloseFile(int fd) { ::_close(fd); }

std::FILE* OpenStreamForReading(const std::string& path) { return ::_wfopen(WideFromUtf8(path).c_str(), L"rb"); }

zip* OpenZipArchive(const std::string& path, int flags, int* error) {
  HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD reason = GetLastError();
    *error = reason == ERROR_FILE_NOT_FOUND || reason == ERROR_PATH_NOT_FOUND ? ZIP_ER_NOENT : ZIP_ER_OPEN;
    return nullptr;
  }
  zip_error_t failure;
  zip_error_init(&failure);
  // The source owns the handle from here on and closes it with the archive.
  zip_source_t* source = zip_source_win32handle_create(file, 0, -1, &failure);
  if (!source) {
    CloseHandle(file);
    *error = zip_error_code_zip(&failure);
    zip_error_fini(&failure);
    return nullptr;
  }
  zip* archive = zip_open_from_source(source, flags, &failure);
  if (!archive) {
    zip_source_free(source);
    *error = zip_error_code_zip(&failure);
  }
  zip_error_fini(&failure);
  return archive;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(WideFromUtf8(path)), ec);
  if (ec) return path;
  return Utf8FromWide(absolute.lexically_normal().make_preferred().wstring());
}

size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

std::tm LocalTime(std::time_t t) {
  std::tm out{};
  ::localtime_s(&out, &t);
  return out;
}

}  // namespace sheetwright::files
