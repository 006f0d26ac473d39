// A failed save answers the failure and leaves the original file intact,
// with no temporary file left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using namespace testing;

size_t EntriesIn(const std::string& dir) {
  size_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    (void)entry;
    ++n;
  }
  return n;
}

TEST(SaveFailure, FolderInTheWayKeepsEverythingAsItWas) {
  std::string dir = ScratchDir();
  engine::Workbook book;
  book.AddWorksheet(L"Sheet1").Put(1, 1).number = 1;
  std::filesystem::create_directory(dir + "/taken.xlsx");
  book.fullPath = WideFromUtf8(dir + "/taken.xlsx");
  book.dirty = true;
  FileStatus status = SaveWorkbook(book);
  EXPECT_EQ(status.hr, DISP_E_EXCEPTION);
  EXPECT_NE(Narrow(status.description).find("folder with that name is in the way"), std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(dir + "/taken.xlsx"));
  EXPECT_EQ(EntriesIn(dir), 1u) << "no temporary file left behind";
  EXPECT_TRUE(book.dirty) << "a failed save leaves the workbook unsaved";
}

TEST(SaveFailure, MissingFolderIsReported) {
  engine::Workbook book;
  book.AddWorksheet(L"Sheet1");
  book.fullPath = L"/no/such/folder/book.xlsx";
  FileStatus status = SaveWorkbook(book);
  EXPECT_EQ(status.hr, DISP_E_EXCEPTION);
  EXPECT_NE(Narrow(status.description).find("does not exist"), std::string::npos) << Narrow(status.description);
}

TEST(SaveFailure, ReadOnlyFolderKeepsTheOriginal) {
  SKIP_WITHOUT_OPENPYXL();
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  std::string dir = ScratchDir();
  std::string path = dir + "/book.xlsx";
  CopyFile(Fixture("kept_features.xlsx"), path);
  engine::Workbook book;
  MustLoad(path, book);
  book.sheets[0]->Put(1, 1).number = 5;
  ::chmod(dir.c_str(), 0555);
  FileStatus status = SaveWorkbook(book);
  ::chmod(dir.c_str(), 0755);
  EXPECT_EQ(status.hr, DISP_E_EXCEPTION);
  EXPECT_NE(Narrow(status.description).find("access is denied"), std::string::npos) << Narrow(status.description);
  EXPECT_EQ(ReadFile(path), ReadFile(Fixture("kept_features.xlsx")));
  EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST(SaveFailure, SaveThroughSymbolicLinkWritesTheLinkedFile) {
  std::string dir = ScratchDir();
  std::filesystem::create_directory(dir + "/real");
  engine::Workbook book;
  book.AddWorksheet(L"Sheet1").Put(1, 1).type = engine::CellType::Boolean;
  book.fullPath = WideFromUtf8(dir + "/real/book.csv");
  MustSave(book);
  std::filesystem::create_symlink(dir + "/real/book.csv", dir + "/link.csv");
  book.fullPath = WideFromUtf8(dir + "/link.csv");
  book.sheets[0]->Put(1, 1).boolean = true;
  MustSave(book);
  EXPECT_TRUE(std::filesystem::is_symlink(dir + "/link.csv"));
  EXPECT_EQ(ReadFile(dir + "/real/book.csv"), "TRUE\r\n");
}

TEST(SaveFailure, SaveWithoutPathAsksForSaveAs) {
  engine::Workbook book;
  book.AddWorksheet(L"Sheet1");
  FileStatus status = SaveWorkbook(book);
  EXPECT_EQ(status.hr, DISP_E_EXCEPTION);
  EXPECT_NE(Narrow(status.description).find("SaveAs"), std::string::npos);
}

}  // namespace
}  // namespace sheetwright::files
