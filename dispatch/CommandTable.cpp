// The command table: names to command types, and types to parameter classes.
#include <string>

#include "boundary/Log.h"
#include "boundary/TextConversion.h"
#include "dispatch/CommandParser.h"
#include "dispatch/LogFormat.h"
#include "dispatch/ParameterCommands.h"

CommandParser::CommandParser() { PrepareCommandMap(); }

// The numbering is fixed: types are stored in parameter objects, logged and
// switched on.
void CommandParser::PrepareCommandMap() {
  static const std::pair<const wchar_t*, int> kCommands[] = {
      {L"Attach", 1},
      {L"Detach", 2},
      {L"SetCell", 3},
      {L"DeleteCells", 4},
      {L"Find", 5},
      {L"GetFindMoreDataResult", 6},
      {L"Replace", 7},
      {L"FindNextEmptyCell", 8},
      {L"GoToNextEmptyCell", 9},
      {L"GetMultipleCells", 10},
      {L"GetSingleRow", 11},
      {L"GoToCell", 12},
      {L"SwitchToSheet", 13},
      {L"GetSingleCell", 14},
      {L"RemoveBlankRows", 15},
      {L"ReadRow", 16},
      {L"ReadColumn", 17},
      {L"GetCellAddress", 18},
      {L"GetColumnName", 19},
      {L"GetRowNumber", 20},
      {L"SelectRows", 21},
      {L"SelectColumns", 22},
      {L"SelectCells", 23},
      {L"RunMacro", 24},
      {L"GetWorksheetData", 25},
      {L"GetMoreWorksheetData", 26},
      {L"Open", 27},
      {L"Close", 28},
      {L"GetLastCellAddress", 29},
      {L"GetUsedRange", 30},
      {L"RemoveFilterFromWorksheet", 31},
      {L"AttachNewFileName", 32},
  };
  m_commandTable.clear();
  for (const auto& [name, type] : kCommands) m_commandTable.emplace(name, type);
}

int CommandParser::ParseCommandType(std::wstring name) {
  WriteLog(L"ParseCommandType: Command Name receive", name);
  auto found = m_commandTable.find(name);
  if (found == m_commandTable.end()) {
    WriteLog(L"ParseCommandType: Command type Enum value is not defeined", name);
    return 0;
  }
  if (IsLogEnabled()) {
    WriteLog(L"ParseCommandType",
             FitLogMessage(L"Received Command Type = " + std::to_wstring(found->second)));
  }
  return found->second;
}

CommandBase* CommandParser::CreateCommandObject(int type) {
  switch (type) {
    case 1:  // "Attach"
    case 27:  // "Open"
      return new OpenCommand();
    case 2:  // "Detach"
    case 28:  // "Close"
      return new CloseCommand();
    case 3: return new SetCellCommand();
    case 4: return new DeleteCellsCommand();
    case 5:  // "Find"
    case 7:  // "Replace"
      return new FindReplaceCommand();
    case 8:  // "FindNextEmptyCell"
    case 9:  // "GoToNextEmptyCell"
      return new FindNextEmptyCellCommand();
    case 10: return new GetMultipleCellsCommnd();
    case 11: return new GetSingleRowCommnd();
    case 12: return new GoToCellCommand();
    case 13: return new SwitchToSheetCommand();
    case 14: return new GetSingleCellCommnd();
    case 15: return new RemoveBlankRowsCommand();
    case 16:  // "ReadRow"
    case 17:  // "ReadColumn"
      return new ReadRowColumnCommand();
    case 18:  // "GetCellAddress"
    case 19:  // "GetColumnName"
    case 20:  // "GetRowNumber"
      return new GetCellRowColumnCommand();
    case 21:  // "SelectRows"
    case 22:  // "SelectColumns"
    case 23:  // "SelectCells"
      return new SelectCommand();
    case 24: return new RunMacroCommand();
    case 25: return new GetWorkSheetDataCommand();
    case 32: return new AttachNewFileCommand();
    case 6:   // "GetFindMoreDataResult"
    case 26:  // "GetMoreWorksheetData"
    case 29:  // "GetLastCellAddress"
    case 30:  // "GetUsedRange"
    case 31:  // "RemoveFilterFromWorksheet"
      return new GenericCommand();
    default:
      WriteLog(L"CommandParser::CreateCommandObject", L"No valid Command found");
      return nullptr;
  }
}

void CommandParser::ParseCommand(const excel::Command* command) {
  m_command.reset();
  if (command == nullptr || command->commandname().empty()) {
    m_commandType = 0;
    WriteLog(L"CommandParser",
             L"Not valid command  format found try to entered in this format data&data&");
    return;
  }
  m_commandType = ParseCommandType(ConvertStringToWstring(command->commandname()));
  if (m_commandType == 0) return;
  m_command.reset(CreateCommandObject(m_commandType));
  if (m_command) m_command->ParseParamater(m_commandType, command->parameter());
}
