// Saves interrupted by faults: a write that fails part way (the process may
// write no more bytes, as on a full disk) answers failure and leaves the
// original byte for byte; a save killed at any moment leaves the old or the
// new file, one that opens, and never a broken one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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
