// "GetCellAddress" with and without a header row, "GetColumnName" and
// "GetRowNumber".
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

using Parameters = std::map<std::string, std::string>;

Reply CellAddress(const std::string& session, int option, const std::string& title, long position) {
  return Send(Command("GetCellAddress", session)
                  .Param("CellOption", option)
                  .Param("ColumnTitle", title)
                  .Param("CellPosition", position));
}

struct AddressCase {
  const char* title;
  long position;
  const char* address;  // the answer, or null for a failure
  const char* code;
  Parameters parameters;
};

void Check(const std::string& session, const AddressCase& c) {
  SCOPED_TRACE(std::string(c.title) + " @ " + std::to_string(c.position));
  const Reply reply = CellAddress(session, 1, c.title, c.position);
  EXPECT_EQ(reply.type, "");
  if (c.address != nullptr) {
    EXPECT_TRUE(reply.status) << reply.json;
    EXPECT_EQ(reply.OnlyCell(), c.address);
    EXPECT_EQ(reply.errorCode, "");
  } else {
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.errorCode, c.code);
    EXPECT_EQ(reply.parameters, c.parameters);
    EXPECT_TRUE(reply.rows.empty());
  }
}

TEST(HeaderAddressingTest, TitlesAreLookedUpInTheHeaderRow) {
  const long start = LiveServerObjects();
  // Row 1: Name, "Preis €", (empty), "Größe 東京", Name.
  ASSERT_TRUE(Open("titles", FixturePath("reading.xlsx"), "Titles", 1).status);
  const AddressCase cases[] = {
      {"Preis €", 1, "B2", "", {}},
      {"Größe 東京", 3, "D4", "", {}},
      {"Name", 2, "A3", "", {}},  // two columns carry it: the left-most
      {"", 1, "C2", "", {}},      // the empty title of column C
      {"Preis €", 0, "B1", "", {}},
      {"Preis €", 1048575, "B1048576", "", {}},
      {"name", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_102", {{"ColumnTitle", "name"}}},
      {"Preis", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_102", {{"ColumnTitle", "Preis"}}},
      {"B", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_102", {{"ColumnTitle", "B"}}},
      {"Preis €", -1, nullptr, "EXCEL_QUV_GET_CELL_ADD_103", {{"CellPosition", "-1"}}},
      {"Nothing", -1, nullptr, "EXCEL_QUV_GET_CELL_ADD_103", {{"CellPosition", "-1"}}},
      {"Preis €", 1048576, nullptr, "EXCEL_QUV_GET_CELL_ADD_103", {{"CellPosition", "1048576"}}},
      {"Preis €", 2147483647, nullptr, "EXCEL_QUV_GET_CELL_ADD_103", {{"CellPosition", "2147483647"}}},
  };
  for (const AddressCase& c : cases) Check("titles", c);
  // A header row that does not start in row 1 gives no titles.
  ASSERT_TRUE(Open("below", FixturePath("header.xlsx"), "Below", 1).status);
  Check("below", {"Title", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_102", {{"ColumnTitle", "Title"}}});
  // Switching to a sheet with titles builds its map.
  ASSERT_TRUE(SwitchByName("below", "People").status);
  Check("below", {"Age", 1, "B2", "", {}});
  Close("below");
  Close("titles");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(HeaderAddressingTest, WithoutAHeaderTheTitleIsColumnLetters) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("letters", FixturePath("reading.xlsx"), "Titles", 0).status);
  const AddressCase cases[] = {
      {"AB", 7, "AB7", "", {}},
      {"d", 4, "D4", "", {}},
      {"XFD", 1048576, "XFD1048576", "", {}},
      {"ABCD", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_104", {{"ColumnTitle", "ABCD"}}},
      {"A1", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_104", {{"ColumnTitle", "A1"}}},
      {"Äb", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_104", {{"ColumnTitle", "Äb"}}},
      {"D", 0, nullptr, "EXCEL_QUV_GET_CELL_ADD_104", {{"ColumnTitle", "D"}}},
      {"XFE", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_104", {{"ColumnTitle", "XFE"}}},
      {"D", 1048577, nullptr, "EXCEL_QUV_GET_CELL_ADD_104", {{"ColumnTitle", "D"}}},
      {"", 5, nullptr, "EXCEL_QUV_GET_CELL_ADD_104", {{"ColumnTitle", ""}}},
      {"D", -1, nullptr, "EXCEL_QUV_GET_CELL_ADD_101", {}},
      {"Name", 1, nullptr, "EXCEL_QUV_GET_CELL_ADD_104", {{"ColumnTitle", "Name"}}},
  };
  for (const AddressCase& c : cases) Check("letters", c);
  // Option 0 answers the active cell, whatever title and position say.
  ASSERT_TRUE(Send(Command("GoToCell", "letters").Param("CellOption", 1).Param("SpecifiedCellFrom", "C12")).status);
  EXPECT_EQ(CellAddress("letters", 0, "ABCD", -5).OnlyCell(), "C12");
  Close("letters");
  const Reply closed = CellAddress("letters", 0, "", 1);
  EXPECT_FALSE(closed.status);
  EXPECT_EQ(closed.errorCode, "EXCEL_QUV_GET_CELL_ADD_105");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(HeaderAddressingTest, ColumnNameAndRowNumberOfACell) {
  const long start = LiveServerObjects();
  for (int header : {0, 1}) {
    SCOPED_TRACE(header);
    ASSERT_TRUE(Open("names", FixturePath("header.xlsx"), "People", header).status);
    struct Case {
      int option;
      const char* address;
      const char* column;  // answers, or null for a failure
      const char* row;
      const char* columnCode;
      const char* rowCode;
    };
    const Case cases[] = {
        {1, "AB17", "AB", "17", "", ""},
        {1, "$c$9", "C", "9", "", ""},
        {1, "XFD1048576", "XFD", "1048576", "", ""},
        {1, "B2:D4", "B", "2", "", ""},
        {0, "", "A", "1", "", ""},
        {2, "AB17", nullptr, nullptr, "EXCEL_QUV_GET_COLUMN_NAME_100", "EXCEL_QUV_GET_ROW_NUM_100"},
        {1, "A0", nullptr, nullptr, "EXCEL_QUV_GET_COLUMN_NAME_100", "EXCEL_QUV_GET_ROW_NUM_100"},
        {1, "", nullptr, nullptr, "EXCEL_QUV_GET_COLUMN_NAME_100", "EXCEL_QUV_GET_ROW_NUM_100"},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.address);
      const Reply column = Send(Command("GetColumnName", "names").Param("CellOption", c.option).Param("CellAddress", c.address));
      const Reply row = Send(Command("GetRowNumber", "names").Param("CellOption", c.option).Param("CellAddress", c.address));
      EXPECT_EQ(column.status, c.column != nullptr);
      EXPECT_EQ(row.status, c.row != nullptr);
      EXPECT_EQ(column.errorCode, c.columnCode);
      EXPECT_EQ(row.errorCode, c.rowCode);
      if (c.column != nullptr) {
        EXPECT_EQ(column.OnlyCell(), c.column);
      }
      if (c.row != nullptr) {
        EXPECT_EQ(row.OnlyCell(), c.row);
      }
    }
    Close("names");
  }
  // No active cell without a workbook.
  EXPECT_EQ(Send(Command("GetColumnName", "names").Param("CellOption", 0)).errorCode, "EXCEL_QUV_GET_COLUMN_NAME_101");
  EXPECT_EQ(Send(Command("GetRowNumber", "names").Param("CellOption", 0)).errorCode, "EXCEL_QUV_GET_ROW_NUM_101");
  EXPECT_EQ(Send(Command("GetRowNumber", "names").Param("CellOption", 1).Param("CellAddress", "B2")).errorCode,
            "EXCEL_QUV_GET_ROW_NUM_100");
  EXPECT_EQ(LiveServerObjects(), start);
}

}  // namespace
}  // namespace session_test
