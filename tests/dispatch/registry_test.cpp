// The session registry and the execution switch, on a parser of the test's
// own (the library's process-wide parser is not touched).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dispatch/CommandParser.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  // One request as Send runs it; returns the reply message.
  excel::CommandResponse Run(const std::string& commandName, const char* sessionName,
                             const std::vector<std::pair<std::string, std::string>>& extra = {}) {
    excel::Command command;
    command.set_commandname(commandName);
    if (sessionName != nullptr) (*command.mutable_parameter())["SessionName"] = sessionName;
    for (const auto& [key, value] : extra) (*command.mutable_parameter())[key] = value;
    parser.ParseCommand(&command);
    parser.ExecuteExcelComAction();
    excel::CommandResponse reply = parser.GetExecutionResult();
    parser.ClearCommandParserMemory();
    return reply;
  }

  CommandParser parser;
};

TEST_F(RegistryTest, SessionIsCreatedOnFirstUseByAnyKnownCommand) {
  EXPECT_EQ(parser.GetSessionCount(), 0u);
  Run("GetUsedRange", "first");
  EXPECT_TRUE(parser.HasSession(L"first"));
  Run("GetUsedRange", "first");
  EXPECT_EQ(parser.GetSessionCount(), 1u);
}

TEST_F(RegistryTest, UnknownOrEmptyCommandCreatesNoSession) {
  Run("NoSuchCommand", "x");
  Run("", "y");
  parser.ParseCommand(nullptr);
  parser.ExecuteExcelComAction();
  EXPECT_EQ(parser.GetSessionCount(), 0u);
  EXPECT_EQ(parser.GetCurrentCommandType(), 0);
  EXPECT_EQ(parser.GetExecutionResult().ByteSizeLong(), 0u);
}

TEST_F(RegistryTest, DetachRemovesTheSessionOnlyAfterItsReply) {
  excel::Command command;
  command.set_commandname("Detach");
  (*command.mutable_parameter())["SessionName"] = "d";
  parser.ParseCommand(&command);
  parser.ExecuteExcelComAction();
  EXPECT_TRUE(parser.HasSession(L"d"));  // the reply still comes from it
  parser.GetExecutionResult();
  parser.ClearCommandParserMemory();
  EXPECT_FALSE(parser.HasSession(L"d"));
  EXPECT_EQ(parser.GetCurrentCommand(), nullptr);
  EXPECT_EQ(parser.GetCurrentCommandType(), 2);  // kept until the next request
}

TEST_F(RegistryTest, CloseKeepsTheSession) {
  Run("Close", "c");
  EXPECT_TRUE(parser.HasSession(L"c"));
}

TEST_F(RegistryTest, DetachOfAnotherNameLeavesOtherSessionsAlone) {
  Run("GetUsedRange", "keep");
  Run("Detach", "gone");
  EXPECT_TRUE(parser.HasSession(L"keep"));
  EXPECT_FALSE(parser.HasSession(L"gone"));
  EXPECT_EQ(parser.GetSessionCount(), 1u);
}

TEST_F(RegistryTest, MissingSessionNameIsTheEmptyName) {
  Run("GetUsedRange", nullptr);
  Run("GetLastCellAddress", "");
  EXPECT_TRUE(parser.HasSession(L""));
  EXPECT_EQ(parser.GetSessionCount(), 1u);
}

TEST_F(RegistryTest, NamesDifferingOnlyInCaseAreTwoSessions) {
  Run("GetUsedRange", "Book");
  Run("GetUsedRange", "book");
  Run("GetUsedRange", "BOOK");
  EXPECT_EQ(parser.GetSessionCount(), 3u);
}

TEST_F(RegistryTest, ExitApplicationRemovesEverySession) {
  Run("GetUsedRange", "a");
  Run("GetUsedRange", "b");
  parser.ExitApplication();
  EXPECT_EQ(parser.GetSessionCount(), 0u);
  Run("GetUsedRange", "a");
  EXPECT_EQ(parser.GetSessionCount(), 1u);
}

// Each command reaches its own operation (the table names it); none answers
// as a stub. Built operations are checked by their own tests.
TEST_F(RegistryTest, ExecutionSwitchCallsTheOperationOfEachCommand) {
  struct Case {
    const char* command;
    const char* operation;
  };
  const Case kCases[] = {
      {"Attach", "OpenExcel"},
      {"SetCell", "SetCellValue"},
      {"DeleteCells", "DeleteCell"},
      {"Find", "Find"},
      {"GetFindMoreDataResult", "GetNextFindResult"},
      {"Replace", "Replace"},
      {"FindNextEmptyCell", "FindNextEmptyCell"},
      {"GoToNextEmptyCell", "GoToNextEmptyCell"},
      {"GetMultipleCells", "GetMultipleCellsEx"},
      {"GetSingleRow", "GetSingleRowEx"},
      {"GoToCell", "GoToCell"},
      {"SwitchToSheet", "SwitchToSheet"},
      {"GetSingleCell", "GetSingleCell"},
      {"RemoveBlankRows", "RemoveBlankRows"},
      {"ReadRow", "ReadRowColumn"},
      {"ReadColumn", "ReadRowColumn"},
      {"GetCellAddress", "GetCellAddressCommand"},
      {"GetColumnName", "GetColumnNameRowNumber"},
      {"GetRowNumber", "GetColumnNameRowNumber"},
      {"SelectRows", "SelectRows"},
      {"SelectColumns", "SelectColumns"},
      {"SelectCells", "SelectCells"},
      {"RunMacro", "RunMacro"},
      {"GetWorksheetData", "GetWorkSheetData"},
      {"GetMoreWorksheetData", "GetWorkSheetMoreData"},
      {"Open", "OpenExcelEx"},
      {"Close", "CloseExcelEx"},
      {"GetLastCellAddress", "GetLastCellAddressApi"},
      {"GetUsedRange", "GetUsedRange"},
      {"RemoveFilterFromWorksheet", "RemoveFilterFromWorksheet"},
      {"AttachNewFileName", "AttachNewFileName"},
      {"Detach", "CloseExcel"},
  };
  // Every command reaches an operation of its own: none answers as a stub.
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.command);
    const excel::CommandResponse reply = Run(c.command, "switch");
    EXPECT_EQ(reply.defaultresponse().errormessage().find("is not available yet"), std::string::npos);
  }
}

}  // namespace
