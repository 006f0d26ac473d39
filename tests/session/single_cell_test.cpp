// "GetSingleCell" and "GoToCell".
#include <string>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

class SingleCellTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(Open("cell", FixturePath("values.xlsx"), "Values").status); }
  void TearDown() override { Close("cell"); }
};

TEST_F(SingleCellTest, CellValuesReadAsTheirTexts) {
  struct Case {
    const char* address;
    const char* what;
    const char* text;
  };
  const Case cases[] = {
      {"A1", "number with decimals", "2.5"},
      {"A2", "whole number", "1234"},
      {"A3", "zero", "0"},
      {"A4", "negative", "-0.5"},
      {"A5", "large number", "1E+20"},
      {"A6", "small number keeps its digits", "1.2E-06"},
      {"A16", "fifteen digits", "3.14159265358979"},
      {"A7", "true", "TRUE"},
      {"A8", "false", "FALSE"},
      {"A9", "division by zero", ""},
      {"A15", "not available", ""},
      {"A10", "empty cell", ""},
      {"A11", "date", "3/15/2024"},
      {"A12", "date and time", "3/15/2024 6:00:00 AM"},
      {"A13", "non-ASCII text", "Grüße, 東京 😀"},
      {"a14", "lower-case address", "plain text"},
      {"$A$14", "absolute address", "plain text"},
      {"Z999", "cell outside the used range", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = ReadCell("cell", c.address);
    EXPECT_TRUE(reply.status) << reply.json;
    EXPECT_EQ(reply.type, "TABLE_RESPONSE");
    EXPECT_EQ(reply.errorCode, "");
    ASSERT_EQ(reply.rows.size(), 1u) << reply.json;
    EXPECT_EQ(reply.OnlyCell(), c.text);
    EXPECT_FALSE(reply.more);
  }
}

TEST_F(SingleCellTest, ActiveCellIsReadWithOptionZero) {
  EXPECT_EQ(ReadActiveCell("cell").OnlyCell(), "2.5");
  ASSERT_TRUE(Send(Command("GoToCell", "cell").Param("CellOption", 1).Param("SpecifiedCellFrom", "A13")).status);
  EXPECT_EQ(ReadActiveCell("cell").OnlyCell(), "Grüße, 東京 😀");
}

TEST_F(SingleCellTest, BadOptionsAndAddressesFailWithCode100) {
  struct Case {
    const char* name;
    long option;
    const char* address;
    const char* messageStart;  // "" when no call failed: the message stays empty
  };
  const Case cases[] = {
      {"option 2", 2, "A1", ""},
      {"negative option", -1, "A1", ""},
      {"huge option", 2147483647, "A1", ""},
      {"empty address", 1, "", "Range: "},
      {"row 0", 1, "A0", "Range: "},
      {"column past XFD", 1, "XFE1", "Range: "},
      {"row past the sheet", 1, "A1048577", "Range: "},
      {"four letters", 1, "ZZZZ1", "Range: "},
      {"open range", 1, "B2:", "Range: "},
      {"blank inside", 1, "A 1", "Range: "},
      {"non-ASCII", 1, "Ä1", "Range: "},
      {"block", 1, "A1:B2", "Range: "},
      // Several cells have no single text: the value read refuses, and the
      // command fails rather than answer one of them.
      {"whole row", 1, "3", "Value: "},
      {"whole column", 1, "B", "Value: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply =
        Send(Command("GetSingleCell", "cell").Param("CellOption", c.option).Param("CellAddress", c.address));
    EXPECT_TRUE(reply.hasDefault) << reply.json;
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.type, "");
    EXPECT_TRUE(reply.rows.empty());
    EXPECT_EQ(reply.errorCode, "EXCEL_QUV_GET_SINGLE_CELL_100");
    if (*c.messageStart == '\0') {
      EXPECT_EQ(reply.errorMessage, "");
    } else {
      EXPECT_EQ(reply.errorMessage.rfind(c.messageStart, 0), 0u) << reply.errorMessage;
    }
  }
  // Nothing was changed by the failures.
  EXPECT_EQ(ReadCell("cell", "A1").OnlyCell(), "2.5");
}

// ---- GoToCell -------------------------------------------------------------

class GoToCellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = CopyOfFixture("grid.xlsx");
    ASSERT_TRUE(Open("goto", path_, "Full").status);
  }
  void TearDown() override { Close("goto"); }

  Reply GoTo(long option, const std::string& from, const std::string& to, long activeOption) {
    return Send(Command("GoToCell", "goto")
                    .Param("CellOption", option)
                    .Param("SpecifiedCellFrom", from)
                    .Param("SpecifiedCellTo", to)
                    .Param("ActiveCellOption", activeOption));
  }

  std::string path_;
};

