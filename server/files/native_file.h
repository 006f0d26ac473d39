// Files named by UTF-8 paths, through the system's own calls: POSIX on Linux,
// the C runtime's wide-character calls on Windows (a narrow path there would
// pass through the ANSI code page and lose characters). Descriptors are C
// runtime descriptors, opened in binary mode on Windows. The callers keep
// their errno-based failure texts: every function sets errno on failure.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <ctime>
#include <string>

struct zip;

namespace sheetwright::files {

// A descriptor open for reading, or -1.
int OpenForReading(const std::string& path);
// Up to `size` bytes at `offset` without moving the file position; -1 on
// failure.
int64_t ReadAt(int fd, void* buffer, size_t size, uint64_t offset);
// Up to `size` bytes at the file position; -1 on failure.
int64_t ReadSome(int fd, void* buffer, size_t size);
// Up to `size` bytes at the file position; -1 on failure.
int64_t WriteSome(int fd, const void* bytes, size_t size);
// The size of an open file, or -1.
int64_t FileSize(int fd);
void CloseFile(int fd);
// std::fopen(path, "rb"), or null.
std::FILE* OpenStreamForReading(const std::string& path);
// The zip archive at `path` opened through libzip with zip_open's flags;
// null with *error set to a ZIP_ER_* code. On Windows the file is opened by
// its wide path and shared for reading, writing and deletion, so other
// programs are not locked out while the workbook is open (a save still lets
// go of it before replacing it: see AtomicFile::kTargetMustBeClosed).
zip* OpenZipArchive(const std::string& path, int flags, int* error);

// True when `path` names an existing folder.
bool IsFolder(const std::string& path);
// `path` made absolute against the working folder and lexically normalised;
// `path` itself when that fails.
std::string AbsolutePath(const std::string& path);
// The position of the last folder separator in `path` ('/', and '\' on
// Windows), or npos.
size_t LastSeparator(const std::string& path);
// The local broken-down time of `t`.
std::tm LocalTime(std::time_t t);

}  // namespace sheetwright::files
