// A file replaced atomically: the new content goes to a temporary file in the
// target's folder, is flushed to disk, and is renamed over the target only
// when complete. Until Commit succeeds the target is untouched; a
// destroyed, uncommitted AtomicFile removes its temporary file.
#pragma once

#include <string>

namespace sheetwright::files {

class AtomicFile {
 public:
  // Creates the temporary file. Throws FileError when the folder is missing
  // or not writable, or when a folder stands where the file should go.
  explicit AtomicFile(const std::string& targetPath);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Whether the target must be closed by every reader before Commit: true on
  // Windows, which cannot replace a file that is open.
  static const bool kTargetMustBeClosed;

  int fd() const { return fd_; }
  // fsync, rename over the target, fsync the folder. Throws FileError.
  void Commit();

 private:
  std::string target_;
  std::string temp_;
  std::string folder_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace sheetwright::files
