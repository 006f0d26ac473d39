// Saves interrupted by faults: a write that fails part way (the process may
// write no more bytes; a real disk that fills up) answers failure and leaves
// the original byte for byte; a save killed at any moment leaves the old or the
// new file, one that opens, and never a broken one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using engine::CellType;
using namespace testing;

// A workbook of `rows` x 10 cells, numbers and texts, saved at `path`.
void WriteLargeBook(const std::string& path, int rows, double seed) {
  engine::Workbook book;
  engine::Sheet& sheet = book.AddWorksheet(L"Data");
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= 10; ++c) {
      engine::Cell& cell = sheet.Put(r, c);
      if (c % 2) {
        cell.type = CellType::Number;
        cell.number = seed + r * 10 + c;
      } else {
        cell.type = CellType::Text;
        cell.text = book.strings.Intern(L"text " + std::to_wstring(r * c + int(seed)));
      }
    }
  }
  book.fullPath = WideFromUtf8(path);
  book.dirty = true;
  MustSave(book);
}

size_t EntriesIn(const std::string& dir) {
  size_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) n += entry.is_regular_file();
  return n;
}

// Runs `body` in a child process and returns its exit status (or -signal).
template <typename F>
int InChild(F body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST(SaveFault, WriteFailingPartWayKeepsTheOriginal) {
  for (const char* name : {"book.xlsx", "book.csv"}) {
    SCOPED_TRACE(name);
    const std::string dir = ScratchDir();
    const std::string path = dir + "/" + name;
    WriteLargeBook(path, 3000, 0);
    const std::string original = ReadFile(path);
    for (const rlim_t limit : {rlim_t(0), rlim_t(1000), rlim_t(original.size() / 2)}) {
      SCOPED_TRACE(limit);
      const int status = InChild([&] {
        engine::Workbook book;
        if (!LoadWorkbook(WideFromUtf8(path), book).ok()) return 10;
        book.sheets[0]->Put(1, 1).number = 42;
        book.sheets[0]->modified = true;
        book.dirty = true;
        // Past `limit` bytes a write fails with EFBIG, as one fails on a full disk.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &fileSize);
        const FileStatus saved = SaveWorkbook(book);
        if (saved.ok()) return 11;
        return saved.description.empty() ? 12 : 0;
      });
      EXPECT_EQ(status, 0) << "10: no load, 11: the save answered success, 12: no description";
      EXPECT_EQ(ReadFile(path), original);
      EXPECT_EQ(EntriesIn(dir), 1u) << "no temporary file left behind";
    }
  }
}

// In a child process: a mount namespace of its own (and a user namespace
// where the process is not privileged), so that a small tmpfs mounted at
// `at` is seen by nobody else and goes away with the child. False where the
// system allows none of it.
bool MountPrivateTmpfs(const std::string& at, size_t bytes) {
  if (::unshare(CLONE_NEWNS) != 0) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    auto write = [](const char* file, const std::string& text) {
      const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
      const bool ok = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
      if (fd >= 0) ::close(fd);
      return ok;
    };
    write("/proc/self/setgroups", "deny");
    if (!write("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !write("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
      return false;
    }
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  const std::string options = "size=" + std::to_string(bytes);
  return ::mount("tmpfs", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

// Fills the file system holding `dir` until a write fails with ENOSPC, then
// gives `leave` bytes back. False if the disk never filled.
bool FillDiskLeaving(const std::string& dir, off_t leave) {
  const std::string filler = dir + "/filler";
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::string block(4096, 'x');
  off_t written = 0;
  for (;;) {
    const ssize_t n = ::write(fd, block.data(), block.size());
    if (n <= 0) break;
    written += n;
  }
  const bool full = errno == ENOSPC;
  const bool ok = full && ::ftruncate(fd, std::max<off_t>(0, written - leave)) == 0;
  ::close(fd);
  return ok;
}

TEST(SaveFault, FullDiskKeepsTheOriginal) {
  // A real disk that fills up during the save: a small tmpfs, private to a
  // child process, holding the workbook and a file that takes all but a
  // little of the rest.
  for (const char* name : {"book.xlsx", "book.csv"}) {
    SCOPED_TRACE(name);
    const std::string source = ScratchDir() + "/" + name;
    WriteLargeBook(source, 3000, 0);
    const std::string original = ReadFile(source);
    for (const off_t leave : {off_t(0), off_t(original.size() / 2)}) {
      SCOPED_TRACE(leave);
      const std::string disk = ScratchDir();
      const int status = InChild([&] {
        if (!MountPrivateTmpfs(disk, original.size() * 4 + (64 << 10))) return 77;
        const std::string path = disk + "/" + name;
        WriteFile(path, original);
        if (ReadFile(path) != original) return 10;
        if (!FillDiskLeaving(disk, leave)) return 11;
        engine::Workbook book;
        if (!LoadWorkbook(WideFromUtf8(path), book).ok()) return 12;
        book.sheets[0]->Put(1, 1).number = 42;
        book.sheets[0]->modified = true;
        book.dirty = true;
        const FileStatus saved = SaveWorkbook(book);
        if (saved.ok()) return 13;
        if (Narrow(saved.description).find("the disk is full") == std::string::npos) return 14;
        if (ReadFile(path) != original) return 15;
        if (EntriesIn(disk) != 2) return 16;  // the workbook and the filler, no temporary file
        engine::Workbook again;
        if (!LoadWorkbook(WideFromUtf8(path), again).ok()) return 17;
        return 0;
      });
      if (status == 77) GTEST_SKIP() << "this system allows no private tmpfs mount";
      EXPECT_EQ(status, 0) << "10: no copy, 11: the disk did not fill, 12: no load, 13: the save answered success, "
                              "14: no reason given, 15: the original changed, 16: a file left behind, 17: the "
                              "original does not load";
    }
  }
}

TEST(SaveFault, FolderRemovedBeforeTheSaveIsReported) {
  const std::string dir = ScratchDir() + "/gone";
  std::filesystem::create_directory(dir);
  WriteLargeBook(dir + "/book.xlsx", 10, 0);
  engine::Workbook book;
  MustLoad(dir + "/book.xlsx", book);
  std::filesystem::remove_all(dir);
  book.dirty = true;
  const FileStatus saved = SaveWorkbook(book);
  EXPECT_FALSE(saved.ok());
  EXPECT_FALSE(saved.description.empty());
  EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST(SaveFault, KilledSaveLeavesTheOldOrTheNewFile) {
  SKIP_WITHOUT_OPENPYXL();
  const std::string dir = ScratchDir();
  const std::string path = dir + "/book.xlsx";
  WriteLargeBook(path, 20000, 0);
  std::mt19937 random(7);
  int killedMidway = 0;
  for (int round = 1; round <= 12; ++round) {
    SCOPED_TRACE(round);
    const pid_t pid = ::fork();
    if (pid == 0) {
      // Saves new content over and over until killed.
      for (int n = 0;; ++n) WriteLargeBook(path, 20000, round * 1000 + n);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 400));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    killedMidway += WIFSIGNALED(status);
    engine::Workbook book;
    const FileStatus loaded = LoadWorkbook(WideFromUtf8(path), book);
    ASSERT_TRUE(loaded.ok()) << Narrow(loaded.description);
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_NE(book.sheets[0]->Find(20000, 10), nullptr) << "the whole sheet is there";
    if (round % 4 == 0) {
      EXPECT_FALSE(Dump(path).empty()) << "openpyxl opens what is left";
    }
    // Temporary files of the killed save may stay behind; the workbook never
    // is one of them.
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.path() != path) std::filesystem::remove(entry.path());
    }
  }
  EXPECT_EQ(killedMidway, 12);
}

}  // namespace
}  // namespace sheetwright::files
