// "GetWorksheetData" and "GetMoreWorksheetData": page limits, the one-cell
// and empty-sheet answers, sheet switching and the paging state.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

Reply LoadSheet(const std::string& session, const std::string& sheet) {
  return Send(Command("GetWorksheetData", session).Param("SheetOption", 1).Param("SheetName", sheet));
}

Reply MorePages(const std::string& session) { return Send(Command("GetMoreWorksheetData", session)); }

TEST(WorksheetPagingTest, PagesEndAfterTheRowThatReachesALimit) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("pages", FixturePath("paging.xlsx")).status);
  struct Case {
    const char* sheet;
    size_t columns;
    std::vector<size_t> pageRows;
    std::vector<std::string> firstRow;
    std::vector<std::string> lastRow;
  };
  const Case cases[] = {
      // 3 cells a row: 10,002 cells after row 3334.
      {"Cells3x5000", 3, {3334, 1666}, {"1", "2", "3"}, {"5000", "10000", "15000"}},
      // 10 characters a row: 61,440 characters after row 6144.
      {"Chars1x20000", 1, {6144, 6144, 6144, 1568}, {"0000000001"}, {"0000020000"}},
      // 10,000 cells exactly on the last row: one page, nothing more.
      {"Exact2x5000", 2, {5000}, {"1", "-1"}, {"5000", "-5000"}},
      // A row wider than the cell limit comes whole, in a page of its own.
      {"Wide12000", 12000, {1, 1}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheet);
    std::vector<std::vector<std::string>> all;
    Reply page = LoadSheet("pages", c.sheet);
    for (size_t p = 0; p < c.pageRows.size(); ++p) {
      SCOPED_TRACE("page " + std::to_string(p + 1));
      EXPECT_TRUE(page.status) << page.json.substr(0, 300);
      EXPECT_EQ(page.type, "TABLE_RESPONSE");
      EXPECT_EQ(page.errorCode, "");
      ASSERT_EQ(page.rows.size(), c.pageRows[p]);
      EXPECT_EQ(page.more, p + 1 < c.pageRows.size());
      for (auto& row : page.rows) {
        EXPECT_EQ(row.size(), c.columns);
        all.push_back(std::move(row));
      }
      if (p + 1 < c.pageRows.size()) page = MorePages("pages");
    }
    if (!c.firstRow.empty()) {
      EXPECT_EQ(all.front(), c.firstRow);
      EXPECT_EQ(all.back(), c.lastRow);
    }
    // The snapshot was released with the last row.
    const Reply after = MorePages("pages");
    EXPECT_TRUE(after.status);
    EXPECT_EQ(after.type, "TABLE_RESPONSE");
    EXPECT_TRUE(after.rows.empty());
    EXPECT_FALSE(after.more);
  }
  const Reply wide = LoadSheet("pages", "Wide12000");
  ASSERT_EQ(wide.rows.size(), 1u);
  EXPECT_EQ(wide.rows[0].front(), "1");
  EXPECT_EQ(wide.rows[0].back(), "12000");
  EXPECT_EQ(MorePages("pages").rows.at(0).back(), "w");
  Close("pages");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(WorksheetPagingTest, SmallShapesAndTheirAnswers) {
  ASSERT_TRUE(Open("shapes", FixturePath("shapes.xlsx")).status);
  struct Case {
    const char* sheet;
    bool status;
    const char* type;
    const char* code;
    const char* range;  // the "Range" parameter of a failure
    std::vector<std::vector<std::string>> rows;
  };
  const Case cases[] = {
      {"Empty", false, "", "EXCEL_QUV_SHEET_AS_TABLE_103", "A1:A1", {}},
      // One cell: one row in a status response, not a table response.
      {"OnlyC3", true, "", "", nullptr, {{"x"}}},
      // A single 0 is a value like any other.
      {"ZeroC3", true, "", "", nullptr, {{"0"}}},
      // Row 1 of the table is worksheet row 2.
      {"BlockB2D4", true, "TABLE_RESPONSE", "", nullptr,
       {{"B2", "C2", "D2"}, {"B3", "C3", "D3"}, {"B4", "C4", "D4"}}},
      // Numbers, Booleans, error values and empty cells.
      {"Mixed", true, "TABLE_RESPONSE", "", nullptr, {{"1", "TRUE", ""}, {"", "FALSE", "t"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sheet);
    const Reply reply = LoadSheet("shapes", c.sheet);
    EXPECT_EQ(reply.status, c.status) << reply.json;
    EXPECT_EQ(reply.type, c.type);
    EXPECT_EQ(reply.errorCode, c.code);
    EXPECT_EQ(reply.rows, c.rows);
    EXPECT_FALSE(reply.more);
    if (c.range != nullptr) {
      EXPECT_EQ(reply.parameters.at("Range"), c.range);
    } else {
      EXPECT_TRUE(reply.parameters.empty());
    }
    const Reply more = MorePages("shapes");
    EXPECT_TRUE(more.rows.empty());
    EXPECT_FALSE(more.more);
  }
  Close("shapes");
}

TEST(WorksheetPagingTest, SheetOptionSwitchesOnlyWhenAsked) {
  ASSERT_TRUE(Open("opt", FixturePath("shapes.xlsx"), "BlockB2D4").status);
  struct Case {
    const char* name;
    long option;
    const char* sheet;
    const char* code;
    const char* firstCell;  // first cell of the answer
  };
  const Case cases[] = {
      {"current sheet", 0, "", "", "B2"},
      {"other option reads the current sheet", 2, "OnlyC3", "", "B2"},
      {"switch by name", 1, "Mixed", "", "1"},
      {"stays switched", 0, "", "", "1"},
      {"unknown name", 1, "Nope", "EXCEL_QUV_SHEET_AS_TABLE_102", nullptr},
      {"sheet kept after a failed switch", 0, "", "", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply =
        Send(Command("GetWorksheetData", "opt").Param("SheetOption", c.option).Param("SheetName", c.sheet));
    EXPECT_EQ(reply.errorCode, c.code) << reply.json;
    if (c.firstCell != nullptr) {
      ASSERT_FALSE(reply.rows.empty());
      EXPECT_EQ(reply.rows[0][0], c.firstCell);
    } else {
      EXPECT_FALSE(reply.status);
      EXPECT_EQ(reply.parameters.at("SheetName"), c.sheet);
    }
  }
  Close("opt");
}

TEST(WorksheetPagingTest, SnapshotSurvivesFailuresAndOtherCommands) {
  ASSERT_TRUE(Open("state", CopyOfFixture("paging.xlsx")).status);
  ASSERT_TRUE(LoadSheet("state", "Cells3x5000").more);
  // A failed switch happens before any values are read: the snapshot stays.
  EXPECT_EQ(LoadSheet("state", "Nope").errorCode, "EXCEL_QUV_SHEET_AS_TABLE_102");
  // Edits and switches do not touch the snapshot either.
  ASSERT_TRUE(Send(Command("SetCell", "state").Param("SetCellOption", 1).Param("SpecifiedCellFrom", "A4000").Param("SetCellValue", "edited")).status);
  ASSERT_TRUE(SwitchByName("state", "Wide12000").status);
  const Reply rest = MorePages("state");
  EXPECT_TRUE(rest.status);
  ASSERT_EQ(rest.rows.size(), 1666u);
  EXPECT_EQ(rest.rows[4000 - 3335][0], "4000");
  EXPECT_FALSE(rest.more);
  Close("state");
}

}  // namespace
}  // namespace session_test
