#include "server/files/file_kind.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "server/files/native_file.h"

namespace sheetwright::files {

namespace {
constexpr unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kDirectoryScanBytes = 4u << 20;

// A password-protected package is an OLE compound file with the streams
// "EncryptionInfo" and "EncryptedPackage"; their names are stored as UTF-16LE
// in the compound file's directory, which this looks for.
bool HasEncryptionStream(int fd) {
  std::vector<char> buffer(kDirectoryScanBytes);
  int64_t n = ReadAt(fd, buffer.data(), buffer.size(), 0);
  if (n <= 0) return false;
  static const char16_t kName[] = u"EncryptionInfo";
  std::string needle;
  for (const char16_t* p = kName; *p; ++p) {
    needle.push_back(static_cast<char>(*p & 0xFF));
    needle.push_back(static_cast<char>(*p >> 8));
  }
  return std::string_view(buffer.data(), static_cast<size_t>(n)).find(needle) != std::string_view::npos;
}
}  // namespace

FileKind DetectFileKind(const std::string& path) {
  int fd = OpenForReading(path);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Unreadable;
  unsigned char head[8] = {};
  int64_t n = ReadAt(fd, head, sizeof head, 0);
  FileKind kind = FileKind::Other;
  if (n >= 4 && head[0] == 'P' && head[1] == 'K' &&
      ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6))) {
    kind = FileKind::Zip;
  } else if (n == 8 && std::memcmp(head, kCompoundSignature, 8) == 0) {
    kind = HasEncryptionStream(fd) ? FileKind::EncryptedPackage : FileKind::LegacyBinary;
  }
  CloseFile(fd);
  return kind;
}

}  // namespace sheetwright::files
