// Operations that are not built yet. Each answers a failed status response
// whose error message names the operation, and logs under its own label, so a
// host that sends such a command gets a clear reply instead of a crash.
// Remove an operation's stub here when its real implementation lands.
#include "session/CExcelCom.h"
#include "support/Log.h"

int CExcelCom::AnswerNotAvailable(const wchar_t* operation, const wchar_t* message) {
  WriteLog(operation, message);
  AddErrorMessageToResponse(message);
  BuildResponseFromStatus(0);
  return 0;
}

int CExcelCom::GetMultipleCellsEx(int, const wchar_t*, const wchar_t*, LONG, LONG) {
  return AnswerNotAvailable(L"GetMultipleCellsEx", L"GetMultipleCellsEx is not available yet");
}

int CExcelCom::GetSingleRowEx(const wchar_t*, const wchar_t*, LONG) {
  return AnswerNotAvailable(L"GetSingleRowEx", L"GetSingleRowEx is not available yet");
}

int CExcelCom::ReadRowColumn(int, const wchar_t*, int, int) {
  return AnswerNotAvailable(L"ReadRowColumn", L"ReadRowColumn is not available yet");
}

int CExcelCom::GetColumnNameRowNumber(int, const wchar_t*, int) {
  return AnswerNotAvailable(L"GetColumnNameRowNumber", L"GetColumnNameRowNumber is not available yet");
}

int CExcelCom::GetCellAddressCommand(int, const wchar_t*, LONG) {
  return AnswerNotAvailable(L"GetCellAddressCommand", L"GetCellAddressCommand is not available yet");
}

int CExcelCom::SelectRows(int, LONG, LONG) {
  return AnswerNotAvailable(L"SelectRows", L"SelectRows is not available yet");
}

int CExcelCom::SelectColumns(int, const wchar_t*, const wchar_t*) {
  return AnswerNotAvailable(L"SelectColumns", L"SelectColumns is not available yet");
}

int CExcelCom::SelectCells(int, const wchar_t*, const wchar_t*) {
  return AnswerNotAvailable(L"SelectCells", L"SelectCells is not available yet");
}

int CExcelCom::GetLastCellAddressApi() {
  return AnswerNotAvailable(L"GetLastCellAddressApi", L"GetLastCellAddressApi is not available yet");
}

int CExcelCom::GetUsedRange() {
  return AnswerNotAvailable(L"GetUsedRange", L"GetUsedRange is not available yet");
}

