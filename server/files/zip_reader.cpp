#include "server/files/zip_reader.h"

#include <libdeflate.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "server/files/file_error.h"
#include "server/files/native_file.h"
#include "server/files/part_name.h"

namespace sheetwright::files {

namespace {

uint16_t Le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const unsigned char* p) { return Le16(p) | (static_cast<uint32_t>(Le16(p + 2)) << 16); }
uint64_t Le64(const unsigned char* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

// The entry count stated by the end-of-central-directory record (or its
// zip64 form), read before libzip allocates anything per entry. Returns
// nullopt when no record is found; libzip then reports the archive itself.
std::optional<uint64_t> StatedEntryCount(const std::string& path) {
  FILE* f = OpenStreamForReading(path);
  if (!f) return std::nullopt;
  std::optional<uint64_t> count;
  if (std::fseek(f, 0, SEEK_END) == 0) {
    long size = std::ftell(f);
    long tail = std::min<long>(size, 65535 + 22 + 20);
    std::vector<unsigned char> buf(static_cast<size_t>(tail));
    if (tail > 0 && std::fseek(f, size - tail, SEEK_SET) == 0 && std::fread(buf.data(), 1, buf.size(), f) == buf.size()) {
      for (long i = tail - 22; i >= 0; --i) {
        const unsigned char* p = buf.data() + i;
        if (Le32(p) != 0x06054b50) continue;
        count = Le16(p + 10);
        // A zip64 locator sits just before the record.
        if (*count == 0xFFFF && i >= 20 && Le32(p - 20) == 0x07064b50) {
          uint64_t eocd64 = Le64(p - 20 + 8);
          unsigned char rec[56];
          if (std::fseek(f, static_cast<long>(eocd64), SEEK_SET) == 0 && std::fread(rec, 1, 56, f) == 56 &&
              Le32(rec) == 0x06064b50) {
            count = Le64(rec + 32);
          }
        }
        break;
      }
    }
  }
  std::fclose(f);
  return count;
}

}  // namespace

ZipReader::ZipReader(const std::string& path, const std::string& displayName, ZipLimits limits)
    : path_(path), displayName_(displayName), limits_(limits) {
  if (auto stated = StatedEntryCount(path); stated && *stated > limits_.maxEntries) {
    throw FileError("Excel cannot open the file '" + displayName_ + "': it holds " + std::to_string(*stated) +
                    " entries, more than any workbook plausibly has (limit " + std::to_string(limits_.maxEntries) +
                    "). It was refused as a possible zip bomb.");
  }
  int error = 0;
  archive_ = OpenZipArchive(path, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!archive_) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, error);
    std::string reason = zip_error_strerror(&ze);
    zip_error_fini(&ze);
    if (error == ZIP_ER_NOZIP) {
      throw FileError("Excel cannot open the file '" + displayName_ +
                      "' because the file format or file extension is not valid. Verify that the file has not been "
                      "corrupted and that the file extension matches the format of the file.");
    }
    throw FileError("Excel cannot open the file '" + displayName_ + "' because it is damaged or truncated (" + reason +
                    ").");
  }
  zip_int64_t count = zip_get_num_entries(archive_, 0);
  if (count < 0 || static_cast<uint64_t>(count) > limits_.maxEntries) {
    zip_discard(archive_);
    archive_ = nullptr;
    throw FileError("Excel cannot open the file '" + displayName_ + "': it holds too many entries (refused as a possible zip bomb).");
  }
  entries_.reserve(static_cast<size_t>(count));
  uint64_t total = 0;
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) != 0) Damaged("an unreadable directory entry");
    ZipEntry e;
    e.name = st.name ? st.name : "";
    e.size = st.size;
    e.compressedSize = st.comp_size;
    e.crc = st.crc;
    e.method = static_cast<uint16_t>(st.comp_method);
    if (st.valid & ZIP_STAT_MTIME) {
      const std::tm t = LocalTime(st.mtime);
      int year = std::max(1980, t.tm_year + 1900);
      e.dosTime = (static_cast<uint32_t>(((year - 1980) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday) << 16) |
                  static_cast<uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
      zip_discard(archive_);
      archive_ = nullptr;
      throw FileError("Excel cannot open the file '" + displayName_ +
                      "' because it is password-protected. Remove the password and try again.");
    }
    if (e.size > limits_.maxPartBytes ||
        (e.size >= limits_.ratioCheckFromBytes && e.size / std::max<uint64_t>(e.compressedSize, 1) > limits_.maxRatio)) {
      zip_discard(archive_);
      archive_ = nullptr;
      throw FileError("Excel cannot open the file '" + displayName_ + "': the part " + e.name + " would inflate to " +
                      std::to_string(e.size >> 20) + " MB. It was refused as a possible zip bomb.");
    }
    total += e.size;
    // Two entries naming one part (names equal but for case) leave it open
    // which one a relationship means, and a save could replace only one.
    if (!byLowerName_.emplace(FoldPartName(e.name), entries_.size()).second) {
      zip_discard(archive_);
      archive_ = nullptr;
      throw FileError("Excel cannot open the file '" + displayName_ + "' because it is damaged: the part " + e.name +
                      " is stored twice.");
    }
    entries_.push_back(std::move(e));
  }
  if (total > limits_.maxTotalBytes) {
    zip_discard(archive_);
    archive_ = nullptr;
    throw FileError("Excel cannot open the file '" + displayName_ + "': its parts would inflate to " +
                    std::to_string(total >> 20) + " MB. It was refused as a possible zip bomb.");
  }
}

