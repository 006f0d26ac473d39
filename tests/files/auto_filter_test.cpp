// The sheet's AutoFilter: read from the file, moved by deletions, switched
// off with the rows it hid shown again.
#include "server/files/auto_filter.h"

#include <gtest/gtest.h>

#include "server/files/package_data.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using engine::CellRect;
using namespace testing;

bool RowHidden(const engine::Workbook& book, const engine::Sheet& sheet, int32_t row) {
  const auto& extras = dynamic_cast<const WorkbookFileData&>(*book.fileData).rowExtras;
  const uint32_t id = sheet.RowExtra(row);
  return id != 0 && extras[id - 1].find("hidden=") != std::string::npos;
}

TEST(AutoFilterTest, RangeFollowsDeletionsAndGoesWithItsHiddenRows) {
  SKIP_WITHOUT_OPENPYXL();
  const std::string path = ScratchDir() + "/filtered.xlsx";
  CopyFile(Fixture("filtered.xlsx"), path);
  engine::Workbook book;
  MustLoad(path, book);
  engine::Sheet& sheet = *book.sheets[0];
  EXPECT_EQ(AutoFilterRange(sheet), (CellRect{1, 1, 8, 3}));

  sheet.DeleteRows(2, 1);  // row 3, hidden by the filter, becomes row 2
  sheet.DeleteColumns(1, 1);
  EXPECT_EQ(AutoFilterRange(sheet), (CellRect{1, 1, 7, 2}));
  EXPECT_TRUE(RowHidden(book, sheet, 2));
  EXPECT_TRUE(RowHidden(book, sheet, 4));
  EXPECT_TRUE(RowHidden(book, sheet, 9));

  EXPECT_TRUE(RemoveAutoFilter(book, sheet));
  EXPECT_FALSE(AutoFilterRange(sheet));
  EXPECT_FALSE(RemoveAutoFilter(book, sheet)) << "no filter left to remove";
  EXPECT_FALSE(RowHidden(book, sheet, 2));
  EXPECT_FALSE(RowHidden(book, sheet, 4));
  EXPECT_TRUE(RowHidden(book, sheet, 9)) << "outside the filter's range";

  MustSave(book);
  engine::Workbook again;
  MustLoad(path, again);
  EXPECT_FALSE(AutoFilterRange(*again.sheets[0]));
  EXPECT_FALSE(RowHidden(again, *again.sheets[0], 2));
  EXPECT_TRUE(RowHidden(again, *again.sheets[0], 9));
}

TEST(AutoFilterTest, SaveKeepsAFilterThatWasNotRemoved) {
  SKIP_WITHOUT_OPENPYXL();
  const std::string path = ScratchDir() + "/filtered.xlsx";
  CopyFile(Fixture("filtered.xlsx"), path);
  engine::Workbook book;
  MustLoad(path, book);
  book.sheets[0]->DeleteRows(1, 2);
  MustSave(book);
  EXPECT_EQ(AutoFilterRange(*book.sheets[0]), (CellRect{1, 1, 6, 3}));
  engine::Workbook again;
  MustLoad(path, again);
  EXPECT_EQ(AutoFilterRange(*again.sheets[0]), (CellRect{1, 1, 6, 3}));
}

}  // namespace
}  // namespace sheetwright::files
