// The execution switch: one session operation per command type. The
// operation's status is not looked at; its outcome reaches the host through
// the session's response.
#include "dispatch/CommandParser.h"

#include "boundary/TextConversion.h"

void CommandParser::ExecuteExcelComAction() {
  ResetAllDataBeforeExecute();
  if (m_commandType < 1 || m_commandType > 32 || !m_command) return;
  CExcelCom* session = GetExcelComObject(m_command->GetSessionName());
  const CommandBase& p = *m_command;
  if (!p.GetParameterWithNul().empty()) {
    const std::wstring message = L"The parameter \"" + ConvertStringToWstring(p.GetParameterWithNul()) +
                                 L"\" holds a NUL character (\\u0000); the request is refused";
    session->RefuseRequest(L"CommandParser", message.c_str());
    return;
  }
  if (session->BelongsToAnotherThread()) {
    // What the COM runtime answers a call on an interface of another
    // single-threaded apartment; nothing of the session is touched.
    session->RefuseRequest(L"CommandParser",
                           L"RPC_E_WRONG_THREAD (0x8001010E): The application called an interface that was "
                           L"marshalled for a different thread. The session belongs to the thread that opened it");
    return;
  }
  // Text arguments point into temporaries that live until the call returns.
  switch (m_commandType) {
    case 1:  // Attach: OpenExcel(FileName, SheetName, OpenSecureValue, EditSecureValue, open mode 1, ContainHeader, add-ins 0)
      session->OpenExcel(p.GetExcelFilepath().c_str(), p.GetExcelSheetName().c_str(),
                         p.GetSecureValueForOpen().c_str(), p.GetSecureValueForEdit().c_str(),
                         p.GetOpenMode(), p.IsContainHeader(), p.IsAddIns());
      break;
    case 2:  // Detach: CloseExcel(SaveChanges)
      session->CloseExcel(p.IsSaveChangesWhenClosing());
      break;
    case 3:  // SetCell: SetCellValue(SetCellOption, SpecifiedCellFrom, SpecifiedCellTo, SetCellValue)
      session->SetCellValue(p.GetSetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                            p.GetSpecifiedCellTo().c_str(), p.GetSetCellValue().c_str());
      break;
    case 4:  // DeleteCells: DeleteCell(CellOption, SpecifiedCellFrom, SpecifiedCellTo, DeleteOption)
      session->DeleteCell(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                          p.GetSpecifiedCellTo().c_str(), p.GetDeleteCellOption());
      break;
    case 5:  // Find: Find(FromOption, TillOption, SpecifiedCellFrom, SpecifiedCellTo, FindText, SearchOption, MatchCase, MatchEntire)
      session->Find(p.GetFindFromOption(), p.GetFindTillOption(), p.GetSpecifiedCellFrom().c_str(),
                    p.GetSpecifiedCellTo().c_str(), p.GetActualFindText().c_str(),
                    p.IsSearchByRow(), p.IsMatchCase(), p.IsMatchEntireContent());
      break;
    case 6:  // GetFindMoreDataResult: GetNextFindResult()
      session->GetNextFindResult();
      break;
    case 7:  // Replace: Replace(FromOption, TillOption, SpecifiedCellFrom, SpecifiedCellTo, FindText, ReplaceText, SearchOption, MatchCase, MatchEntire)
      session->Replace(p.GetFindFromOption(), p.GetFindTillOption(),
                       p.GetSpecifiedCellFrom().c_str(), p.GetSpecifiedCellTo().c_str(),
                       p.GetActualFindText().c_str(), p.GetReplaceFindText().c_str(),
                       p.IsSearchByRow(), p.IsMatchCase(), p.IsMatchEntireContent());
      break;
    case 8:  // FindNextEmptyCell: FindNextEmptyCell(CellOption, SpecifiedCellFrom, SearchOption)
      session->FindNextEmptyCell(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                                 p.IsSearchByRow());
      break;
    case 9:  // GoToNextEmptyCell: GoToNextEmptyCell(CellOption, SpecifiedCellFrom, ToWards)
      session->GoToNextEmptyCell(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                                 p.GetTowardsOption());
      break;
    case 10:  // GetMultipleCells: GetMultipleCellsEx(GetMultipleCellsOption, SpecifiedCellFrom, SpecifiedCellTo, SpecifiedRowFrom, SpecifiedRowTo)
      session->GetMultipleCellsEx(p.GetMultipleCellsOption(), p.GetSpecifiedCellFrom().c_str(),
                                  p.GetSpecifiedCellTo().c_str(), p.GetSpecifiedRowFrom(),
                                  p.GetSpecifiedRowTo());
      break;
    case 11:  // GetSingleRow: GetSingleRowEx(SpecifiedCellFrom, SpecifiedCellTo, SpecificRow)
      session->GetSingleRowEx(p.GetSpecifiedCellFrom().c_str(), p.GetSpecifiedCellTo().c_str(),
                              p.GetSpecificRow());
      break;
    case 12:  // GoToCell: GoToCell(CellOption, SpecifiedCellFrom, SpecifiedCellTo, ActiveCellOption)
      session->GoToCell(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                        p.GetSpecifiedCellTo().c_str(), p.GetActiveCellOption());
      break;
    case 13:  // SwitchToSheet: SwitchToSheet(ActivateSheetOption, Index, Name, HasChart)
      session->SwitchToSheet(p.GetActivateSheetOption(), p.GetActivateSheetIndex(),
                             p.GetActivateSheetName().c_str(), p.hasChart());
      break;
    case 14:  // GetSingleCell: GetSingleCell(CellOption -> single-cell option, CellAddress)
      session->GetSingleCell(p.GetSingleCellOption(), p.GetCellAddress().c_str());
      break;
    case 15:  // RemoveBlankRows: RemoveBlankRows(BeginningRowOption, BeginningSpecificRowOption, BeginningRowNumber, BeginningCellAddress, EndRowOption, EndSpecificRowOption, EndRowNumber, EndCellAddress)
      session->RemoveBlankRows(p.GetBeginningRowOption(), p.GetBeginnigSpecificRowOption(),
                               p.GetBeginningRowNumner(), p.GetBeginningCellAddress().c_str(),
                               p.GetEndRowOption(), p.GetEndSpecificRowOption(),
                               p.GetEndRowNumner(), p.GetEndCellAddress().c_str());
      break;
    case 16:  // ReadRow: ReadRowColumn(CellOption, CellAddress, ReadFull, 1)
      session->ReadRowColumn(p.GetReadCellOption(), p.GetReadCellAddress().c_str(),
                             p.IsReadFull(), 1);
      break;
    case 17:  // ReadColumn: ReadRowColumn(CellOption, CellAddress, ReadFull, 0)
      session->ReadRowColumn(p.GetReadCellOption(), p.GetReadCellAddress().c_str(),
                             p.IsReadFull(), 0);
      break;
    case 18:  // GetCellAddress: GetCellAddressCommand(CellOption, ColumnTitle, CellPosition)
      session->GetCellAddressCommand(p.GetCellOption(), p.GetColumnTitle().c_str(),
                                     p.GetCellPosition());
      break;
    case 19:  // GetColumnName: GetColumnNameRowNumber(CellOption, CellAddress, 0)
      session->GetColumnNameRowNumber(p.GetCellOption(), p.GetCellAddress().c_str(), 0);
      break;
    case 20:  // GetRowNumber: GetColumnNameRowNumber(CellOption, CellAddress, 1)
      session->GetColumnNameRowNumber(p.GetCellOption(), p.GetCellAddress().c_str(), 1);
      break;
    case 21:  // SelectRows: SelectRows(CellOption, SpecifiedRowFrom, SpecifiedRowTo)
      session->SelectRows(p.GetCellOption(), p.GetSpecifiedRowFrom(), p.GetSpecifiedRowTo());
      break;
    case 22:  // SelectColumns: SelectColumns(CellOption, SpecifiedColumnFrom, SpecifiedColumnTo)
      session->SelectColumns(p.GetCellOption(), p.GetSpecifiedColumnFrom().c_str(),
                             p.GetSpecifiedColumnTo().c_str());
      break;
    case 23:  // SelectCells: SelectCells(CellOption, SpecifiedCellFrom, SpecifiedCellTo)
      session->SelectCells(p.GetCellOption(), p.GetSpecifiedCellFrom().c_str(),
                           p.GetSpecifiedCellTo().c_str());
      break;
    case 24:  // RunMacro: RunMacro(MacroName, MacroArgument)
      session->RunMacro(p.GetMacroName().c_str(), p.GetMacroArguments().c_str());
      break;
    case 25:  // GetWorksheetData: GetWorkSheetData(SheetOption, SheetName -> data worksheet name)
      session->GetWorkSheetData(p.GetWorkSheetOption(), p.GetDataWorksheetName().c_str());
      break;
    case 26:  // GetMoreWorksheetData: GetWorkSheetMoreData()
      session->GetWorkSheetMoreData();
      break;
    case 27:  // Open: OpenExcelEx(FileName, SheetName, OpenSecureValue, EditSecureValue, open mode 1, ContainHeader, add-ins 0)
      session->OpenExcelEx(p.GetExcelFilepath().c_str(), p.GetExcelSheetName().c_str(),
                           p.GetSecureValueForOpen().c_str(), p.GetSecureValueForEdit().c_str(),
                           p.GetOpenMode(), p.IsContainHeader(), p.IsAddIns());
      break;
    case 28:  // Close: CloseExcelEx(SaveChanges)
      session->CloseExcelEx(p.IsSaveChangesWhenClosing());
      break;
    case 29:  // GetLastCellAddress: GetLastCellAddressApi()
      session->GetLastCellAddressApi();
      break;
    case 30:  // GetUsedRange: GetUsedRange()
      session->GetUsedRange();
      break;
    case 31:  // RemoveFilterFromWorksheet: RemoveFilterFromWorksheet()
      session->RemoveFilterFromWorksheet();
      break;
    case 32:  // AttachNewFileName: AttachNewFileName(FileName)
      session->AttachNewFileName(p.GetExcelFilepath().c_str());
      break;
  }
}
