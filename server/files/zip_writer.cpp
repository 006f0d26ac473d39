#include "server/files/zip_writer.h"

#include <libdeflate.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "server/files/file_error.h"
#include "server/files/native_file.h"

namespace sheetwright::files {

namespace {
constexpr int kCompressionLevel = 3;  // libdeflate 3: close to zlib 6 in size, many times faster
constexpr size_t kWriteChunk = 1 << 20;

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

uint32_t DosNow() {
  std::time_t now = std::time(nullptr);
  const std::tm t = LocalTime(now);
  int year = t.tm_year + 1900 < 1980 ? 1980 : t.tm_year + 1900;
  return (static_cast<uint32_t>(((year - 1980) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday) << 16) |
         static_cast<uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
}
}  // namespace

ZipWriter::ZipWriter(int fd, std::string displayPath) : fd_(fd), displayPath_(std::move(displayPath)), now_(DosNow()) {
  compressor_ = libdeflate_alloc_compressor(kCompressionLevel);
  if (!compressor_) throw FileError("Not enough memory to save '" + displayPath_ + "'.");
}

ZipWriter::~ZipWriter() { libdeflate_free_compressor(compressor_); }

void ZipWriter::Flush() {
  size_t done = 0;
  while (done < pending_.size()) {
    int64_t n = WriteSome(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      throw FileError("Cannot save '" + displayPath_ + "': " +
                      (err == ENOSPC ? std::string("the disk is full") : std::string(std::strerror(err))) + ".");
    }
    done += static_cast<size_t>(n);
  }
  pending_.clear();
}

void ZipWriter::Write(std::string_view bytes) {
  offset_ += bytes.size();
  if (pending_.size() + bytes.size() > kWriteChunk) {
    Flush();
    if (bytes.size() > kWriteChunk) {
      pending_.assign(bytes);
      Flush();
      return;
    }
  }
  pending_.append(bytes);
}

void ZipWriter::AddRaw(const std::string& name, std::string_view stored, uint16_t method, uint32_t crc, uint64_t size,
                       uint32_t dosTime) {
  if (size > 0xFFFFFFFEull || stored.size() > 0xFFFFFFFEull || offset_ > 0xFFFFFFFEull || records_.size() >= 0xFFFF) {
    throw FileError("Cannot save '" + displayPath_ + "': the workbook is larger than a package can hold (4 GB).");
  }
  Record r{name, method, crc, static_cast<uint32_t>(stored.size()), static_cast<uint32_t>(size),
           static_cast<uint32_t>(offset_), dosTime ? dosTime : now_};
  std::string header;
  Put32(header, 0x04034b50);
  Put16(header, 20);           // version needed
  Put16(header, 0x0800);       // UTF-8 names
  Put16(header, r.method);
  Put32(header, r.dosTime);
  Put32(header, r.crc);
  Put32(header, r.compressedSize);
  Put32(header, r.size);
  Put16(header, static_cast<uint32_t>(name.size()));
  Put16(header, 0);
  header += name;
  Write(header);
  Write(stored);
  records_.push_back(std::move(r));
}

void ZipWriter::AddDeflated(const std::string& name, std::string_view content) {
  uint32_t crc = libdeflate_crc32(0, content.data(), content.size());
  std::string compressed;
  compressed.resize(libdeflate_deflate_compress_bound(compressor_, content.size()));
  size_t n = libdeflate_deflate_compress(compressor_, content.data(), content.size(), compressed.data(), compressed.size());
  if (n == 0) throw FileError("Cannot save '" + displayPath_ + "': compressing " + name + " failed.");
  compressed.resize(n);
  AddRaw(name, compressed, 8, crc, content.size(), now_);
}

void ZipWriter::Finish() {
  uint64_t directoryStart = offset_;
  std::string dir;
  for (const Record& r : records_) {
    Put32(dir, 0x02014b50);
    Put16(dir, 20);  // made by
    Put16(dir, 20);  // needed
    Put16(dir, 0x0800);
    Put16(dir, r.method);
    Put32(dir, r.dosTime);
    Put32(dir, r.crc);
    Put32(dir, r.compressedSize);
    Put32(dir, r.size);
    Put16(dir, static_cast<uint32_t>(r.name.size()));
    Put16(dir, 0);  // extra
    Put16(dir, 0);  // comment
    Put16(dir, 0);  // disk
    Put16(dir, 0);  // internal attributes
    Put32(dir, 0);  // external attributes
    Put32(dir, r.offset);
    dir += r.name;
  }
  if (directoryStart + dir.size() > 0xFFFFFFFEull) {
    throw FileError("Cannot save '" + displayPath_ + "': the workbook is larger than a package can hold (4 GB).");
  }
  Write(dir);
  std::string end;
  Put32(end, 0x06054b50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, static_cast<uint32_t>(records_.size()));
  Put16(end, static_cast<uint32_t>(records_.size()));
  Put32(end, static_cast<uint32_t>(dir.size()));
  Put32(end, static_cast<uint32_t>(directoryStart));
  Put16(end, 0);
  Write(end);
  Flush();
}

}  // namespace sheetwright::files
