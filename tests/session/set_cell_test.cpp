// "SetCell": one cell, a range, the active cell; header protection.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

struct Expected {
  const char* address;
  const char* text;
};

TEST(SetCellTest, WritesTargetsAndProtectsTheHeaderRow) {
  const long start = LiveServerObjects();
  struct Case {
    const char* name;
    int containHeader;
    long option;
    const char* from;
    const char* to;
    const char* value;
    const char* code;  // "" when written
    std::vector<Expected> after;
  };
  // header.xlsx "People": A1:C1 = Name, Age, Name; A2 = Ann, B2 = 31.
  const Case cases[] = {
      {"one cell", 0, 1, "B3", "", "new", "", {{"B3", "new"}, {"B2", "31"}, {"C3", "B."}}},
      {"range of six cells", 0, 1, "B2", "C4", "x", "",
       {{"B2", "x"}, {"C2", "x"}, {"B3", "x"}, {"C3", "x"}, {"B4", "x"}, {"C4", "x"}, {"A2", "Ann"}}},
      {"row 1 without header flag", 0, 1, "A1", "", "Title", "", {{"A1", "Title"}}},
      {"header cell refused", 1, 1, "A1", "", "Title", "EXCEL_QUV_SETCELL_101", {{"A1", "Name"}}},
      {"range from row 1 refused", 1, 1, "A1", "C5", "x", "EXCEL_QUV_SETCELL_101",
       {{"A1", "Name"}, {"B3", "42"}, {"C5", ""}}},
      {"header cell by absolute address refused", 1, 1, "$B$1", "", "x", "EXCEL_QUV_SETCELL_101",
       {{"B1", "Age"}}},
      {"range below the header written", 1, 1, "A2", "C5", "y", "", {{"A2", "y"}, {"C5", "y"}, {"A1", "Name"}}},
      {"empty value empties the cell", 1, 1, "A2", "", "", "", {{"A2", ""}}},
      {"non-ASCII value", 1, 1, "A3", "", "Zoë 東京", "", {{"A3", "Zoë 東京"}}},
      {"option 2", 0, 2, "B3", "", "no", "EXCEL_QUV_SETCELL_100", {{"B3", "42"}}},
      {"negative option", 0, -1, "B3", "", "no", "EXCEL_QUV_SETCELL_100", {{"B3", "42"}}},
      {"rejected address", 0, 1, "A0", "", "no", "EXCEL_QUV_SETCELL_100", {{"A1", "Name"}}},
      {"empty address", 0, 1, "", "", "no", "EXCEL_QUV_SETCELL_100", {{"A1", "Name"}}},
      {"address with blanks", 0, 1, "B 3", "", "no", "EXCEL_QUV_SETCELL_100", {{"B3", "42"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open("set", FixturePath("header.xlsx"), "People", c.containHeader).status);
    const Reply reply = Send(Command("SetCell", "set")
                                 .Param("SetCellOption", c.option)
                                 .Param("SpecifiedCellFrom", c.from)
                                 .Param("SpecifiedCellTo", c.to)
                                 .Param("SetCellValue", c.value));
    EXPECT_TRUE(reply.hasDefault) << reply.json;
    EXPECT_EQ(reply.status, std::string(c.code).empty()) << reply.json;
    EXPECT_EQ(reply.errorCode, c.code);
    EXPECT_EQ(reply.type, "");
    for (const Expected& e : c.after) {
      SCOPED_TRACE(e.address);
      EXPECT_EQ(ReadCell("set", e.address).OnlyCell(), e.text);
    }
    Close("set", 0);
  }
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(SetCellTest, ActiveCellFollowsTheHeaderRule) {
  struct Case {
    const char* name;
    int containHeader;
    const char* goTo;  // "" keeps the active cell A1 of the freshly opened sheet
    const char* code;
    Expected after;
  };
  const Case cases[] = {
      {"A1 with header flag", 1, "", "EXCEL_QUV_SETCELL_101", {"A1", "Name"}},
      {"A1 without header flag", 0, "", "", {"A1", "active"}},
      {"C3 with header flag", 1, "C3", "", {"C3", "active"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open("active", FixturePath("header.xlsx"), "People", c.containHeader).status);
    if (*c.goTo != '\0') {
      ASSERT_TRUE(Send(Command("GoToCell", "active").Param("CellOption", 1).Param("SpecifiedCellFrom", c.goTo)).status);
    }
    const Reply reply =
        Send(Command("SetCell", "active").Param("SetCellOption", 0).Param("SetCellValue", "active"));
    EXPECT_EQ(reply.status, std::string(c.code).empty()) << reply.json;
    EXPECT_EQ(reply.errorCode, c.code);
    EXPECT_EQ(ReadCell("active", c.after.address).OnlyCell(), c.after.text);
    Close("active", 0);
  }
}

TEST(SetCellTest, OptionOneSelectsTheWrittenRange) {
  ASSERT_TRUE(Open("select", FixturePath("header.xlsx"), "People", 0).status);
  ASSERT_TRUE(Send(Command("SetCell", "select")
                       .Param("SetCellOption", 1)
                       .Param("SpecifiedCellFrom", "B3")
                       .Param("SpecifiedCellTo", "C4")
                       .Param("SetCellValue", "z"))
                  .status);
  // The active cell is the top-left cell of the selection.
  ASSERT_TRUE(Send(Command("SetCell", "select").Param("SetCellOption", 0).Param("SetCellValue", "top-left")).status);
  EXPECT_EQ(ReadCell("select", "B3").OnlyCell(), "top-left");
  EXPECT_EQ(ReadCell("select", "C4").OnlyCell(), "z");
  Close("select", 0);
}

}  // namespace
}  // namespace session_test
