// "GetSingleRow" (the row walk and its cache) and "ReadRow" / "ReadColumn".
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

using Line = std::vector<std::string>;

Reply Row(const std::string& session, const std::string& from, const std::string& to, long row) {
  return Send(Command("GetSingleRow", session)
                  .Param("SpecifiedCellFrom", from)
                  .Param("SpecifiedCellTo", to)
                  .Param("SpecificRow", row));
}

Reply Read(const std::string& session, bool byRow, int option, const std::string& address, int full) {
  return Send(Command(byRow ? "ReadRow" : "ReadColumn", session)
                  .Param("CellOption", option)
                  .Param("CellAddress", address)
                  .Param("ReadFull", full));
}

// The texts of a "ReadColumn" answer, one per table row.
Line ColumnTexts(const Reply& reply) {
  Line texts;
  for (const auto& row : reply.rows) texts.push_back(row.size() == 1 ? row[0] : "<" + std::to_string(row.size()) + ">");
  return texts;
}

Line Addresses(const std::string& columns, int row) {
  Line line;
  for (char c : columns) line.push_back(std::string(1, c) + std::to_string(row));
  return line;
}

Line AddressesDown(char column, int firstRow, int lastRow) {
  Line line;
  for (int row = firstRow; row <= lastRow; ++row) line.push_back(std::string(1, column) + std::to_string(row));
  return line;
}

