// Ending or re-targeting a session: "Detach" saves on request and lets go of
// the application (the workbook stays open, the application keeps running);
// "Close" saves on request, closes the workbook and quits the application;
// "AttachNewFileName" lets go of the application and workbook and finds
// another running workbook by its path, keeping the session's sheet.
//
// The status of "Detach" and "Close" is the outcome of the save: true when
// nothing had to be saved or the save succeeded.
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

namespace {
const wchar_t kErrorDetach[] = L"EXCEL_QUV_DETACH_100";
}  // namespace

int CExcelCom::Save(int saveChanges) {
  if (m_workbook == nullptr) return 0;
  if (saveChanges == 0) return 1;
  // Alerts off so that the application asks nothing while saving; back on
  // whatever the outcome.
  SetApplicationDisplayAlerts(m_application, 0);
  const int saved = InvokeMethod(m_workbook, L"Save", DISPATCH_METHOD);
  SetApplicationDisplayAlerts(m_application, 1);
  return saved;
}

int CExcelCom::CloseWorkBook() {
  if (m_workbook == nullptr) return 0;
  return InvokeMethod(m_workbook, L"Close", DISPATCH_PROPERTYGET);
}

void CExcelCom::ReleaseExcel() {
  if (m_application == nullptr) return;
  WriteLog(L"ReleaseExcel", L"QUIT Excel");
  ClearAllArgs();
  OwnedVariant result;
  ExlInvoke(m_application, L"Quit", result.Out(), DISPATCH_METHOD, 0);
}

int CExcelCom::LetGoOfExcel(const wchar_t* label, int result) {
  try {
    ReleaseConnection();
    CoUninitialize();
    BuildResponseFromStatus(result);
  } catch (...) {
    AddErrorCodeToResponse(kErrorDetach);
    BuildResponseFromStatus(0);
    WriteLog(label, L"error in releasing and co uninitialze");
    result = 0;
  }
  WriteLog(label, L"End");
  return result;
}

int CExcelCom::CloseExcel(int saveChanges) {
  static const wchar_t kLabel[] = L"CloseExcel";
  WriteLog(kLabel, L"Start");
  const int result = Save(saveChanges);
  return LetGoOfExcel(kLabel, result);
}

int CExcelCom::CloseExcelEx(int saveChanges) {
  static const wchar_t kLabel[] = L"CloseExcelEx";
  WriteLog(kLabel, L"Start");
  const int result = Save(saveChanges);
  // Closing and quitting do not change the status: it tells whether the
  // changes that were asked to be kept are kept. Alerts go off first: with
  // unsaved changes left (nothing asked to save them, or the save failed) the
  // application would otherwise ask whether to save and block the call.
  SetApplicationDisplayAlerts(m_application, 0);
  CloseWorkBook();
  ReleaseExcel();
  return LetGoOfExcel(kLabel, result);
}

int CExcelCom::AttachNewFileName(const wchar_t* filePath) {
  static const wchar_t kLabel[] = L"AttachNewFileName";
  WriteLog(kLabel, L"AttachNewFileName to Excel ");
  WriteLog(kLabel, filePath);
  ReleaseMember(m_application);
  ReleaseMember(m_workbook);

  int result = 0;
  if (filePath == nullptr || *filePath == L'\0') {
    WriteLog(L"OpenExcel", L"Excel path is not provided");
  } else {
    GetAllRunningExcelInstance(filePath);
    result = m_application != nullptr ? 1 : 0;
  }
  BuildResponseFromStatus(result);
  return result;
}
