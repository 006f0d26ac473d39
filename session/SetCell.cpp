// "SetCell": writes one text into the active cell, a named cell, or every
// cell of a named range, with header protection: while the session was
// connected with "ContainHeader", no target whose top-left cell lies in
// worksheet row 1 is written.
#include <string>

#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

int CExcelCom::isRangeContainsInHeader(IDispatch* range) {
  static const wchar_t kLabel[] = L"isRangeContainsInHeader";
  WriteLog(kLabel, L"Start");
  if (range == nullptr) return 0;
  ClearAllArgs();
  AddArgumentInt2(nullptr, 0, 1);
  AddArgumentInt2(nullptr, 0, 1);
  OwnedVariant topLeft;
  LONG row = 0, column = 0;
  if (ExlInvoke(range, L"Cells", topLeft.Out(), DISPATCH_PROPERTYGET, kClearArgumentsAfterCall) &&
      topLeft.HoldsDispatch()) {
    OwnedVariant address(GetReferenceAddressFromDispatch(topLeft.Dispatch()));
    if (address.Type() == VT_BSTR) {
      WriteLog(L"isRangeContainsInHeader: Found cell Address", address.Text());
      GetRowColIndexFromReferenceAddress(address.Get().bstrVal, row, column);
    }
  }
  topLeft.Reset();
  WriteLog(kLabel, L"End");
  return row == 1 ? 1 : 0;
}

int CExcelCom::SetDispatcherCellValue(IDispatch* target, const wchar_t* value) {
  static const wchar_t kLabel[] = L"SetDispatcherCellValue";
  WriteLog(kLabel, L"Start");
  if (target == nullptr) {
    WriteLog(kLabel, L"Blank Dispatcher");
    return 0;
  }
  if (m_containHeader != 0 && isRangeContainsInHeader(target) == 1) {
    AddErrorCodeToResponse(L"EXCEL_QUV_SETCELL_101");
    WriteLog(kLabel, L"Unable to Set header cell value");
    return 0;
  }
  ClearAllArgs();
  AddArgumentOLEString(nullptr, 0, value != nullptr ? value : L"");
  // A put answers no result.
  if (!ExlInvoke(target, L"Value", nullptr, DISPATCH_PROPERTYPUT, kClearArgumentsAfterCall)) {
    WriteLog(kLabel, L"Failed to Set Value");
    return 0;
  }
  WriteLog(kLabel, L"Success");
  return 1;
}

int CExcelCom::SetCellValue(int setCellOption, const wchar_t* cellFrom, const wchar_t* cellTo,
                            const wchar_t* value) {
  static const wchar_t kLabel[] = L"SetCellValue";
  if (IsLogEnabled()) {
    WriteLog(kLabel, std::wstring(L"Set Cell Data Option = ") + std::to_wstring(setCellOption) +
                         L" From Cell = " + (cellFrom != nullptr ? cellFrom : L"") +
                         L" To Cell = " + (cellTo != nullptr ? cellTo : L"") + L" ");
  }
  OwnedVariant target;
  int result = 0;
  if (setCellOption == 0) {
    target.Reset(GetActiveCellDispatcher());
    result = SetDispatcherCellValue(target.Dispatch(), value);
  } else if (setCellOption == 1) {
    ActivateWorkBook();
    if (cellTo == nullptr || *cellTo == L'\0') {
      target.Reset(GetSpecifiedCellDispatcher(cellFrom));
    } else {
      target.Reset(GetWorkSheetRanges(cellFrom, cellTo));
    }
    IDispatch* range = target.Dispatch();
    if (range != nullptr) SelectRange(range);
    result = SetDispatcherCellValue(range, value);
  }
  target.Reset();
  WriteLog(kLabel, L"Preparing result");
  if (result == 0 && m_errorCode[0] == L'\0') AddErrorCodeToResponse(L"EXCEL_QUV_SETCELL_100");
  BuildResponseFromStatus(result);
  return result;
}