TEST_F(GoToCellTest, EveryActiveCellOptionSelectsItsCell) {
  // Sheet "Full" holds A1:F30, each cell its own address.
  struct Case {
    const char* name;
    const char* start;
    long activeOption;
    const char* selected;
    bool offsetFailed;  // the step left the sheet: the failed call's line is in the reply
  };
  const Case cases[] = {
      {"left", "D7", 0, "C7", false},
      {"right", "D7", 1, "E7", false},
      {"up", "D7", 2, "D6", false},
      {"down", "D7", 3, "D8", false},
      {"row start", "D7", 4, "A7", false},
      {"row end at last used column", "B7", 5, "F7", false},
      {"column start", "D7", 6, "D1", false},
      {"column end at last used row", "B7", 7, "B30", false},
      {"left of column A stays", "A5", 0, "A5", true},
      {"above row 1 stays", "C1", 2, "C1", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(GoTo(1, c.start, "", 0).status);
    const Reply reply = GoTo(0, "", "", c.activeOption);
    EXPECT_TRUE(reply.status) << reply.json;
    EXPECT_EQ(reply.errorCode, "");
    EXPECT_EQ(!reply.errorMessage.empty(), c.offsetFailed) << reply.errorMessage;
    EXPECT_EQ(ReadActiveCell("goto").OnlyCell(), c.selected);
  }
}

TEST_F(GoToCellTest, RowAndColumnStartsIgnoreWhereTheUsedRangeBegins) {
  // Sheet "Inner" holds B2:F30: column A and row 1 are empty, so the cell
  // reached is marked by writing into the active cell.
  ASSERT_TRUE(SwitchByName("goto", "Inner").status);
  struct Case {
    long activeOption;
    const char* expected;
  };
  for (const Case& c : {Case{4, "A7"}, Case{6, "D1"}}) {
    SCOPED_TRACE(c.expected);
    ASSERT_TRUE(GoTo(1, "D7", "", 0).status);
    ASSERT_TRUE(GoTo(0, "", "", c.activeOption).status);
    ASSERT_TRUE(Send(Command("SetCell", "goto").Param("SetCellOption", 0).Param("SetCellValue", "here")).status);
    EXPECT_EQ(ReadCell("goto", c.expected).OnlyCell(), "here");
  }
}

TEST_F(GoToCellTest, NamedCellsAndRanges) {
  struct Case {
    const char* name;
    const char* from;
    const char* to;
    const char* activeAfter;  // the top-left cell of the selection
  };
  const Case cases[] = {
      {"one cell", "B2", "", "B2"},
      {"block", "C3", "E5", "C3"},
      {"block given as one address", "D4:E9", "", "D4"},
      {"whole rows", "3", "5", "A3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply = GoTo(1, c.from, c.to, 0);
    EXPECT_TRUE(reply.status) << reply.json;
    EXPECT_EQ(ReadActiveCell("goto").OnlyCell(), c.activeAfter);
  }
}

TEST_F(GoToCellTest, RefusedSelectionIsAFailure) {
  ASSERT_TRUE(GoTo(1, "E5", "", 0).status);
  // A second session on the same workbook makes another sheet active; the
  // application then refuses to select on "Full", and the command says so
  // instead of answering success with nothing selected.
  ASSERT_TRUE(Attach("other", path_, "Inner").status);
  for (const auto& [from, to] : {std::pair<const char*, const char*>{"B2", ""}, {"C3", "D4"}}) {
    SCOPED_TRACE(from);
    const Reply refused = GoTo(1, from, to, 0);
    EXPECT_FALSE(refused.status);
    EXPECT_EQ(refused.errorCode, "EXCEL_QUV_GOTOCELL_100");
    EXPECT_NE(refused.errorMessage.find("Select method of Range class failed"), std::string::npos) << refused.json;
  }
  Detach("other");
}

TEST_F(GoToCellTest, NoTargetAnswersTheFixedMessage) {
  ASSERT_TRUE(GoTo(1, "E5", "", 0).status);
  struct Case {
    const char* name;
    long option;
    const char* from;
    long activeOption;
  };
  const Case cases[] = {
      {"active option 8", 0, "", 8},
      {"active option -1", 0, "", -1},
      {"cell option 2", 2, "B2", 0},
      {"rejected address", 1, "A0", 0},
      {"empty address", 1, "", 0},
      {"text with blanks", 1, "B 2", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply = GoTo(c.option, c.from, "", c.activeOption);
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.errorCode, "EXCEL_QUV_GOTOCELL_100");
    EXPECT_EQ(reply.errorMessage, "An unknown error occurred when executing the command");
    EXPECT_EQ(ReadActiveCell("goto").OnlyCell(), "E5");
  }
}

}  // namespace
}  // namespace session_test
