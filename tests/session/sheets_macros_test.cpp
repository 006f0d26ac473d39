// Switching sheets, running macros, removing filters and the column-title map.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "server/host_hooks.h"
#include "session/CExcelCom.h"
#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

const char kUnknownError[] = "An unknown error occurred when executing the command";

TEST(SwitchToSheetTest, ByNameAndByIndex) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("switch", FixturePath("values.xlsx"), "Values").status);
  struct Case {
    const char* name;
    long option;
    long index;
    const char* sheetName;
    const char* code;     // "" when the switch succeeds
    const char* a1;       // A1 of the current sheet afterwards
  };
  const Case cases[] = {
      {"by name", 1, 0, "Other", "", "other-a1"},
      {"by name, other case", 1, 0, "THIRD", "", "third-a1"},
      {"by index", 0, 1, "", "", "2.5"},
      {"by index 3", 0, 3, "", "", "third-a1"},
      {"unknown name keeps the sheet", 1, 0, "Nope", "EXCEL_QUV_GET_SWITCH_SHEET_100", "third-a1"},
      {"empty name", 1, 0, "", "EXCEL_QUV_GET_SWITCH_SHEET_100", "third-a1"},
      {"index 0", 0, 0, "", "EXCEL_QUV_GET_SWITCH_SHEET_100", "third-a1"},
      {"negative index", 0, -1, "", "EXCEL_QUV_GET_SWITCH_SHEET_100", "third-a1"},
      {"index past the end", 0, 4, "", "EXCEL_QUV_GET_SWITCH_SHEET_100", "third-a1"},
      {"index that wraps in 16 bits", 0, 65537, "", "EXCEL_QUV_GET_SWITCH_SHEET_100", "third-a1"},
      {"any other option means by name", 5, 0, "Other", "", "other-a1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Reply reply = Send(Command("SwitchToSheet", "switch")
                                 .Param("ActivateSheetOption", c.option)
                                 .Param("Index", c.index)
                                 .Param("Name", c.sheetName));
    EXPECT_EQ(reply.status, std::string(c.code).empty()) << reply.json;
    EXPECT_EQ(reply.errorCode, c.code);
    if (!std::string(c.code).empty()) {
      EXPECT_EQ(reply.errorMessage, kUnknownError);
    }
    EXPECT_EQ(ReadCell("switch", "A1").OnlyCell(), c.a1);
  }
  Close("switch");
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(SwitchToSheetTest, HasChartCountsChartSheets) {
  const long start = LiveServerObjects();
  ASSERT_TRUE(Open("charts", FixturePath("charts.xlsx"), "Data").status);
  // Position 2 is the chart sheet among "Sheets" and "Second" among
  // "Worksheets".
  const Reply worksheets = Send(
      Command("SwitchToSheet", "charts").Param("ActivateSheetOption", 0).Param("Index", 2).Param("HasChart", 0));
  EXPECT_TRUE(worksheets.status) << worksheets.json;
  EXPECT_EQ(ReadCell("charts", "A1").OnlyCell(), "second-a1");

  const Reply sheets = Send(
      Command("SwitchToSheet", "charts").Param("ActivateSheetOption", 0).Param("Index", 2).Param("HasChart", 1));
  EXPECT_TRUE(sheets.status) << sheets.json;
  // A chart sheet has no cells.
  const Reply onChart = ReadCell("charts", "A1");
  EXPECT_FALSE(onChart.status);
  EXPECT_EQ(onChart.errorCode, "EXCEL_QUV_GET_SINGLE_CELL_100");
  const Reply data = Send(Command("GetWorksheetData", "charts"));
  EXPECT_EQ(data.errorCode, "EXCEL_QUV_SHEET_AS_TABLE_100");

  EXPECT_TRUE(SwitchByName("charts", "Data").status);
  EXPECT_EQ(ReadCell("charts", "A1").OnlyCell(), "data-a1");
  Close("charts");
  EXPECT_EQ(LiveServerObjects(), start);
}

