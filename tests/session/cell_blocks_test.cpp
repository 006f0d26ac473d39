// "GetMultipleCells": its three options, one-cell answers, failures, and the
// paging it shares with "GetWorksheetData".
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

Reply Block(const std::string& session, int option, const std::string& from = "", const std::string& to = "",
            long rowFrom = 1, long rowTo = 1) {
  Command command("GetMultipleCells", session);
  command.Param("GetMultipleCellsOption", option);
  if (!from.empty()) command.Param("SpecifiedCellFrom", from);
  if (!to.empty()) command.Param("SpecifiedCellTo", to);
  return Send(command.Param("SpecifiedRowFrom", rowFrom).Param("SpecifiedRowTo", rowTo));
}

// Rows of cells named by their own addresses, as the grid fixtures hold them.
Rows AddressRows(const std::string& columns, int firstRow, int lastRow) {
  Rows rows;
  for (int row = firstRow; row <= lastRow; ++row) {
    std::vector<std::string> line;
    for (char column : columns) line.push_back(std::string(1, column) + std::to_string(row));
    rows.push_back(line);
  }
  return rows;
}

TEST(CellBlocksTest, OptionsReadTheirBlocks) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("blocks", FixturePath("grid.xlsx"), "Inner").status);  // used range B2:F30
  struct Case {
    const char* what;
    int option;
    const char* from;
    const char* to;
    long rowFrom, rowTo;
    Rows rows;
  };
  Rows fromA1 = AddressRows("ABCDEF", 1, 30);
  for (auto& row : fromA1) row[0].clear();  // column A and row 1 are empty
  for (auto& cell : fromA1[0]) cell.clear();
  const Case cases[] = {
      {"option 0: A1 to the used range's end", 0, "", "", 1, 1, fromA1},
      {"option 1: used-range rows 4 to 6", 1, "", "", 4, 6, AddressRows("BCDEF", 4, 6)},
      {"option 1: rows given the other way round", 1, "", "", 6, 4, AddressRows("BCDEF", 4, 6)},
      {"option 1: one row", 1, "", "", 30, 30, AddressRows("BCDEF", 30, 30)},
      {"option 2: between two addresses", 2, "B2", "D4", 1, 1, AddressRows("BCD", 2, 4)},
      {"option 2: reversed corners", 2, "D4", "B2", 1, 1, AddressRows("BCD", 2, 4)},
      {"option 2: lower-case addresses", 2, "c5", "d6", 1, 1, AddressRows("CD", 5, 6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = Block("blocks", c.option, c.from, c.to, c.rowFrom, c.rowTo);
    EXPECT_TRUE(reply.status) << reply.json.substr(0, 300);
    EXPECT_EQ(reply.type, "TABLE_RESPONSE");
    EXPECT_EQ(reply.errorCode, "");
    EXPECT_FALSE(reply.more);
    EXPECT_EQ(reply.rows, c.rows);
  }
  Close("blocks");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(CellBlocksTest, OneCellIsAnsweredDirectlyAndLeavesThePagingState) {
  ASSERT_TRUE(Open("one", FixturePath("paging.xlsx"), "Cells3x5000").status);
  // A block of several pages is being read...
  const Reply first = Block("one", 0);
  ASSERT_TRUE(first.status);
  ASSERT_EQ(first.rows.size(), 3334u);
  EXPECT_TRUE(first.more);
  // ...one cell answers at once, as a status response...
  for (const auto& corners : {std::pair<const char*, const char*>{"B2", "B2"}, {"B2", "$B$2"}}) {
    SCOPED_TRACE(corners.second);
    const Reply cell = Block("one", 2, corners.first, corners.second);
    EXPECT_TRUE(cell.status) << cell.json;
    EXPECT_EQ(cell.type, "");
    EXPECT_EQ(cell.OnlyCell(), "4");
    EXPECT_FALSE(cell.more);
  }
  // ...and the block continues where it was.
  const Reply rest = Send(Command("GetMoreWorksheetData", "one"));
  ASSERT_EQ(rest.rows.size(), 1666u);
  EXPECT_EQ(rest.rows.front(), (std::vector<std::string>{"3335", "6670", "10005"}));
  EXPECT_FALSE(rest.more);
  Close("one");
}

TEST(CellBlocksTest, PagesOfALargeBlockComeThroughGetMoreWorksheetData) {
  ASSERT_TRUE(Open("paged", FixturePath("paging.xlsx"), "Chars1x20000").status);
  // Rows 2 to 19,999: 19,998 rows of 10 characters, 6,144 rows a page.
  Reply page = Block("paged", 1, "", "", 2, 19999);
  std::vector<size_t> sizes;
  Rows all;
  while (true) {
    ASSERT_TRUE(page.status);
    ASSERT_EQ(page.type, "TABLE_RESPONSE");
    sizes.push_back(page.rows.size());
    all.insert(all.end(), page.rows.begin(), page.rows.end());
    if (!page.more) break;
    page = Send(Command("GetMoreWorksheetData", "paged"));
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{6144, 6144, 6144, 1566}));
  ASSERT_EQ(all.size(), 19998u);
  EXPECT_EQ(all.front(), std::vector<std::string>{"0000000002"});
  EXPECT_EQ(all.back(), std::vector<std::string>{"0000019999"});
  Close("paged");
}

TEST(CellBlocksTest, FailuresAnswerTheirCode) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("bad", FixturePath("shapes.xlsx"), "BlockB2D4").status);
  struct Case {
    const char* what;
    int option;
    const char* from;
    const char* to;
    long rowFrom, rowTo;
  };
  const Case cases[] = {
      {"option 3", 3, "B2", "D4", 1, 1},
      {"option -1", -1, "B2", "D4", 1, 1},
      {"row 0", 1, "", "", 0, 3},
      {"negative row", 1, "", "", -4, 3},
      {"row past the sheet", 1, "", "", 1, 1048577},
      {"address the application rejects", 2, "A0", "B2", 1, 1},
      {"column past the sheet", 2, "A1", "XFE1", 1, 1},
      {"no addresses", 2, "", "", 1, 1},
      {"one address", 2, "B2", "", 1, 1},
      {"one cell the application rejects", 2, "A0", "A0", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = Block("bad", c.option, c.from, c.to, c.rowFrom, c.rowTo);
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.type, "");
    EXPECT_EQ(reply.errorCode, "EXCEL_QUV_GET_MULTIPLE_CELL_100");
    EXPECT_TRUE(reply.rows.empty());
  }
  // An empty sheet's used range is A1: one empty cell.
  ASSERT_TRUE(SwitchByName("bad", "Empty").status);
  const Reply empty = Block("bad", 0);
  EXPECT_TRUE(empty.status);
  EXPECT_EQ(empty.OnlyCell(), "");
  // A cell holding 0 is read as 0, not as missing.
  ASSERT_TRUE(SwitchByName("bad", "ZeroC3").status);
  EXPECT_EQ(Block("bad", 2, "C3", "C3").OnlyCell(), "0");
  const Reply zeroBlock = Block("bad", 0);
  ASSERT_EQ(zeroBlock.rows.size(), 3u);
  EXPECT_EQ(zeroBlock.rows[2], (std::vector<std::string>{"", "", "0"}));
  Close("bad");
  // Without a workbook every option fails the same way.
  for (int option : {0, 1, 2}) {
    SCOPED_TRACE(option);
    const Reply closed = Block("bad", option, "A1", "B2", 1, 2);
    EXPECT_FALSE(closed.status);
    EXPECT_EQ(closed.errorCode, "EXCEL_QUV_GET_MULTIPLE_CELL_100");
  }
  EXPECT_EQ(Send(Command("ReadColumn", "bad").Param("CellOption", 1).Param("CellAddress", "A1")).errorCode,
            "EXCEL_QUV_READ_COL_103");
  EXPECT_EQ(LiveServerObjects(), start);
}

}  // namespace
}  // namespace session_test
