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
