// "Find" with "GetFindMoreDataResult" (order, options, paging, wrap-around)
// and "Replace" on a block and on one cell.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

using Rows = std::vector<std::string>;

Command FindCommand(const std::string& session, const std::string& text, long byRows, long matchCase,
                    long matchEntire, const std::string& from = "A1", const std::string& to = "F10") {
  return Command("Find", session)
      .Param("FromOption", 3)
      .Param("TillOption", 3)
      .Param("SpecifiedCellFrom", from)
      .Param("SpecifiedCellTo", to)
      .Param("FindText", text)
      .Param("SearchOption", byRows)
      .Param("MatchCase", matchCase)
      .Param("MatchEntire", matchEntire);
}

Rows Column0(const Reply& reply) {
  Rows out;
  for (const auto& row : reply.rows) out.push_back(row.empty() ? "<none>" : row[0]);
  return out;
}

TEST(FindTest, OrderOptionsAndSingleCells) {
  const long start = LiveServerObjects();
  struct Case {
    const char* name;
    const char* text;
    long byRows, matchCase, matchEntire;
    const char* from;
    const char* to;
    Rows rows;
    bool table;
  };
  // editing.xlsx "Words": apple in B2 and D3, "APPLE pie" in C5, pear in A4.
  const Case cases[] = {
      {"by rows", "apple", 1, 0, 0, "A1", "F10", {"C5", "B2", "D3", "C5"}, true},
      {"by columns", "apple", 0, 0, 0, "A1", "F10", {"D3", "B2", "C5", "D3"}, true},
      {"match case", "apple", 1, 1, 0, "A1", "F10", {"D3", "B2", "D3"}, true},
      {"whole content", "APPLE", 1, 0, 1, "A1", "F10", {"D3", "B2", "D3"}, true},
      {"one match", "pear", 1, 0, 0, "A1", "F10", {"A4", "A4"}, true},
      {"nothing", "plum", 1, 0, 0, "A1", "F10", {}, false},
      {"single cell contains", "apple", 1, 0, 0, "C5", "C5", {"C5"}, true},
      {"single cell whole content", "apple", 1, 0, 1, "C5", "C5", {}, true},
      {"single cell case folds A-Z only", "apple pie", 1, 0, 1, "C5", "C5", {"C5"}, true},
      {"wildcards are literal on one cell", "a*e", 1, 0, 0, "B2", "B2", {}, true},
      {"non-ASCII text", "Grüße", 1, 0, 0, "A1", "F10", {}, false},
  };
  ASSERT_TRUE(Open("find", FixturePath("editing.xlsx"), "Words").status);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply = Send(FindCommand("find", c.text, c.byRows, c.matchCase, c.matchEntire, c.from, c.to));
    EXPECT_TRUE(reply.status);
    EXPECT_EQ(reply.type, c.table ? "TABLE_RESPONSE" : "");
    EXPECT_EQ(Column0(reply), c.rows);
    EXPECT_FALSE(reply.more);
    // The search is complete: nothing is pending.
    EXPECT_EQ(Send(Command("GetFindMoreDataResult", "find")).errorCode, "EXCEL_QUV_FIND_100");
  }
  // The previously active cell is selected again after a search.
  ASSERT_TRUE(Send(Command("GoToCell", "find").Param("CellOption", 1).Param("SpecifiedCellFrom", "A4")).status);
  Send(FindCommand("find", "apple", 1, 0, 0));
  EXPECT_EQ(ReadActiveCell("find").OnlyCell(), "pear");

  const Reply badOption = Send(Command("Find", "find").Param("FromOption", 4).Param("TillOption", 1).Param("FindText", "x"));
  EXPECT_FALSE(badOption.status);
  EXPECT_EQ(badOption.errorCode, "EXCEL_QUV_FIND_100");
  const Reply longText = Send(FindCommand("find", std::string(32767, 'a'), 1, 0, 0));
  EXPECT_TRUE(longText.status);
  EXPECT_TRUE(longText.rows.empty());
  Close("find", 0);
  EXPECT_EQ(Send(FindCommand("find", "apple", 1, 0, 0)).errorCode, "EXCEL_QUV_FIND_100");
  Detach("find");
  EXPECT_EQ(LiveServerObjects(), start);
}

