// Commands on a session that was never opened, was closed, or was detached:
// each answers its failure, never a crash.
#include <string>

#include <gtest/gtest.h>

#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

struct CommandCase {
  const char* name;
  Command command;
  const char* code;
};

std::vector<CommandCase> CommandsOn(const std::string& session) {
  return {
      {"GetSingleCell active", Command("GetSingleCell", session).Param("CellOption", 0),
       "EXCEL_QUV_GET_SINGLE_CELL_100"},
      {"GetSingleCell address",
       Command("GetSingleCell", session).Param("CellOption", 1).Param("CellAddress", "A1"),
       "EXCEL_QUV_GET_SINGLE_CELL_100"},
      {"SetCell", Command("SetCell", session).Param("SetCellOption", 1).Param("SpecifiedCellFrom", "A1"),
       "EXCEL_QUV_SETCELL_100"},
      {"SetCell active", Command("SetCell", session).Param("SetCellOption", 0),
       "EXCEL_QUV_SETCELL_100"},
      {"GoToCell", Command("GoToCell", session).Param("CellOption", 1).Param("SpecifiedCellFrom", "A1"),
       "EXCEL_QUV_GOTOCELL_100"},
      {"GoToCell active", Command("GoToCell", session).Param("CellOption", 0).Param("ActiveCellOption", 3),
       "EXCEL_QUV_GOTOCELL_100"},
      {"GetWorksheetData", Command("GetWorksheetData", session), "EXCEL_QUV_SHEET_AS_TABLE_100"},
      {"GetWorksheetData by name",
       Command("GetWorksheetData", session).Param("SheetOption", 1).Param("SheetName", "Values"),
       "EXCEL_QUV_SHEET_AS_TABLE_102"},
      {"SwitchToSheet", Command("SwitchToSheet", session).Param("ActivateSheetOption", 0).Param("Index", 1),
       "EXCEL_QUV_GET_SWITCH_SHEET_100"},
      {"RunMacro", Command("RunMacro", session).Param("MacroName", "NeverRegisteredMacro"), ""},
      {"RemoveFilterFromWorksheet", Command("RemoveFilterFromWorksheet", session), ""},
      {"AttachNewFileName", Command("AttachNewFileName", session), ""},
  };
}

TEST(UnconnectedSessionTest, EveryCommandAnswersItsFailure) {
  const long start = LiveServerObjects();
  const std::string path = FixturePath("values.xlsx");
  // Each state is reached on session "s" before the commands run.
  const struct {
    const char* name;
    void (*reach)(const std::string& path);
  } states[] = {
      {"never opened", [](const std::string&) {}},
      {"closed", [](const std::string& p) { Open("s", p); Close("s"); }},
      {"detached", [](const std::string& p) { Open("s", p); Detach("s"); Attach("t", p); Close("t"); }},
      {"failed open", [](const std::string& p) { Open("s", p + ".missing"); }},
  };
  for (const auto& state : states) {
    SCOPED_TRACE(state.name);
    state.reach(path);
    for (const CommandCase& c : CommandsOn("s")) {
      SCOPED_TRACE(c.name);
      const Reply reply = Send(c.command);
      EXPECT_TRUE(reply.hasDefault) << reply.json;
      EXPECT_FALSE(reply.status);
      EXPECT_EQ(reply.errorCode, c.code);
    }
    const Reply more = Send(Command("GetMoreWorksheetData", "s"));
    EXPECT_TRUE(more.status);
    EXPECT_EQ(more.type, "TABLE_RESPONSE");
    EXPECT_TRUE(more.rows.empty());
    EXPECT_FALSE(more.more);
    Detach("s");
    EXPECT_EQ(LiveServerObjects(), start);
  }
}

}  // namespace
}  // namespace session_test
