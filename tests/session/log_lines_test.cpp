// The log lines of the session operations, whose texts tools and people
// search for: each is written under its label exactly as given.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

// The part of a log line after its time stamp: " : label : message \n".
std::string Line(const std::string& label, const std::string& message) {
  return " : " + label + " : " + message + " \n";
}

TEST(LogLinesTest, OperationsWriteTheirLinesUnderTheirLabels) {
  const std::string path = FixturePath("paging.xlsx");
  const std::string log = CaptureLog([&] {
    Open("logged", path, "Nope");
    Close("logged");
    Open("logged", path, "Cells3x5000", 1);
    Send(Command("GetSingleCell", "logged").Param("CellOption", 2));
    Send(Command("SwitchToSheet", "logged").Param("ActivateSheetOption", 0).Param("Index", 9));
    Send(Command("GetWorksheetData", "logged"));
    Send(Command("SetCell", "logged").Param("SetCellOption", 1).Param("SpecifiedCellFrom", "A1").Param("SetCellValue", "x"));
    Send(Command("GoToCell", "logged").Param("CellOption", 7).Param("SpecifiedCellFrom", "B2"));
    Send(Command("RemoveFilterFromWorksheet", "logged"));
    Close("logged", 0);
  });
  const std::vector<std::string> expected = {
      Line("OpenExcelEx", "Connecting to Excel path "),
      Line("OpenExcelEx-SheetName", "Nope"),
      Line("OpenExcelEx-ExcelPath", path),
      Line("InitOLE", "CoInitialize()"),
      Line("InitExcel", "CreateInstance"),
      Line("OpenExcelEx", "Completed"),
      Line("CloseExcelEx", "Start"),
      Line("ReleaseExcel", "QUIT Excel"),
      Line("CloseExcelEx", "End"),
      Line("OpenExcelEx", "Work Sheet is activated"),
      Line("PrepareColumnTitielMap", "Start Praparing column title map "),
      Line("PrepareColumnTitielMap", "reading completed "),
      Line("GetSingleCell", "Invalid option for get single cell, option = 2 "),
      Line("SwitchToSheet", "activate Option  = 0 SheetIndex = 9 "),
      Line("SwitchToSheet", "Error in getting worksheet object"),
      Line("GetWorkSheetData", "Sheet Option = 0   "),
      " : GetWorkSheetMoreData :  More records available total Records = 5000 total fetched = 3334  "
      "total Rows = 3334 totalCell = 10002  dataSize = ",
      Line("SetCellValue", "Set Cell Data Option = 1 From Cell = A1 To Cell =  "),
      Line("SetDispatcherCellValue", "Unable to Set header cell value"),
      Line("GoToCell", "cell option = 7 cell from = B2 cell To =  active cell option = 0"),
      Line("RemoveFilterFromWorksheet", "End"),
  };
  size_t from = 0;
  for (const std::string& line : expected) {
    SCOPED_TRACE(line);
    // In this order.
    const size_t at = log.find(line, from);
    ASSERT_NE(at, std::string::npos) << log.substr(from, 2000);
    from = at + line.size();
  }
}

}  // namespace
}  // namespace session_test
