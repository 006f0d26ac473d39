// A package reader lets go of its file and opens it again (a save on
// Windows must close the package it replaces): reading while closed fails
// cleanly, reopening the same file reads as before, and a file that changed
// meanwhile is refused rather than read with the old directory.
#include <gtest/gtest.h>

#include "server/files/file_error.h"
#include "server/files/zip_reader.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using namespace testing;

TEST(ZipReaderReopen, ClosedReaderFailsCleanlyAndReopensTheSameFile) {
  SKIP_WITHOUT_OPENPYXL();
  const std::string path = ScratchDir() + "/book.xlsx";
  CopyFile(Fixture("cell_kinds.xlsx"), path);
  ZipReader zip(path, "book.xlsx");
  const auto workbook = zip.Find("xl/workbook.xml");
  ASSERT_TRUE(workbook);
  const std::string before = zip.ReadAll(*workbook);

  zip.CloseFile();
  EXPECT_THROW(zip.ReadAll(*workbook), FileError);
  EXPECT_THROW(zip.ReadRaw(*workbook), FileError);
  EXPECT_THROW(zip.OpenStream(*workbook), FileError);

  zip.ReopenFile();
  EXPECT_EQ(zip.ReadAll(*workbook), before);
  zip.ReopenFile();  // open already: nothing happens
  EXPECT_EQ(zip.ReadAll(*workbook), before);
}

TEST(ZipReaderReopen, FileReplacedByAnotherPackageIsRefused) {
  SKIP_WITHOUT_OPENPYXL();
  const std::string dir = ScratchDir();
  const std::string path = dir + "/book.xlsx";
  CopyFile(Fixture("cell_kinds.xlsx"), path);
  ZipReader zip(path, "book.xlsx");
  zip.CloseFile();

  WriteFile(path, "not a package any more");
  EXPECT_THROW(zip.ReopenFile(), FileError);
  EXPECT_THROW(zip.ReadAll(0), FileError);  // still closed

  // Another package, even one of the same shape, is not read with this
  // reader's directory.
  CopyFile(Fixture("kept_features.xlsx"), path);
  EXPECT_THROW(zip.ReopenFile(), FileError);
  EXPECT_THROW(zip.ReadAll(0), FileError);
}

}  // namespace
}  // namespace sheetwright::files