ZipReader::~ZipReader() {
  if (archive_) zip_discard(archive_);
}

void ZipReader::CloseFile() {
  if (archive_) zip_discard(archive_);
  archive_ = nullptr;
}

void ZipReader::ReopenFile() {
  if (archive_) return;
  int error = 0;
  archive_ = OpenZipArchive(path_, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!archive_) Damaged("the package could not be opened again");
  bool same = zip_get_num_entries(archive_, 0) == static_cast<zip_int64_t>(entries_.size());
  for (size_t i = 0; same && i < entries_.size(); ++i) {
    zip_stat_t st;
    same = zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &st) == 0 && st.name &&
           entries_[i].name == st.name && entries_[i].crc == st.crc && entries_[i].compressedSize == st.comp_size;
  }
  if (!same) {
    CloseFile();
    Damaged("the package changed on disk");
  }
}

void ZipReader::CheckOpen() const {
  if (!archive_) Damaged("the package is closed");
}

void ZipReader::Damaged(const std::string& what) const {
  throw FileError("Excel cannot open the file '" + displayName_ + "' because it is damaged: " + what + ".");
}

std::optional<size_t> ZipReader::Find(std::string_view name) const {
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  auto it = byLowerName_.find(FoldPartName(name));
  if (it == byLowerName_.end()) return std::nullopt;
  return it->second;
}

std::string ZipReader::ReadRaw(size_t index) const {
  CheckOpen();
  const ZipEntry& e = entries_.at(index);
  zip_file_t* file = zip_fopen_index(archive_, index, ZIP_FL_COMPRESSED);
  if (!file) Damaged("the part " + e.name + " cannot be read");
  std::string out;
  out.resize(e.compressedSize);
  zip_int64_t got = e.compressedSize ? zip_fread(file, out.data(), out.size()) : 0;
  zip_fclose(file);
  if (got < 0 || static_cast<uint64_t>(got) != e.compressedSize) Damaged("the part " + e.name + " is truncated");
  return out;
}

std::string ZipReader::ReadAll(size_t index) const {
  CheckOpen();
  const ZipEntry& e = entries_.at(index);
  if (e.size > limits_.maxWholePartBytes) {
    Damaged("the part " + e.name + " is too large to load (" + std::to_string(e.size >> 20) + " MB)");
  }
  std::string out;
  if (e.method == ZIP_CM_DEFLATE) {
    std::string raw = ReadRaw(index);
    out.resize(e.size);
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    size_t actual = 0;
    libdeflate_result r = libdeflate_deflate_decompress(d, raw.data(), raw.size(), out.data(), out.size(), &actual);
    libdeflate_free_decompressor(d);
    if (r != LIBDEFLATE_SUCCESS || actual != e.size) {
      Damaged("the part " + e.name + " does not inflate to its stated size");
    }
  } else {
    Source source = OpenStream(index);
    out.resize(e.size);
    size_t have = 0;
    while (have < out.size()) {
      size_t got = source(out.data() + have, out.size() - have);
      if (got == 0) break;
      have += got;
    }
    char extra;
    if (have != e.size || source(&extra, 1) != 0) Damaged("the part " + e.name + " does not match its stated size");
    return out;
  }
  if (libdeflate_crc32(0, out.data(), out.size()) != e.crc) Damaged("the part " + e.name + " fails its checksum");
  return out;
}

ZipReader::Source ZipReader::OpenStream(size_t index) const {
  CheckOpen();
  const ZipEntry& e = entries_.at(index);
  zip_file_t* raw = zip_fopen_index(archive_, index, 0);
  if (!raw) {
    Damaged("the part " + e.name + " cannot be read (" + zip_error_strerror(zip_get_error(archive_)) + ")");
  }
  auto file = std::shared_ptr<zip_file_t>(raw, [](zip_file_t* f) { zip_fclose(f); });
  auto remaining = std::make_shared<uint64_t>(e.size);
  std::string name = e.name;
  std::string display = displayName_;
  return [file, remaining, name, display](char* buffer, size_t capacity) -> size_t {
    // Ask for one byte more than is left, so a part that inflates past its
    // stated size is noticed at once instead of being read to its end.
    size_t want = static_cast<size_t>(std::min<uint64_t>(capacity, *remaining + 1));
    zip_int64_t got = zip_fread(file.get(), buffer, want);
    if (got < 0) {
      throw FileError("Excel cannot open the file '" + display + "' because it is damaged: the part " + name +
                      " cannot be inflated (" + zip_error_strerror(zip_file_get_error(file.get())) + ").");
    }
    if (static_cast<uint64_t>(got) > *remaining) {
      throw FileError("Excel cannot open the file '" + display + "': the part " + name +
                      " inflates beyond its stated size. It was refused as a possible zip bomb.");
    }
    *remaining -= static_cast<uint64_t>(got);
    return static_cast<size_t>(got);
  };
}

}  // namespace sheetwright::files
