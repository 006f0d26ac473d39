// Calculated values through Send: formulas of a file without cached values
// read as their values, error values read as the library reads them (empty
// text), writes recalculate, a formula the application refuses is refused,
// and a saved file carries the values for readers that do not calculate.
#include <string>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

class FormulaValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = CopyOfFixture("formulas.xlsx");
    ASSERT_TRUE(Open("calc", path_, "Calc").status);
  }
  void TearDown() override { Close("calc"); }
  Reply SetCell(const std::string& address, const std::string& value) {
    return Send(Command("SetCell", "calc")
                    .Param("SetCellOption", 1)
                    .Param("SpecifiedCellFrom", address)
                    .Param("SetCellValue", value));
  }
  std::string path_;
};

TEST_F(FormulaValuesTest, ErrorValuesAndCalculatedValuesThroughSend) {
  struct Case {
    const char* address;
    const char* what;
    const char* text;
  };
  const Case cases[] = {
      {"B1", "calculated at open", "8"},
      {"B2", "#DIV/0!", ""},
      {"B3", "#N/A", ""},
      {"B4", "#NUM!", ""},
      {"B5", "text result", "4x"},
      {"B6", "#NAME? of an unknown function", ""},
      {"B7", "#REF! of a missing sheet", ""},
      {"B8", "#VALUE!", ""},
      {"B9", "#NULL!", ""},
      {"B10", "Boolean result", "TRUE"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = ReadCell("calc", c.address);
    EXPECT_TRUE(reply.status) << reply.json;
    EXPECT_EQ(reply.OnlyCell(), c.text);
  }
  // The whole sheet read at once shows the same values.
  const Reply page = Send(Command("GetWorksheetData", "calc"));
  ASSERT_TRUE(page.status) << page.json;
  ASSERT_GE(page.rows.size(), 5u);
  EXPECT_EQ(page.rows[0][1], "8");
  EXPECT_EQ(page.rows[1][1], "");
  EXPECT_EQ(page.rows[4][1], "4x");
}

TEST_F(FormulaValuesTest, WritesRecalculateAndRefusedFormulasKeepTheCell) {
  ASSERT_TRUE(SetCell("A1", "10").status);
  EXPECT_EQ(ReadCell("calc", "B1").OnlyCell(), "20");
  EXPECT_EQ(ReadCell("calc", "B5").OnlyCell(), "10x");
  ASSERT_TRUE(SetCell("A2", "4").status);
  EXPECT_EQ(ReadCell("calc", "B2").OnlyCell(), "2.5");
  ASSERT_TRUE(SetCell("C1", "=B1+B2").status);
  EXPECT_EQ(ReadCell("calc", "C1").OnlyCell(), "22.5");
  const Reply refused = SetCell("C1", "=SUM(1,");
  EXPECT_FALSE(refused.status) << refused.json;
  EXPECT_EQ(ReadCell("calc", "C1").OnlyCell(), "22.5");
  Close("calc", 1);
  const std::vector<std::string> saved = ReadBackWithOpenpyxl(path_, "Calc", {"B1", "C1"});
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0], "=A1*2") << "the formula is saved as written";
}

}  // namespace
}  // namespace session_test
