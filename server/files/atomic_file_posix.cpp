#include "server/files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <vector>

#include "server/files/file_error.h"

namespace sheetwright::files {

namespace {
std::string Reason(int err) {
  switch (err) {
    case ENOSPC: return "the disk is full";
    case EACCES:
    case EPERM: return "access is denied";
    case EROFS: return "the disk is read-only";
    default: return std::strerror(err);
  }
}
}  // namespace

// A rename replaces the name only; readers keep the file they opened.
const bool AtomicFile::kTargetMustBeClosed = false;

AtomicFile::AtomicFile(const std::string& targetPath) : target_(targetPath) {
  // Saving through a symbolic link writes the file it points to; renaming
  // over the link itself would leave that file stale.
  struct stat link;
  if (::lstat(target_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::vector<char> resolved(PATH_MAX + 1);
    if (::realpath(target_.c_str(), resolved.data())) target_ = resolved.data();
  }
  size_t slash = target_.rfind('/');
  folder_ = slash == std::string::npos ? "." : (slash == 0 ? "/" : target_.substr(0, slash));
  std::string file = slash == std::string::npos ? target_ : target_.substr(slash + 1);

  struct stat st;
  if (::stat(folder_.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    throw FileError("Cannot save '" + target_ + "': the folder '" + folder_ + "' does not exist.");
  }
  mode_t mode = 0666;
  if (::stat(target_.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      throw FileError("Cannot save '" + target_ + "': a folder with that name is in the way.");
    }
    mode = st.st_mode & 07777;
    if (::access(target_.c_str(), W_OK) != 0 && errno != ENOENT) {
      throw FileError("Cannot save '" + target_ + "': the file is read-only.");
    }
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  std::string pattern = folder_ + "/.~" + file + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkstemp(name.data());
  if (fd_ < 0) {
    throw FileError("Cannot save '" + target_ + "': " + Reason(errno) + " in the folder '" + folder_ + "'.");
  }
  temp_ = name.data();
  ::fchmod(fd_, mode);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_.empty()) ::unlink(temp_.c_str());
}

void AtomicFile::Commit() {
  if (::fsync(fd_) != 0) throw FileError("Cannot save '" + target_ + "': " + Reason(errno) + ".");
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) throw FileError("Cannot save '" + target_ + "': " + Reason(errno) + ".");
  if (::rename(temp_.c_str(), target_.c_str()) != 0) {
    int err = errno;
    if (err == EISDIR) throw FileError("Cannot save '" + target_ + "': a folder with that name is in the way.");
    throw FileError("Cannot save '" + target_ + "': " + Reason(err) + ".");
  }
  committed_ = true;
  int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace sheetwright::files
