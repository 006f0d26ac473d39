// "GetUsedRange", "GetLastCellAddress", "SelectRows", "SelectColumns" and
// "SelectCells". A selection is checked through the active cell and, after a
// save, through the selection the saved sheet records (read with openpyxl).
#include <cstdio>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

using Parameters = std::map<std::string, std::string>;

// The active cell and the selection that the saved sheet `sheet` records,
// as "activeCell sqref".
std::string SavedSelection(const std::string& path, const std::string& sheet) {
  const std::string commandLine =
      "/usr/bin/python3 -c 'import sys, openpyxl\n"
      "s = openpyxl.load_workbook(sys.argv[1])[sys.argv[2]].sheet_view.selection[0]\n"
      "print(s.activeCell, s.sqref)' '" + path + "' '" + sheet + "'";
  std::string output;
  if (FILE* pipe = popen(commandLine.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  return output;
}

TEST(UsedRangeTest, UsedRangeAndLastCellOfSheetShapes) {
  const long start = LiveServerObjects();
  struct Case {
    const char* file;
    const char* sheet;
    const char* usedRange;
    const char* lastCell;
  };
  const Case cases[] = {
      {"grid.xlsx", "Full", "A1:F30", "F30"},
      {"grid.xlsx", "Inner", "B2:F30", "F30"},          // content away from A1
      {"shapes.xlsx", "Empty", "A1:A1", "A1"},          // an empty sheet reports A1
      {"shapes.xlsx", "OnlyC3", "C3:C3", "C3"},
      {"reading.xlsx", "Formatted", "A1:D7", "D7"},     // D7 holds only a fill
      {"reading.xlsx", "Block", "C3:E9", "E9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.sheet);
    ASSERT_TRUE(Open("used", FixturePath(c.file), c.sheet).status);
    const Reply used = Send(Command("GetUsedRange", "used"));
    EXPECT_TRUE(used.status);
    EXPECT_EQ(used.type, "TABLE_RESPONSE");
    EXPECT_EQ(used.OnlyCell(), c.usedRange);
    EXPECT_FALSE(used.more);
    const Reply last = Send(Command("GetLastCellAddress", "used"));
    EXPECT_TRUE(last.status);
    EXPECT_EQ(last.type, "TABLE_RESPONSE");
    EXPECT_EQ(last.OnlyCell(), c.lastCell);
    Close("used");
  }
  const Reply used = Send(Command("GetUsedRange", "used"));
  EXPECT_FALSE(used.status);
  EXPECT_EQ(used.type, "");
  EXPECT_EQ(used.errorCode, "EXCEL_QUV_GET_USED_RANGE_100");
  const Reply last = Send(Command("GetLastCellAddress", "used"));
  EXPECT_FALSE(last.status);
  EXPECT_EQ(last.errorCode, "EXCEL_QUV_GET_LAST_CELL_100");
  EXPECT_EQ(LiveServerObjects(), start);
}

struct SelectCase {
  const char* what;
  Command command;
  const char* selection;  // "activeCell sqref" after a save, or null for a failure
  const char* code;
  Parameters parameters;
};

Command Select(const char* name, int option) { return Command(name, "select").Param("CellOption", option); }

TEST(SelectionTest, SelectionsCoverTheUsedAreaAndMoveTheActiveCell) {
  const long start = LiveServerObjects();
  const std::string path = CopyOfFixture("grid.xlsx");
  // Used range of "Inner": B2:F30.
  const SelectCase cases[] = {
      {"rows 5 to 8", Select("SelectRows", 2).Param("SpecifiedRowFrom", 5).Param("SpecifiedRowTo", 8), "A5 A5:F8", "", {}},
      {"rows 8 to 5", Select("SelectRows", 2).Param("SpecifiedRowFrom", 8).Param("SpecifiedRowTo", 5), "A5 A5:F8", "", {}},
      {"row 5", Select("SelectRows", 1).Param("SpecifiedRowFrom", 5).Param("SpecifiedRowTo", 99), "A5 A5:F5", "", {}},
      {"columns D to E", Select("SelectColumns", 2).Param("SpecifiedColumnFrom", "D").Param("SpecifiedColumnTo", "E"),
       "D1 D1:E30", "", {}},
      {"column B", Select("SelectColumns", 1).Param("SpecifiedColumnFrom", "B"), "B1 B1:B30", "", {}},
      {"column outside the used range", Select("SelectColumns", 1).Param("SpecifiedColumnFrom", "K"), "K1 K1:K30", "", {}},
      {"cells A1 to the used end", Select("SelectCells", 3), "A1 A1:F30", "", {}},
      {"cell B2", Select("SelectCells", 1).Param("SpecifiedCellFrom", "B2"), "B2 B2", "", {}},
      {"cells B2 to D4", Select("SelectCells", 2).Param("SpecifiedCellFrom", "B2").Param("SpecifiedCellTo", "D4"),
       "B2 B2:D4", "", {}},
      {"cells D9 (the next cases start here)", Select("SelectCells", 1).Param("SpecifiedCellFrom", "D9"), "D9 D9", "", {}},
      {"active cell's row", Select("SelectRows", 0), "A9 A9:F9", "", {}},
  };
  ASSERT_TRUE(Open("select", path, "Inner").status);
  for (const SelectCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = Send(c.command);
    EXPECT_TRUE(reply.status) << reply.json;
    EXPECT_EQ(reply.type, "");
    EXPECT_TRUE(reply.rows.empty());
    // The active cell is the selection's first cell, and the saved sheet
    // records the selection.
    const std::string expected = c.selection;
    EXPECT_EQ(Send(Command("GetCellAddress", "select").Param("CellOption", 0)).OnlyCell(),
              expected.substr(0, expected.find(' ')));
    ASSERT_TRUE(Close("select", 1).status);
    EXPECT_EQ(SavedSelection(path, "Inner"), expected);
    ASSERT_TRUE(Open("select", path, "Inner").status);
  }
  // Option 0 of the other two commands, from the active cell D9 of the
  // reopened workbook after a cell selection.
  ASSERT_TRUE(Send(Select("SelectCells", 1).Param("SpecifiedCellFrom", "D9")).status);
  ASSERT_TRUE(Send(Select("SelectColumns", 0)).status);
  EXPECT_EQ(ReadActiveCell("select").OnlyCell(), "");  // D1 is empty on "Inner"
  EXPECT_EQ(Send(Command("GetCellAddress", "select").Param("CellOption", 0)).OnlyCell(), "D1");
  ASSERT_TRUE(Send(Select("SelectCells", 1).Param("SpecifiedCellFrom", "E12")).status);
  ASSERT_TRUE(Send(Select("SelectCells", 0)).status);
  ASSERT_TRUE(Close("select", 1).status);
  EXPECT_EQ(SavedSelection(path, "Inner"), "E12 E12");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(SelectionTest, FailuresAnswerTheirCodes) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("select", FixturePath("grid.xlsx"), "Inner").status);
  ASSERT_TRUE(Send(Select("SelectCells", 1).Param("SpecifiedCellFrom", "C3")).status);
  const SelectCase cases[] = {
      {"rows 0 to 5", Select("SelectRows", 2).Param("SpecifiedRowFrom", 0).Param("SpecifiedRowTo", 5), nullptr,
       "EXCEL_QUV_SELECT_ROW_100", {}},
      {"negative row", Select("SelectRows", 1).Param("SpecifiedRowFrom", -3), nullptr, "EXCEL_QUV_SELECT_ROW_100", {}},
      {"rows option 3", Select("SelectRows", 3), nullptr, "EXCEL_QUV_SELECT_ROW_100", {}},
      {"row past the sheet", Select("SelectRows", 1).Param("SpecifiedRowFrom", 1048577), nullptr,
       "EXCEL_QUV_SELECT_ROW_103", {{"Range", "A1048577:F1048577"}}},
      {"empty column", Select("SelectColumns", 1), nullptr, "EXCEL_QUV_SELECT_COL_100", {}},
      {"empty second column", Select("SelectColumns", 2).Param("SpecifiedColumnFrom", "B"), nullptr,
       "EXCEL_QUV_SELECT_COL_100", {}},
      {"columns option 3", Select("SelectColumns", 3).Param("SpecifiedColumnFrom", "B"), nullptr,
       "EXCEL_QUV_SELECT_COL_100", {}},
      {"column given as a number", Select("SelectColumns", 1).Param("SpecifiedColumnFrom", "5"), nullptr,
       "EXCEL_QUV_SELECT_COL_103", {{"Range", "51:530"}}},
      {"column past the sheet", Select("SelectColumns", 1).Param("SpecifiedColumnFrom", "XFE"), nullptr,
       "EXCEL_QUV_SELECT_COL_103", {{"Range", "XFE1:XFE30"}}},
      {"cells option 5", Select("SelectCells", 5), nullptr, "EXCEL_QUV_SELECT_CELL_103", {{"Range", ":"}}},
      {"cell the application rejects",
       Select("SelectCells", 2).Param("SpecifiedCellFrom", "A0").Param("SpecifiedCellTo", "B2"), nullptr,
       "EXCEL_QUV_SELECT_CELL_103", {{"Range", "A0:B2"}}},
      {"empty cell address", Select("SelectCells", 2).Param("SpecifiedCellFrom", "B2"), nullptr,
       "EXCEL_QUV_SELECT_CELL_103", {{"Range", "B2:"}}},
  };
  for (const SelectCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = Send(c.command);
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.errorCode, c.code);
    EXPECT_EQ(reply.parameters, c.parameters);
  }
  // Nothing moved.
  EXPECT_EQ(ReadActiveCell("select").OnlyCell(), "C3");
  // A second session on the same workbook makes another sheet active; the
  // application then refuses to select on "Inner", and the command says so.
  ASSERT_TRUE(Attach("other", FixturePath("grid.xlsx"), "Full").status);
  const Reply refused = Send(Select("SelectCells", 1).Param("SpecifiedCellFrom", "B2"));
  EXPECT_FALSE(refused.status);
  EXPECT_EQ(refused.errorCode, "EXCEL_QUV_SELECT_CELL_103");
  EXPECT_EQ(refused.parameters, (Parameters{{"Range", "B2:B2"}}));
  EXPECT_NE(refused.errorMessage.find("Select method of Range class failed"), std::string::npos) << refused.json;
  Detach("other");
  Close("select");
  // Without a workbook there is no used range.
  EXPECT_EQ(Send(Select("SelectRows", 1)).errorCode, "EXCEL_QUV_SELECT_ROW_100");
  EXPECT_EQ(Send(Select("SelectColumns", 1).Param("SpecifiedColumnFrom", "B")).errorCode, "EXCEL_QUV_SELECT_COL_100");
  EXPECT_EQ(Send(Select("SelectCells", 3)).errorCode, "EXCEL_QUV_SELECT_CELL_100");
  EXPECT_EQ(LiveServerObjects(), start);
}

}  // namespace
}  // namespace session_test
