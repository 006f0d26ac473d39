// "DeleteCells": every target and delete option with the cells read back,
// header protection, lists merged by Union, bad input; and a deletion that
// keeps formulas, names, formats and ranges of a saved workbook whole.
#include <cstdio>
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

Reply Delete(const std::string& session, long option, const std::string& from, const std::string& to,
             long deleteOption) {
  return Send(Command("DeleteCells", session)
                  .Param("CellOption", option)
                  .Param("SpecifiedCellFrom", from)
                  .Param("SpecifiedCellTo", to)
                  .Param("DeleteOption", deleteOption));
}

std::string ListOfRow2Cells(int count) {
  std::string list;
  for (int col = 0; col < count; ++col) {
    if (!list.empty()) list += ',';
    std::string letters;
    int n = col + 1;
    while (n > 0) {
      letters.insert(letters.begin(), char('A' + (n - 1) % 26));
      n = (n - 1) / 26;
    }
    list += letters + "2";
  }
  return list;
}

TEST(DeleteCellsTest, EveryTargetAndOptionMovesTheCells) {
  const long start = LiveServerObjects();
  struct Case {
    const char* name;
    long option;
    std::string from;
    const char* to;
    long deleteOption;
    const char* code;  // "" for success
    std::vector<Expected> after;
  };
  // grid.xlsx "Full": every cell of A1:F30 holds its own address.
  const Case cases[] = {
      {"cell, shift up", 1, "B2", "", 0, "", {{"B2", "B3"}, {"B29", "B30"}, {"B30", ""}, {"C2", "C2"}}},
      {"cell, shift left", 1, "B2", "", 1, "", {{"B2", "C2"}, {"E2", "F2"}, {"F2", ""}, {"B3", "B3"}}},
      {"range, entire rows", 1, "B3", "C4", 2, "", {{"A3", "A5"}, {"F3", "F5"}, {"A2", "A2"}, {"A28", "A30"}}},
      {"range, entire columns", 1, "B2", "C3", 3, "", {{"B2", "D2"}, {"A2", "A2"}, {"C30", "E30"}, {"E1", ""}}},
      {"address naming a range", 1, "B2:C3", "", 0, "", {{"B2", "B4"}, {"C2", "C4"}, {"D2", "D2"}}},
      {"list, shift up", 1, "B2,D4,F6", "", 0, "", {{"B2", "B3"}, {"D4", "D5"}, {"F6", "F7"}, {"C2", "C2"}}},
      {"list with a trailing comma", 1, "B2,", "", 0, "", {{"B2", "B3"}, {"C2", "C2"}}},
      {"list with duplicates", 1, "B2,B2,C3", "", 0, "", {{"B2", "B3"}, {"C3", "C4"}, {"C2", "C2"}}},
      {"list of 31 cells in two union pieces", 1, ListOfRow2Cells(31), "", 0, "",
       {{"A2", "A3"}, {"F2", "F3"}, {"F30", ""}, {"A1", "A1"}}},
      {"option 7 deletes nothing", 1, "B2", "", 7, "", {{"B2", "B2"}}},
      {"negative option deletes nothing", 1, "B2", "", -1, "", {{"B2", "B2"}}},
      {"cell option 5", 5, "B2", "", 0, "EXCEL_QUV_DELETECELL_100", {{"B2", "B2"}}},
      {"address the application rejects", 1, "B0", "", 0, "EXCEL_QUV_DELETECELL_102", {{"B2", "B2"}}},
      {"range with a bad corner", 1, "B2", "XFE9", 0, "EXCEL_QUV_DELETECELL_102", {{"B2", "B2"}}},
      {"list of bad entries only", 1, "B0,,ZZ", "", 0, "EXCEL_QUV_DELETECELL_100", {{"B2", "B2"}}},
      {"overlapping list refused", 1, "B2:C3,C3", "", 0, "EXCEL_QUV_DELETECELL_100", {{"B2", "B2"}, {"C3", "C3"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(Open("del", FixturePath("grid.xlsx"), "Full").status);
    const Reply reply = Delete("del", c.option, c.from, c.to, c.deleteOption);
    EXPECT_EQ(reply.status, std::string(c.code).empty());
    EXPECT_EQ(reply.errorCode, c.code);
    if (!std::string(c.code).empty()) {
      EXPECT_EQ(reply.errorMessage, std::string(c.code) == "EXCEL_QUV_DELETECELL_100"
                                        ? "An unknown error occurred when executing the command"
                                        : c.code);
    }
    for (const Expected& e : c.after) EXPECT_EQ(ReadCell("del", e.address).OnlyCell(), e.text) << e.address;
    Close("del", 0);
  }
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(DeleteCellsTest, ActiveCellAndHeaderProtection) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("act", FixturePath("grid.xlsx"), "Full").status);
  ASSERT_TRUE(Send(Command("GoToCell", "act").Param("CellOption", 1).Param("SpecifiedCellFrom", "C4")).status);
  EXPECT_TRUE(Delete("act", 0, "", "", 0).status);
  EXPECT_EQ(ReadCell("act", "C4").OnlyCell(), "C5");
  Close("act", 0);

  struct Case {
    const char* from;
    const char* to;
    long deleteOption;
    bool refused;
  } cases[] = {
      {"A1", "", 0, true}, {"A1", "B5", 0, true}, {"B1", "", 2, true}, {"C1", "", 3, true},
      {"A2", "", 0, false}, {"A2,B3", "", 0, false},
      {"A2,A1", "", 0, true},  // every listed cell is checked, not only the first
  };
  // header.xlsx "People": A1:C1 titles.
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " " + c.to);
    for (int flag : {1, 0}) {
      ASSERT_TRUE(Open("hdr", FixturePath("header.xlsx"), "People", flag).status);
      const Reply reply = Delete("hdr", 1, c.from, c.to, c.deleteOption);
      const bool refused = flag == 1 && c.refused;
      EXPECT_EQ(reply.status, !refused);
      EXPECT_EQ(reply.errorCode, refused ? "EXCEL_QUV_DELETECELL_101" : "");
      EXPECT_EQ(reply.errorMessage, refused ? "EXCEL_QUV_DELETECELL_101" : "");
      Close("hdr", 0);
    }
  }
  // No workbook at all.
  EXPECT_EQ(Delete("nobook", 1, "B2", "", 0).errorCode, "EXCEL_QUV_DELETECELL_102");
  EXPECT_EQ(Delete("nobook", 0, "", "", 0).errorCode, "EXCEL_QUV_DELETECELL_102");
  Detach("nobook");
  EXPECT_EQ(LiveServerObjects(), start);
}

