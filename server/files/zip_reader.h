// Read access to a workbook package (a zip archive) through libzip, with the
// limits that keep a hostile archive from costing unbounded time or memory:
// a cap on the number of entries (checked in the end-of-central-directory
// record before libzip reads the directory), caps on each part's and on the
// whole package's uncompressed size, a cap on the compression ratio of large
// parts, and a running count while inflating so that a part whose header
// understates its size is stopped at the stated size.
//
// Whole parts are inflated with libdeflate (several times faster than zlib);
// parts too large to hold comfortably are streamed through libzip in chunks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct zip;

namespace sheetwright::files {

struct ZipLimits {
  uint64_t maxEntries = 50000;
  uint64_t maxPartBytes = 2ull << 30;         // one part, uncompressed
  uint64_t maxTotalBytes = 8ull << 30;        // all parts, uncompressed
  uint64_t maxWholePartBytes = 512ull << 20;  // parts read into memory at once
  uint64_t ratioCheckFromBytes = 64ull << 20; // parts this large must compress
  uint64_t maxRatio = 1100;                   // no better than deflate can
};

struct ZipEntry {
  std::string name;
  uint64_t size = 0;            // uncompressed, as stated in the directory
  uint64_t compressedSize = 0;
  uint32_t crc = 0;
  uint16_t method = 0;          // 0 stored, 8 deflated
  uint32_t dosTime = 0;         // DOS date << 16 | DOS time
};

class ZipReader {
 public:
  // Opens `path`; `displayName` is the file name used in messages.
  // Throws FileError for anything that is not a readable, plausible package.
  ZipReader(const std::string& path, const std::string& displayName, ZipLimits limits = {});
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  const std::vector<ZipEntry>& entries() const { return entries_; }
  // Index of the part named `name` (leading '/' ignored, case-insensitive).
  std::optional<size_t> Find(std::string_view name) const;

  // The whole uncompressed part.
  std::string ReadAll(size_t index) const;
  // Calls `sink` with successive chunks of the uncompressed part.
  using Source = std::function<size_t(char* buffer, size_t capacity)>;
  // A pull source over the uncompressed part for the XML scanner; the
  // returned function keeps the part open until it is destroyed.
  Source OpenStream(size_t index) const;
  // The part's bytes exactly as stored (compressed), for copying unchanged.
  std::string ReadRaw(size_t index) const;

  // Lets go of the file (Windows cannot replace a file that is open) while
  // keeping the directory; reading fails with FileError until ReopenFile
  // opens the same path again, which fails with FileError (and stays closed)
  // when the file can no longer be opened or its directory differs from the
  // one read at first (names, checksums, compressed sizes).
  void CloseFile();
  void ReopenFile();

 private:
  [[noreturn]] void Damaged(const std::string& what) const;
  void CheckOpen() const;

  zip* archive_ = nullptr;
  std::string path_;
  std::string displayName_;
  ZipLimits limits_;
  std::vector<ZipEntry> entries_;
  std::unordered_map<std::string, size_t> byLowerName_;
};

}  // namespace sheetwright::files
