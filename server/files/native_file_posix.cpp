#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <filesystem>

#include "server/files/native_file.h"

namespace sheetwright::files {

int OpenForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int64_t ReadAt(int fd, void* buffer, size_t size, uint64_t offset) {
  return ::pread(fd, buffer, size, static_cast<off_t>(offset));
}

int64_t ReadSome(int fd, void* buffer, size_t size) { return ::read(fd, buffer, size); }

int64_t WriteSome(int fd, const void* bytes, size_t size) { return ::write(fd, bytes, size); }

int64_t FileSize(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

void CloseFile(int fd) { ::close(fd); }

std::FILE* OpenStreamForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

zip* OpenZipArchive(const std::string& path, int flags, int* error) { return zip_open(path.c_str(), flags, error); }

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  if (ec) return path;
  return absolute.lexically_normal().string();
}

size_t LastSeparator(const std::string& path) { return path.rfind('/'); }

std::tm LocalTime(std::time_t t) {
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}

}  // namespace sheetwright::files