// Rows 3 and 9 of "Data" deleted, saved, and read back with openpyxl:
// formulas of both sheets, the defined name, the print area, the merged
// cell, the conditional format, the validation and the hyperlink moved.
TEST(DeleteCellsTest, DeletedRowsKeepTheWorkbookWhole) {
  const long start = LiveServerObjects();
  const std::string path = CopyOfFixture("references.xlsx");
  ASSERT_TRUE(Open("refs", path, "Data").status);
  ASSERT_TRUE(Delete("refs", 1, "A3", "", 2).status);
  ASSERT_TRUE(Delete("refs", 1, "A8", "", 2).status);  // the original row 9
  ASSERT_TRUE(Close("refs", 1).status);
  EXPECT_EQ(LiveServerObjects(), start);

  const std::string program =
      "import sys, openpyxl\n"
      "wb = openpyxl.load_workbook(sys.argv[1])\n"
      "d, s = wb['Data'], wb['Summary']\n"
      "print(d['B3'].value, d['C1'].value, d['C2'].value, d['A8'].value, d['A9'].value)\n"
      "print(s['A1'].value, s['A2'].value, s['A3'].value)\n"
      "names = wb.defined_names\n"
      "picked = names['Picked'] if hasattr(names, 'keys') else names.get('Picked')\n"
      "print(picked.attr_text, d.print_area)\n"
      "print([str(r) for r in d.merged_cells.ranges])\n"
      "for cf in d.conditional_formatting:\n"
      "    print(cf.sqref, [r.formula for r in cf.rules])\n"
      "print([(str(v.sqref), v.formula1) for v in d.data_validations.dataValidation])\n"
      "print(d['G8'].hyperlink, d['G7'].hyperlink.target if d['G7'].hyperlink else None)\n";
  const std::string commandLine = "/usr/bin/python3 -c \"" + program + "\" '" + path + "'";
  FILE* pipe = popen(commandLine.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe)) output += buffer;
  ASSERT_EQ(pclose(pipe), 0) << output;
  EXPECT_EQ(output,
            "=A3*2 =SUM(A1:A8) =A4 10 None\n"
            "=SUM(Data!A1:A8) =Data!A4+Data!A5 =Data!#REF!\n"
            "Data!$A$3:$A$7 ['$A$1:$C$7']\n"
            "['D3:E5']\n"
            "A1:A8 [['$A1>$A$4']]\n"
            "[('F2:F7', '$A$8')]\n"
            "None https://example.com/\n");
}

}  // namespace
}  // namespace session_test