TEST(SingleRowTest, WalkReadsOnceAndEndsWithTheLastRow) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("walk", FixturePath("grid.xlsx"), "Full").status);
  std::vector<Reply> replies;
  const std::string log = CaptureLog([&] {
    for (long row : {1, 2, 3}) replies.push_back(Row("walk", "A1", "C3", row));
  });
  for (long row = 1; row <= 3; ++row) {
    SCOPED_TRACE(row);
    const Reply& reply = replies[row - 1];
    EXPECT_TRUE(reply.status) << reply.json;
    EXPECT_EQ(reply.type, "");
    ASSERT_EQ(reply.rows.size(), 1u);
    EXPECT_EQ(reply.rows[0], Addresses("ABC", static_cast<int>(row)));
    EXPECT_EQ(reply.more, row < 3);
  }
  // Rows 2 and 3 came from the values read for row 1.
  size_t reuses = 0;
  for (size_t at = log.find("Reusing dispatch"); at != std::string::npos; at = log.find("Reusing dispatch", at + 1)) {
    ++reuses;
  }
  EXPECT_EQ(reuses, 2u);
  EXPECT_NE(log.find("All records Completed"), std::string::npos);

  // Rows outside the range fail, whether the walk is loaded or not.
  for (long row : {4L, 0L, -1L, 1048577L}) {
    SCOPED_TRACE(row);
    const Reply reply = Row("walk", "A1", "C3", row);
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.errorCode, "EXCEL_QUV_GET_SINGLE_ROW_100");
    EXPECT_TRUE(reply.rows.empty());
  }
  Close("walk");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(SingleRowTest, SmallerRowsOtherRangesAndASheetSwitch) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("switch", FixturePath("grid.xlsx"), "Full").status);
  EXPECT_EQ(Row("switch", "A1", "C5", 3).rows.at(0), Addresses("ABC", 3));
  // A smaller row number while the walk lives answers from the same values.
  EXPECT_EQ(Row("switch", "A1", "C5", 1).rows.at(0), Addresses("ABC", 1));
  // Another range reads that range.
  const Reply other = Row("switch", "D10", "F12", 2);
  EXPECT_EQ(other.rows.at(0), Addresses("DEF", 11));
  EXPECT_TRUE(other.more);
  // After a sheet switch the same addresses read the new sheet: "Inner"
  // leaves column A and row 1 empty.
  Reply afterSwitch;
  const std::string log = CaptureLog([&] {
    ASSERT_TRUE(SwitchByName("switch", "Inner").status);
    afterSwitch = Row("switch", "D10", "F12", 3);
  });
  EXPECT_EQ(log.find("Reusing dispatch"), std::string::npos);
  EXPECT_TRUE(afterSwitch.status);
  EXPECT_EQ(afterSwitch.rows.at(0), Addresses("DEF", 12));
  EXPECT_FALSE(afterSwitch.more);
  EXPECT_EQ(Row("switch", "A1", "C2", 2).rows.at(0), (Line{"", "B2", "C2"}));
  // Changed cells show once the walk is read again.
  ASSERT_TRUE(Send(Command("SetCell", "switch").Param("SetCellOption", 1).Param("SpecifiedCellFrom", "B2")
                       .Param("SetCellValue", "new")).status);
  EXPECT_EQ(Row("switch", "A1", "C2", 2).rows.at(0), (Line{"", "new", "C2"}));
  Close("switch");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(SingleRowTest, OneCellRangesAndFailures) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("cells", FixturePath("shapes.xlsx"), "BlockB2D4").status);
  const Reply one = Row("cells", "B2", "B2", 1);
  EXPECT_TRUE(one.status);
  EXPECT_EQ(one.OnlyCell(), "B2");
  EXPECT_FALSE(one.more);
  std::string log = CaptureLog([] {
    const Reply second = Row("cells", "B2", "B2", 2);
    EXPECT_FALSE(second.status);
    EXPECT_EQ(second.errorCode, "EXCEL_QUV_GET_SINGLE_ROW_100");
  });
  EXPECT_NE(log.find("Nor row data is availbe"), std::string::npos);
  // An empty cell has no value; a cell holding 0 has one.
  log = CaptureLog([] {
    const Reply empty = Row("cells", "F9", "F9", 1);
    EXPECT_FALSE(empty.status);
    EXPECT_EQ(empty.errorCode, "EXCEL_QUV_GET_SINGLE_ROW_100");
  });
  EXPECT_NE(log.find("Error in get range value"), std::string::npos);
  ASSERT_TRUE(SwitchByName("cells", "ZeroC3").status);
  EXPECT_EQ(Row("cells", "C3", "C3", 1).OnlyCell(), "0");
  EXPECT_EQ(Row("cells", "C3", "$C$3", 1).OnlyCell(), "0");
  // Numbers read as the cell reads show them; errors read as empty text.
  ASSERT_TRUE(SwitchByName("cells", "Mixed").status);
  EXPECT_EQ(Row("cells", "A1", "C2", 1).rows.at(0), (Line{"1", "TRUE", ""}));
  EXPECT_EQ(Row("cells", "A1", "C2", 2).rows.at(0), (Line{"", "FALSE", "t"}));

  struct Case {
    const char* what;
    const char* from;
    const char* to;
  };
  const Case failures[] = {
      {"address the application rejects", "A0", "B2"},
      {"row past the sheet", "A1", "A1048577"},
      {"no addresses", "", ""},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.what);
    const Reply reply = Row("cells", c.from, c.to, 1);
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.errorCode, "EXCEL_QUV_GET_SINGLE_ROW_100");
  }
  Close("cells");
  // Without a worksheet the answer carries no code.
  const Reply closed = Row("cells", "A1", "B2", 1);
  EXPECT_FALSE(closed.status);
  EXPECT_EQ(closed.errorCode, "");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(ReadRowColumnTest, RowsAndColumnsToTheUsedEdge) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("read", FixturePath("grid.xlsx"), "Full").status);  // A1:F30
  struct Case {
    const char* what;
    bool byRow;
    const char* address;
    int full;
    Line texts;
  };
  const Case cases[] = {
      {"row from the cell", true, "C5", 0, Addresses("CDEF", 5)},
      {"whole row", true, "C5", 1, Addresses("ABCDEF", 5)},
      {"row from the last column", true, "F7", 0, {"F7"}},
      {"column from the cell", false, "C5", 0, AddressesDown('C', 5, 30)},
      {"whole column", false, "C5", 1, AddressesDown('C', 1, 30)},
      {"column from the last row", false, "E30", 0, {"E30"}},
      {"a block names its first cell", false, "B28:D29", 0, AddressesDown('B', 28, 30)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = Read("read", c.byRow, 1, c.address, c.full);
    EXPECT_TRUE(reply.status) << reply.json.substr(0, 300);
    EXPECT_EQ(reply.type, "");
    EXPECT_FALSE(reply.more);
    if (c.byRow) {
      ASSERT_EQ(reply.rows.size(), 1u);
      EXPECT_EQ(reply.rows[0], c.texts);
    } else {
      EXPECT_EQ(ColumnTexts(reply), c.texts);
    }
  }
  // Option 0 reads from the active cell.
  ASSERT_TRUE(Send(Command("GoToCell", "read").Param("CellOption", 1).Param("SpecifiedCellFrom", "E29")).status);
  EXPECT_EQ(ColumnTexts(Read("read", false, 0, "", 0)), (Line{"E29", "E30"}));
  EXPECT_EQ(Read("read", true, 0, "", 0).rows.at(0), (Line{"E29", "F29"}));
  Close("read");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(ReadRowColumnTest, FailuresAnswerTheirCodes) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("readbad", FixturePath("grid.xlsx"), "Full").status);
  struct Case {
    const char* what;
    bool byRow;
    int option;
    const char* address;
    int full;
    const char* code;
    const char* cellAddress;  // the "CellAddress" parameter, or null
  };
  const Case cases[] = {
      {"row right of the used area", true, 1, "G5", 0, "EXCEL_QUV_READ_ROW_101", "G5"},
      {"row right of the used area, whole row", true, 1, "G5", 1, "EXCEL_QUV_READ_ROW_101", "G5"},
      {"row below the used area", true, 1, "C31", 0, "EXCEL_QUV_READ_ROW_101", "C31"},
      {"column below the used area", false, 1, "C31", 1, "EXCEL_QUV_READ_COL_101", "C31"},
      {"option 2", true, 2, "C5", 0, "EXCEL_QUV_READ_ROW_103", nullptr},
      {"option -1", false, -1, "C5", 0, "EXCEL_QUV_READ_COL_103", nullptr},
      {"address the application rejects", false, 1, "A0", 0, "EXCEL_QUV_READ_COL_103", nullptr},
      {"empty address", true, 1, "", 0, "EXCEL_QUV_READ_ROW_103", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = Read("readbad", c.byRow, c.option, c.address, c.full);
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.errorCode, c.code);
    EXPECT_TRUE(reply.rows.empty());
    if (c.cellAddress != nullptr) {
      EXPECT_EQ(reply.parameters, (std::map<std::string, std::string>{{"CellAddress", c.cellAddress}}));
    } else {
      EXPECT_TRUE(reply.parameters.empty());
    }
  }
  Close("readbad");
  EXPECT_EQ(Read("readbad", true, 0, "", 0).errorCode, "EXCEL_QUV_READ_ROW_103");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(ReadRowColumnTest, ValuesReadAsTheOleConversionRendersThem) {
  ASSERT_TRUE(Open("texts", FixturePath("values.xlsx"), "Values").status);
  const Line column = ColumnTexts(Read("texts", false, 1, "A1", 0));
  // Rows 1-16 of column A (the used range reaches row 16).
  const Line expected{"2.5", "1234", "0", "-0.5", "1E+20", "1.2E-06", "TRUE", "FALSE",
                      "", "", "3/15/2024", "3/15/2024 6:00:00 AM", "Grüße, 東京 😀", "plain text", "",
                      "3.14159265358979"};
  EXPECT_EQ(column, expected);
  // A Boolean, an error value and a date in one row.
  EXPECT_EQ(Read("texts", true, 1, "A7", 0).rows.at(0), (Line{"TRUE", "", ""}));
  EXPECT_EQ(Read("texts", true, 1, "A11", 1).rows.at(0), (Line{"3/15/2024", "", ""}));
  // One cell: a cell holding 0 reads 0; an empty one reads as one empty text.
  EXPECT_EQ(Read("texts", true, 1, "A3", 1).rows.at(0).at(0), "0");
  ASSERT_TRUE(SwitchByName("texts", "Third").status);  // only A1
  EXPECT_EQ(Read("texts", false, 1, "A1", 0).OnlyCell(), "third-a1");
  Close("texts");
  ASSERT_TRUE(Open("empty", FixturePath("shapes.xlsx"), "Empty").status);
  const Reply empty = Read("empty", true, 1, "A1", 0);
  EXPECT_TRUE(empty.status);
  EXPECT_EQ(empty.OnlyCell(), "");
  ASSERT_TRUE(SwitchByName("empty", "ZeroC3").status);
  EXPECT_EQ(Read("empty", false, 1, "C3", 0).OnlyCell(), "0");
  Close("empty");
}

}  // namespace
}  // namespace session_test