// 20,000 matches need several pages; every page but the last says more;
// the pages list every match once, plus the last match again at the start.
TEST(FindTest, PagesCoverEveryMatchAndStopAfterWrapping) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("pages", FixturePath("editing.xlsx"), "Gaps").status);
  ASSERT_TRUE(Send(Command("SetCell", "pages")
                       .Param("SetCellOption", 1)
                       .Param("SpecifiedCellFrom", "A1")
                       .Param("SpecifiedCellTo", "J2000")
                       .Param("SetCellValue", "w"))
                  .status);
  Reply reply = Send(FindCommand("pages", "w", 1, 0, 1, "A1", "J2000"));
  Rows all = Column0(reply);
  int pages = 1;
  while (reply.more) {
    reply = Send(Command("GetFindMoreDataResult", "pages"));
    ASSERT_TRUE(reply.status);
    const Rows page = Column0(reply);
    all.insert(all.end(), page.begin(), page.end());
    ++pages;
  }
  EXPECT_GE(pages, 2);
  ASSERT_EQ(all.size(), 20001u);
  EXPECT_EQ(all.front(), "J2000");
  EXPECT_EQ(all[1], "A1");
  EXPECT_EQ(all[2], "B1");
  EXPECT_EQ(all.back(), "J2000");
  EXPECT_EQ(std::set<std::string>(all.begin(), all.end()).size(), 20000u);

  // The first address stops matching between two pages: the search still
  // ends after one round instead of wrapping for ever.
  reply = Send(FindCommand("pages", "w", 1, 0, 1, "A1", "J2000"));
  ASSERT_TRUE(reply.more);
  ASSERT_TRUE(Send(Command("SetCell", "pages").Param("SetCellOption", 1).Param("SpecifiedCellFrom", "J2000")
                       .Param("SetCellValue", "gone")).status);
  size_t rows = reply.rows.size();
  for (int guard = 0; reply.more && guard < 100; ++guard) {
    reply = Send(Command("GetFindMoreDataResult", "pages"));
    rows += reply.rows.size();
  }
  EXPECT_FALSE(reply.more);
  EXPECT_EQ(rows, 20000u);  // J2000 listed once, at the start
  Close("pages", 0);
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(ReplaceTest, BlockAndSingleCell) {
  const long start = LiveServerObjects();
  struct Expected {
    const char* address;
    const char* text;
  };
  struct Case {
    const char* name;
    long fromOption, tillOption;
    const char* from;
    const char* to;
    const char* find;
    const char* replacement;
    long matchEntire;
    const char* code;
    std::vector<Expected> after;
  };
  const Case cases[] = {
      {"whole sheet", 0, 1, "", "", "apple", "plum", 0, "", {{"B2", "plum"}, {"D3", "plum"}, {"A4", "pear"}}},
      {"one cell, part", 3, 3, "F6", "F6", "5", "7", 0, "", {{"F6", "Total: 7"}}},
      {"one cell, whole", 3, 3, "F6", "F6", "Total: 5", "7", 1, "", {{"F6", "7"}}},
      {"one cell, whole differs", 3, 3, "F6", "F6", "Total", "7", 1, "", {{"F6", "Total: 5"}}},
      {"one number cell", 3, 3, "E2", "E2", "1", "3", 0, "", {{"E2", "32"}}},
      {"one Boolean cell", 3, 3, "F7", "F7", "TRUE", "yes", 1, "", {{"F7", "yes"}}},
      {"one cell, case-sensitive", 3, 3, "C5", "C5", "apple", "x", 0, "", {{"C5", "APPLE pie"}}},
      {"replacement holds the text", 3, 3, "B2", "B2", "apple", "apple apple", 0, "", {{"B2", "apple apple"}}},
      {"empty find text", 3, 3, "B2", "B2", "", "x", 0, "", {{"B2", "apple"}}},
      {"empty cell", 3, 3, "A1", "A1", "", "x", 0, "", {{"A1", ""}}},
      {"bad till option", 0, 9, "", "", "apple", "x", 0, "EXCEL_QUV_REPLACE_100", {{"B2", "apple"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open("rep", FixturePath("editing.xlsx"), "Words").status);
    const Reply reply = Send(Command("Replace", "rep")
                                 .Param("FromOption", c.fromOption)
                                 .Param("TillOption", c.tillOption)
                                 .Param("SpecifiedCellFrom", c.from)
                                 .Param("SpecifiedCellTo", c.to)
                                 .Param("FindText", c.find)
                                 .Param("ReplaceText", c.replacement)
                                 .Param("SearchOption", 1)
                                 .Param("MatchCase", 0)
                                 .Param("MatchEntire", c.matchEntire));
    EXPECT_EQ(reply.status, std::string(c.code).empty());
    EXPECT_EQ(reply.errorCode, c.code);
    for (const Expected& e : c.after) EXPECT_EQ(ReadCell("rep", e.address).OnlyCell(), e.text) << e.address;
    Close("rep", 0);
  }
  EXPECT_EQ(LiveServerObjects(), start);
}

}  // namespace
}  // namespace session_test
