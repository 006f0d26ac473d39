// The command table: one row per command (name, type, parameter class,
// session operation), and the parser steps that use it.
#include <string>

#include "dispatch/CommandParser.h"
#include "dispatch/CommandType.h"
#include "dispatch/LogFormat.h"
#include "dispatch/ParameterCommands.h"
#include "support/Log.h"
#include "support/TextConversion.h"

namespace {

template <class Parameters>
CommandBase* Create() {
  return new Parameters();
}

using S = CExcelCom;
using P = CommandBase;

// Text arguments point into temporaries that live until the call returns.
constexpr CommandRow kRows[kLastCommandType] = {
    {L"Attach", CommandType::Attach, Create<OpenCommand>,
     [](S& s, const P& p) {
       s.OpenExcel(p.GetExcelFilepath().c_str(), p.GetExcelSheetName().c_str(),
                   p.GetSecureValueForOpen().c_str(), p.GetSecureValueForEdit().c_str(),
                   p.GetOpenMode(), p.IsContainHeader(), p.IsAddIns());
     }},
    {L"Detach", CommandType::Detach, Create<CloseCommand>,
     [](S& s, const P& p) { s.CloseExcel(p.IsSaveChangesWhenClosing()); }},
    {L"SetCell", CommandType::SetCell, Create<SetCellCommand>,
     [](S& s, const P& p) {
       s.SetCellValue(p.GetSetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                      p.GetSpecifiedCellTo().c_str(), p.GetSetCellValue().c_str());
     }},
    {L"DeleteCells", CommandType::DeleteCells, Create<DeleteCellsCommand>,
     [](S& s, const P& p) {
       s.DeleteCell(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                    p.GetSpecifiedCellTo().c_str(), p.GetDeleteCellOption());
     }},
    {L"Find", CommandType::Find, Create<FindReplaceCommand>,
     [](S& s, const P& p) {
       s.Find(p.GetFindFromOption(), p.GetFindTillOption(), p.GetSpecifiedCellFrom().c_str(),
              p.GetSpecifiedCellTo().c_str(), p.GetActualFindText().c_str(), p.IsSearchByRow(),
              p.IsMatchCase(), p.IsMatchEntireContent());
     }},
    {L"GetFindMoreDataResult", CommandType::GetFindMoreDataResult, Create<GenericCommand>,
     [](S& s, const P&) { s.GetNextFindResult(); }},
    {L"Replace", CommandType::Replace, Create<FindReplaceCommand>,
     [](S& s, const P& p) {
       s.Replace(p.GetFindFromOption(), p.GetFindTillOption(), p.GetSpecifiedCellFrom().c_str(),
                 p.GetSpecifiedCellTo().c_str(), p.GetActualFindText().c_str(),
                 p.GetReplaceFindText().c_str(), p.IsSearchByRow(), p.IsMatchCase(),
                 p.IsMatchEntireContent());
     }},
    {L"FindNextEmptyCell", CommandType::FindNextEmptyCell, Create<FindNextEmptyCellCommand>,
     [](S& s, const P& p) {
       s.FindNextEmptyCell(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                           p.IsSearchByRow());
     }},
    {L"GoToNextEmptyCell", CommandType::GoToNextEmptyCell, Create<FindNextEmptyCellCommand>,
     [](S& s, const P& p) {
       s.GoToNextEmptyCell(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                           p.GetTowardsOption());
     }},
    {L"GetMultipleCells", CommandType::GetMultipleCells, Create<GetMultipleCellsCommnd>,
     [](S& s, const P& p) {
       s.GetMultipleCellsEx(p.GetMultipleCellsOption(), p.GetSpecifiedCellFrom().c_str(),
                            p.GetSpecifiedCellTo().c_str(), p.GetSpecifiedRowFrom(),
                            p.GetSpecifiedRowTo());
     }},
    {L"GetSingleRow", CommandType::GetSingleRow, Create<GetSingleRowCommnd>,
     [](S& s, const P& p) {
       s.GetSingleRowEx(p.GetSpecifiedCellFrom().c_str(), p.GetSpecifiedCellTo().c_str(),
                        p.GetSpecificRow());
     }},
    {L"GoToCell", CommandType::GoToCell, Create<GoToCellCommand>,
     [](S& s, const P& p) {
       s.GoToCell(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                  p.GetSpecifiedCellTo().c_str(), p.GetActiveCellOption());
     }},
    {L"SwitchToSheet", CommandType::SwitchToSheet, Create<SwitchToSheetCommand>,
     [](S& s, const P& p) {
       s.SwitchToSheet(p.GetActivateSheetOption(), p.GetActivateSheetIndex(),
                       p.GetActivateSheetName().c_str(), p.hasChart());
     }},
    {L"GetSingleCell", CommandType::GetSingleCell, Create<GetSingleCellCommnd>,
     [](S& s, const P& p) {
       // "CellOption" arrives as the single-cell option.
       s.GetSingleCell(p.GetSingleCellOption(), p.GetCellAddress().c_str());
     }},
    {L"RemoveBlankRows", CommandType::RemoveBlankRows, Create<RemoveBlankRowsCommand>,
     [](S& s, const P& p) {
       s.RemoveBlankRows(p.GetBeginningRowOption(), p.GetBeginnigSpecificRowOption(),
                         p.GetBeginningRowNumner(), p.GetBeginningCellAddress().c_str(),
                         p.GetEndRowOption(), p.GetEndSpecificRowOption(), p.GetEndRowNumner(),
                         p.GetEndCellAddress().c_str());
     }},
    {L"ReadRow", CommandType::ReadRow, Create<ReadRowColumnCommand>,
     [](S& s, const P& p) {
       s.ReadRowColumn(p.GetReadCellOption(), p.GetReadCellAddress().c_str(), p.IsReadFull(), 1);
     }},
    {L"ReadColumn", CommandType::ReadColumn, Create<ReadRowColumnCommand>,
     [](S& s, const P& p) {
       s.ReadRowColumn(p.GetReadCellOption(), p.GetReadCellAddress().c_str(), p.IsReadFull(), 0);
     }},
    {L"GetCellAddress", CommandType::GetCellAddress, Create<GetCellRowColumnCommand>,
     [](S& s, const P& p) {
       s.GetCellAddressCommand(p.GetCellOption(), p.GetColumnTitle().c_str(), p.GetCellPosition());
     }},
    {L"GetColumnName", CommandType::GetColumnName, Create<GetCellRowColumnCommand>,
     [](S& s, const P& p) {
       s.GetColumnNameRowNumber(p.GetCellOption(), p.GetCellAddress().c_str(), 0);
     }},
    {L"GetRowNumber", CommandType::GetRowNumber, Create<GetCellRowColumnCommand>,
     [](S& s, const P& p) {
       s.GetColumnNameRowNumber(p.GetCellOption(), p.GetCellAddress().c_str(), 1);
     }},
    {L"SelectRows", CommandType::SelectRows, Create<SelectCommand>,
     [](S& s, const P& p) {
       s.SelectRows(p.GetCellOption(), p.GetSpecifiedRowFrom(), p.GetSpecifiedRowTo());
     }},
    {L"SelectColumns", CommandType::SelectColumns, Create<SelectCommand>,
     [](S& s, const P& p) {
       s.SelectColumns(p.GetCellOption(), p.GetSpecifiedColumnFrom().c_str(),
                       p.GetSpecifiedColumnTo().c_str());
     }},
    {L"SelectCells", CommandType::SelectCells, Create<SelectCommand>,
     [](S& s, const P& p) {
       s.SelectCells(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                     p.GetSpecifiedCellTo().c_str());
     }},
    {L"RunMacro", CommandType::RunMacro, Create<RunMacroCommand>,
     [](S& s, const P& p) { s.RunMacro(p.GetMacroName().c_str(), p.GetMacroArguments().c_str()); }},
    {L"GetWorksheetData", CommandType::GetWorksheetData, Create<GetWorkSheetDataCommand>,
     [](S& s, const P& p) {
       // "SheetName" arrives as the data worksheet name.
       s.GetWorkSheetData(p.GetWorkSheetOption(), p.GetDataWorksheetName().c_str());
     }},
    {L"GetMoreWorksheetData", CommandType::GetMoreWorksheetData, Create<GenericCommand>,
     [](S& s, const P&) { s.GetWorkSheetMoreData(); }},
    {L"Open", CommandType::Open, Create<OpenCommand>,
     [](S& s, const P& p) {
       s.OpenExcelEx(p.GetExcelFilepath().c_str(), p.GetExcelSheetName().c_str(),
                     p.GetSecureValueForOpen().c_str(), p.GetSecureValueForEdit().c_str(),
                     p.GetOpenMode(), p.IsContainHeader(), p.IsAddIns());
     }},
    {L"Close", CommandType::Close, Create<CloseCommand>,
     [](S& s, const P& p) { s.CloseExcelEx(p.IsSaveChangesWhenClosing()); }},
    {L"GetLastCellAddress", CommandType::GetLastCellAddress, Create<GenericCommand>,
     [](S& s, const P&) { s.GetLastCellAddressApi(); }},
    {L"GetUsedRange", CommandType::GetUsedRange, Create<GenericCommand>,
     [](S& s, const P&) { s.GetUsedRange(); }},
    {L"RemoveFilterFromWorksheet", CommandType::RemoveFilterFromWorksheet, Create<GenericCommand>,
     [](S& s, const P&) { s.RemoveFilterFromWorksheet(); }},
    {L"AttachNewFileName", CommandType::AttachNewFileName, Create<AttachNewFileCommand>,
     [](S& s, const P& p) { s.AttachNewFileName(p.GetExcelFilepath().c_str()); }},
};

// Row n - 1 is the row of type n.
constexpr bool RowsAreInTypeOrder() {
  for (int i = 0; i < kLastCommandType; ++i) {
    if (static_cast<int>(kRows[i].type) != i + 1) return false;
  }
  return true;
}
static_assert(RowsAreInTypeOrder(), "the command rows must be in type order, 1 to 32");

}  // namespace

