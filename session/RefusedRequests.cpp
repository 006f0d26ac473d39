// A request refused before any operation runs (a parameter holding a NUL
// character, a session used from another thread): logged under `label` and
// answered with a failed status carrying `message`.
#include "session/CExcelCom.h"
#include "support/Log.h"

int CExcelCom::RefuseRequest(const wchar_t* label, const wchar_t* message) {
  WriteLog(label, message);
  AddErrorMessageToResponse(message);
  BuildResponseFromStatus(0);
  return 0;
}