// ---- Macros -------------------------------------------------------------

std::vector<std::string> g_macroArguments;

std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text != L'\0'; ++text) out += static_cast<char>(*text);  // ASCII arguments only
  return out;
}

const wchar_t* RecordArguments(int argc, const wchar_t* const* argv, const wchar_t* answer) {
  g_macroArguments.clear();
  for (int i = 0; i < argc; ++i) g_macroArguments.push_back(Narrow(argv[i]));
  return answer;
}

const wchar_t* EchoMacro(int argc, const wchar_t* const* argv) {
  return RecordArguments(argc, argv, L"done");
}

const wchar_t* SilentMacro(int argc, const wchar_t* const* argv) {
  return RecordArguments(argc, argv, nullptr);
}

TEST(RunMacroTest, SplitsArgumentsAtCommasAndReportsTheValue) {
  SheetwrightRegisterMacro(L"SessionEcho", &EchoMacro);
  SheetwrightRegisterMacro(L"SessionSilent", &SilentMacro);
  ASSERT_TRUE(Open("macros", FixturePath("values.xlsx")).status);
  // "Run" takes at most 30 macro arguments.
  std::string many;
  for (int i = 1; i <= 30; ++i) many += (i > 1 ? "," : "") + std::to_string(i);

  struct Case {
    const char* name;
    const char* macro;
    std::string arguments;
    bool status;
    std::vector<std::string> seen;
  };
  const Case cases[] = {
      {"two arguments", "SessionEcho", "10,abc", true, {"10", "abc"}},
      {"blank kept", "SessionEcho", "a, b", true, {"a", " b"}},
      {"empty between commas", "SessionEcho", "a,,b", true, {"a", "", "b"}},
      {"final comma adds nothing", "SessionEcho", "a,b,", true, {"a", "b"}},
      {"no arguments", "SessionEcho", "", true, {}},
      {"30 arguments", "SessionEcho", many, true, {}},
      {"macro without a value", "SessionSilent", "x", false, {"x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_macroArguments = {"not called"};
    const Reply reply =
        Send(Command("RunMacro", "macros").Param("MacroName", c.macro).Param("MacroArgument", c.arguments));
    EXPECT_EQ(reply.status, c.status) << reply.json;
    EXPECT_EQ(reply.errorCode, "");
    if (std::string(c.name) == "30 arguments") {
      ASSERT_EQ(g_macroArguments.size(), 30u);
      EXPECT_EQ(g_macroArguments.back(), "30");
    } else {
      EXPECT_EQ(g_macroArguments, c.seen);
    }
  }
  Close("macros");
}

TEST(RunMacroTest, RefusesUnknownEmptyAndTooManyArguments) {
  SheetwrightRegisterMacro(L"SessionEcho", &EchoMacro);
  ASSERT_TRUE(Open("macros", FixturePath("values.xlsx")).status);
  std::string runLimit, tooMany;
  for (int i = 1; i <= 31; ++i) runLimit += (i > 1 ? "," : "") + std::to_string(i);
  for (int i = 1; i <= 35; ++i) tooMany += (i > 1 ? "," : "") + std::to_string(i);
  struct Case {
    const char* name;
    const char* macro;
    std::string arguments;
    const char* messageStart;
  };
  const Case cases[] = {
      {"unknown macro", "NoSuchMacro", "", "Run: "},
      {"empty name", "", "", "Run: "},
      {"31 arguments, more than Run takes", "SessionEcho", runLimit, "Run: "},
      {"35 arguments, more than the argument list holds", "SessionEcho", tooMany,
       "RunMacro: too many macro arguments (35)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_macroArguments = {"not called"};
    const Reply reply =
        Send(Command("RunMacro", "macros").Param("MacroName", c.macro).Param("MacroArgument", c.arguments));
    EXPECT_TRUE(reply.hasDefault);
    EXPECT_FALSE(reply.status);
    EXPECT_EQ(reply.errorCode, "");
    EXPECT_EQ(reply.errorMessage.rfind(c.messageStart, 0), 0u) << reply.errorMessage;
    EXPECT_EQ(g_macroArguments, std::vector<std::string>{"not called"});
  }
  Close("macros");
}

TEST(RemoveFilterTest, SucceedsOnConnectedSheet) {
  ASSERT_TRUE(Open("filter", FixturePath("values.xlsx")).status);
  EXPECT_TRUE(Send(Command("RemoveFilterFromWorksheet", "filter")).status);
  EXPECT_EQ(ReadCell("filter", "A1").OnlyCell(), "2.5");
  Close("filter");
}

// The filter goes with the rows it hid; a row hidden outside it stays
// hidden, and the saved file has no filter any more.
TEST(RemoveFilterTest, SavedFileHasNoFilterAndShowsTheFilteredRows) {
  const long start = LiveServerObjects();
  const std::string path = CopyOfFixture("filtered.xlsx");
  ASSERT_TRUE(Open("filtered", path, "Data").status);
  EXPECT_TRUE(Send(Command("RemoveFilterFromWorksheet", "filtered")).status);
  EXPECT_TRUE(Send(Command("RemoveFilterFromWorksheet", "filtered")).status) << "a second time changes nothing";
  ASSERT_TRUE(Close("filtered", 1).status);
  EXPECT_EQ(LiveServerObjects(), start);
  const std::string program =
      "import sys, openpyxl\n"
      "ws = openpyxl.load_workbook(sys.argv[1])['Data']\n"
      "print(ws.auto_filter.ref, [r for r in range(1, 12) if ws.row_dimensions[r].hidden], ws['A3'].value)\n";
  EXPECT_EQ(RunPython(program, {path}), "None [10] n3\n");
}

// ---- Column-title map -----------------------------------------------------

// Reads the session's column-title map, which no command shows directly.
class TitleProbe : public CExcelCom {
 public:
  std::vector<std::pair<std::wstring, std::wstring>> Titles() const {
    return {m_columnTitles.begin(), m_columnTitles.end()};
  }
};

TEST(ColumnTitleMapTest, BuiltFromRowOneWhenTheSheetHasAHeader) {
  const long start = LiveServerObjects();
  using Titles = std::vector<std::pair<std::wstring, std::wstring>>;
  const std::wstring path = [] {
    std::wstring wide;
    for (char c : FixturePath("header.xlsx")) wide += static_cast<wchar_t>(c);
    return wide;
  }();
  TitleProbe probe;
  ASSERT_EQ(probe.OpenExcelEx(path.c_str(), L"People", L"", L"", 1, 1, 0), 1);
  // Equal titles keep both columns, left to right.
  EXPECT_EQ(probe.Titles(), (Titles{{L"Age", L"B"}, {L"Name", L"A"}, {L"Name", L"C"}}));

  // Data starting in row 2: no map.
  ASSERT_EQ(probe.SwitchToSheet(1, 0, L"Below", 0), 1);
  EXPECT_TRUE(probe.Titles().empty());
  ASSERT_EQ(probe.SwitchToSheet(1, 0, L"People", 0), 1);
  EXPECT_EQ(probe.Titles().size(), 3u);
  probe.CloseExcelEx(0);

  // Without the header flag the map stays empty.
  ASSERT_EQ(probe.OpenExcelEx(path.c_str(), L"People", L"", L"", 1, 0, 0), 1);
  EXPECT_TRUE(probe.Titles().empty());
  probe.CloseExcelEx(0);
  EXPECT_EQ(LiveServerObjects(), start);
}

TEST(ColumnTitleMapTest, HeaderBelowRowOneIsLogged) {
  const std::string log = CaptureLog([] {
    Open("below", FixturePath("header.xlsx"), "Below", 1);
    Close("below");
  });
  EXPECT_NE(log.find("Row header should be at first row position only"), std::string::npos) << log;
}

}  // namespace
}  // namespace session_test