const CommandRow* CommandRows() { return kRows; }

const CommandRow* FindCommandRow(CommandType type) {
  const int number = static_cast<int>(type);
  if (number < 1 || number > kLastCommandType) return nullptr;
  return &kRows[number - 1];
}

CommandParser::CommandParser() { PrepareCommandMap(); }

void CommandParser::PrepareCommandMap() {
  m_commandTable.clear();
  for (const CommandRow& row : kRows) m_commandTable.emplace(row.name, row.type);
}

CommandType CommandParser::ParseCommandType(std::wstring name) {
  WriteLog(L"ParseCommandType: Command Name receive", name);
  auto found = m_commandTable.find(name);
  if (found == m_commandTable.end()) {
    WriteLog(L"ParseCommandType: Command type Enum value is not defeined", name);
    return CommandType::None;
  }
  if (IsLogEnabled()) {
    WriteLog(L"ParseCommandType", FitLogMessage(L"Received Command Type = " +
                                                std::to_wstring(static_cast<int>(found->second))));
  }
  return found->second;
}

CommandBase* CommandParser::CreateCommandObject(CommandType type) {
  const CommandRow* row = FindCommandRow(type);
  if (row == nullptr) {
    WriteLog(L"CommandParser::CreateCommandObject", L"No valid Command found");
    return nullptr;
  }
  return row->createParameters();
}

void CommandParser::ParseCommand(const excel::Command* command) {
  m_command.reset();
  if (command == nullptr || command->commandname().empty()) {
    m_commandType = CommandType::None;
    WriteLog(L"CommandParser",
             L"Not valid command  format found try to entered in this format data&data&");
    return;
  }
  m_commandType = ParseCommandType(ConvertStringToWstring(command->commandname()));
  if (m_commandType == CommandType::None) return;
  m_command.reset(CreateCommandObject(m_commandType));
  if (m_command) m_command->ParseParamater(static_cast<int>(m_commandType), command->parameter());
}
