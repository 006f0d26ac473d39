// "FindNextEmptyCell", "GoToNextEmptyCell" in the four directions, and
// "RemoveBlankRows" with each start and end option.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

TEST(EmptyCellTest, FindsTheNearestEmptyCell) {
  const long start = LiveServerObjects();
  struct Case {
    const char* name;
    long cellOption;
    const char* from;
    long searchOption;
    const char* found;  // the row's text; null for a failure
    const char* code;
    const char* parameter;  // "key=value" of a failure
  };
  // editing.xlsx "Gaps": B2:D2, F2, B3, B4, B6 hold values; B7 a formula giving "".
  const Case cases[] = {
      {"right", 1, "B2", 1, "E2", "", ""},
      {"down (option 0)", 1, "B2", 0, "B5", "", ""},
      {"down (option 2)", 1, "B2", 2, "B5", "", ""},
      {"empty text is not empty", 1, "B6", 0, "B8", "", ""},
      {"second-to-last column", 1, "XFC1", 1, "", "EXCEL_QUV_FINDNEXTEMPTYCELL_101", "CellAddress=XFC1"},
      {"below the used range", 1, "B50", 0, nullptr, "EXCEL_QUV_FINDNEXTEMPTYCELL_101", "CellAddress=B50"},
      {"bad address", 1, "B0", 0, nullptr, "EXCEL_QUV_FINDNEXTEMPTYCELL_100", "Range=A1:F7"},
  };
  ASSERT_TRUE(Open("empty", FixturePath("editing.xlsx"), "Gaps").status);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reply reply = Send(Command("FindNextEmptyCell", "empty")
                                 .Param("CellOption", c.cellOption)
                                 .Param("SpecifiedCellFrom", c.from)
                                 .Param("SearchOption", c.searchOption));
    EXPECT_EQ(reply.errorCode, c.code);
    if (std::string(c.code).empty()) {
      EXPECT_TRUE(reply.status);
      EXPECT_EQ(reply.type, "");  // GENERIC, with the row in the table part
      EXPECT_EQ(reply.OnlyCell(), c.found);
    } else {
      EXPECT_FALSE(reply.status);
      const std::string parameter = c.parameter;
      const size_t eq = parameter.find('=');
      EXPECT_EQ(reply.parameters[parameter.substr(0, eq)], parameter.substr(eq + 1));
    }
  }
  Close("empty", 0);
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(EmptyCellTest, GoToSelectsTheNearestEmptyCell) {
  const long start = LiveServerObjects();
  struct Case {
    const char* name;
    const char* from;
    long towards;
    const char* selected;  // where "SetCell" on the active cell then writes
  };
  const Case cases[] = {
      {"left", "E2", 0, "A2"},          {"right", "B2", 1, "E2"},  {"up", "B7", 2, "B5"},
      {"down", "B2", 3, "B5"},          {"down, negative code", "B2", -4, "B5"},
      {"left from column A", "A3", 0, "A3"},  // nothing selected: the start stays active
      {"up from row 1", "C1", 2, "C1"},
      {"below the used range is scanned", "B50", 2, "B49"},
      {"one-cell stretch", "XFC1", 1, "XFD1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open("goto", FixturePath("editing.xlsx"), "Gaps").status);
    ASSERT_TRUE(Send(Command("GoToCell", "goto").Param("CellOption", 1).Param("SpecifiedCellFrom", c.from)).status);
    const Reply reply = Send(Command("GoToNextEmptyCell", "goto").Param("CellOption", 0).Param("ToWards", c.towards));
    EXPECT_TRUE(reply.status);
    ASSERT_TRUE(Send(Command("SetCell", "goto").Param("SetCellOption", 0).Param("SetCellValue", "here")).status);
    EXPECT_EQ(ReadCell("goto", c.selected).OnlyCell(), "here");
    Close("goto", 0);
  }
  ASSERT_TRUE(Open("goto", FixturePath("editing.xlsx"), "Gaps").status);
  Reply bad = Send(Command("GoToNextEmptyCell", "goto").Param("CellOption", 1).Param("SpecifiedCellFrom", "?"));
  EXPECT_EQ(bad.errorCode, "EXCEL_QUV_GOTONEXTEMPTYCELL_100");
  EXPECT_EQ(bad.parameters["Range"], "A1:F7");
  Close("goto", 0);
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(RemoveBlankRowsTest, StartAndEndOptions) {
  const long start = LiveServerObjects();
  struct Case {
    const char* name;
    long beginOption, beginSource, beginRow;
    const char* beginCell;
    long endOption, endSource, endRow;
    const char* code;
    const char* parameter;
    std::vector<const char*> columnB;  // B1.. after the command
  };
  // editing.xlsx "Blank": B3:D10 with rows 5 and 8 blank.
  const Case cases[] = {
      {"whole range", 0, 0, 0, "", 0, 0, 0, "", "", {"B3", "B4", "B6", "B7", "B9", "B10", ""}},
      {"start at row 2", 1, 0, 2, "", 0, 0, 0, "", "", {"", "B3", "B4", "B6", "B7", "B9", "B10", ""}},
      {"start at C4's row", 1, 1, 0, "C4", 0, 0, 0, "", "", {"", "", "B3", "B4", "B6", "B7", "B9", "B10"}},
      {"end at row 6", 0, 0, 0, "", 1, 0, 6, "", "", {"B3", "B4", "B6", "B7", "", "B9", "B10"}},
      {"end and start reversed", 1, 0, 9, "", 1, 0, 4, "", "", {"", "", "B3", "B4", "B6", "B7", "B9", "B10"}},
      {"end beyond the used range", 0, 0, 0, "", 1, 0, 20, "EXCEL_QUV_RMV_BLK_ROW_102", "20",
       {"", "", "B3", "B4", ""}},
      {"start beyond the used range", 1, 0, 20, "", 1, 0, 30, "EXCEL_QUV_RMV_BLK_ROW_101", "20",
       {"", "", "B3"}},
      {"row source without a row", 1, 7, 0, "", 0, 0, 0, "EXCEL_QUV_RMV_BLK_ROW_101", "0", {"", "", "B3"}},
      {"cell that does not exist", 1, 1, 0, "Q0", 0, 0, 0, "EXCEL_QUV_RMV_BLK_ROW_101", "0", {"", "", "B3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open("blank", FixturePath("editing.xlsx"), "Blank").status);
    Reply reply = Send(Command("RemoveBlankRows", "blank")
                                 .Param("BeginningRowOption", c.beginOption)
                                 .Param("BeginningSpecificRowOption", c.beginSource)
                                 .Param("BeginningRowNumber", c.beginRow)
                                 .Param("BeginningCellAddress", c.beginCell)
                                 .Param("EndRowOption", c.endOption)
                                 .Param("EndSpecificRowOption", c.endSource)
                                 .Param("EndRowNumber", c.endRow)
                                 .Param("EndCellAddress", ""));
    EXPECT_EQ(reply.status, std::string(c.code).empty());
    EXPECT_EQ(reply.errorCode, c.code);
    if (*c.parameter) {
      EXPECT_EQ(reply.parameters["RowNumber"], c.parameter);
    }
    for (size_t k = 0; k < c.columnB.size(); ++k) {
      const std::string address = "B" + std::to_string(k + 1);
      EXPECT_EQ(ReadCell("blank", address).OnlyCell(), c.columnB[k]) << address;
    }
    Close("blank", 0);
  }
  // No workbook: no used range to read.
  EXPECT_EQ(Send(Command("RemoveBlankRows", "nothing")).errorCode, "EXCEL_QUV_RMV_BLK_ROW_100");
  Detach("nothing");
  EXPECT_EQ(LiveServerObjects(), start);
}

}  // namespace
}  // namespace session_test
