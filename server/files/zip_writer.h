// Writes a zip archive sequentially to an open file descriptor: parts the
// save did not change are copied in their stored (compressed) form without
// inflating them again, new parts are deflated with libdeflate, which
// compresses a large worksheet several times faster than zlib. Archives past
// the classic 4 GiB / 65,535-entry limits are refused rather than written
// with zip64 records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct libdeflate_compressor;

namespace sheetwright::files {

class ZipWriter {
 public:
  // `fd` stays owned by the caller. `displayPath` names the file in messages.
  ZipWriter(int fd, std::string displayPath);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Adds a part from its stored bytes (method 0 or 8) as read from another
  // archive, with that archive's checksum and sizes.
  void AddRaw(const std::string& name, std::string_view stored, uint16_t method, uint32_t crc, uint64_t size,
              uint32_t dosTime);
  // Adds a part from its content, deflated.
  void AddDeflated(const std::string& name, std::string_view content);
  // Writes the central directory. Throws FileError on any write failure.
  void Finish();

 private:
  struct Record {
    std::string name;
    uint16_t method;
    uint32_t crc;
    uint32_t compressedSize;
    uint32_t size;
    uint32_t offset;
    uint32_t dosTime;
  };
  void Write(std::string_view bytes);
  void Flush();

  int fd_;
  std::string displayPath_;
  std::string pending_;
  uint64_t offset_ = 0;
  uint32_t now_ = 0;
  std::vector<Record> records_;
  libdeflate_compressor* compressor_ = nullptr;
};

}  // namespace sheetwright::files
