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

int CExcelCom::RefuseRequest(const wchar_t* label, const wchar_t* message) {
  return AnswerNotAvailable(label, message);
}

int CExcelCom::DeleteCell(int, const wchar_t*, const wchar_t*, int) {
  return AnswerNotAvailable(L"DeleteCell", L"DeleteCell is not available yet");
}

int CExcelCom::Find(int, int, const wchar_t*, const wchar_t*, const wchar_t*, int, int, int) {
  return AnswerNotAvailable(L"Find", L"Find is not available yet");
}

int CExcelCom::GetNextFindResult() {
  return AnswerNotAvailable(L"GetNextFindResult", L"GetNextFindResult is not available yet");
}

int CExcelCom::Replace(int, int, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, int, int, int) {
  return AnswerNotAvailable(L"Replace", L"Replace is not available yet");
}

int CExcelCom::FindNextEmptyCell(int, const wchar_t*, int) {
  return AnswerNotAvailable(L"FindNextEmptyCell", L"FindNextEmptyCell is not available yet");
}

int CExcelCom::GoToNextEmptyCell(int, const wchar_t*, int) {
  return AnswerNotAvailable(L"GoToNextEmptyCell", L"GoToNextEmptyCell is not available yet");
}

int CExcelCom::RemoveBlankRows(int, int, LONG, const wchar_t*, int, int, LONG, const wchar_t*) {
  return AnswerNotAvailable(L"RemoveBlankRows", L"RemoveBlankRows is not available yet");
}
