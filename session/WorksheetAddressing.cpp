// Worksheet addressing: turning what a command names (the active cell, a cell
// such as B7, a block such as A1:C9, whole rows such as 3 to 5, the last cell,
// the used range) into an interface or an address on the session's current
// worksheet. No helper here sets an error code; the calling operation decides
// it. A null worksheet (or application, for the active cell) gives the empty
// result without any call.
#include <cwctype>
#include <string>

#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

VARIANT CExcelCom::InvokeGet(IDispatch* target, const wchar_t* member) {
  if (target == nullptr) return EmptyVariant();
  ClearAllArgs();
  OwnedVariant result;
  if (!ExlInvoke(target, member, result.Out(), DISPATCH_PROPERTYGET, kClearArgumentsAfterCall)) {
    return EmptyVariant();
  }
  return result.Detach();
}

int CExcelCom::InvokeMethod(IDispatch* target, const wchar_t* member, WORD kind) {
  if (target == nullptr) return 0;
  ClearAllArgs();
  OwnedVariant result;
  return ExlInvoke(target, member, result.Out(), kind, kClearArgumentsAfterCall);
}

void CExcelCom::ActivateWorkBook() {
  if (m_workbook == nullptr) return;
  if (!InvokeMethod(m_workbook, L"Activate", DISPATCH_METHOD)) {
    WriteLog(L"GetActiveCellStringValue", L"Error in activating workbook");
  }
}

LONG CExcelCom::GetWorkSheetTotalRowsCount() {
  return CountOfWorksheetCollection(L"Rows", L"GetWorkSheetTotalRowsCount", L"Received total Rows");
}

LONG CExcelCom::GetWorkSheetTotalColumnsCount() {
  return CountOfWorksheetCollection(L"Columns", L"GetWorkSheetTotalColumnsCount", L"Received total Cols");
}

LONG CExcelCom::CountOfWorksheetCollection(const wchar_t* collection, const wchar_t* label,
                                           const wchar_t* receivedMessage) {
  OwnedVariant items(InvokeGet(m_worksheet, collection));
  if (!items.HoldsDispatch()) return 0;
  OwnedVariant count(InvokeGet(items.Dispatch(), L"Count"));
  const LONG total = GetCountValue(count.Get());
  if (!count.IsEmpty()) WriteLog(label, receivedMessage);
  return total;
}

VARIANT CExcelCom::GetWorkSheetAllCellRangeDispatcher() {
  if (m_worksheet == nullptr) return EmptyVariant();
  VARIANT cells = InvokeGet(m_worksheet, L"Cells");
  if (cells.vt == VT_EMPTY) WriteLog(L"GetWorkSheetAllCellRangeDispatcher", L"Failed to get Range");
  return cells;
}

VARIANT CExcelCom::GetWorkSheetSpecificCellDispatcher(LONG row, LONG column) {
  static const wchar_t kLabel[] = L"GetWorkSheetSpecificCellDispatcher";
  if (m_worksheet == nullptr) {
    WriteLog(kLabel, L"worksheet is null");
    return EmptyVariant();
  }
  ClearAllArgs();
  AddArgumentLong(L"RowIndex", 0, row);
  AddArgumentLong(L"ColumnIndex", 0, column);
  OwnedVariant cell;
  if (!ExlInvoke(m_worksheet, L"Cells", cell.Out(), DISPATCH_PROPERTYGET,
                 kClearArgumentsAfterCall)) {
    WriteLog(kLabel, L"Failed to get Range");
    return EmptyVariant();
  }
  return cell.Detach();
}

VARIANT CExcelCom::GetWorkSheetRanges(const wchar_t* from, const wchar_t* to) {
  if (m_worksheet == nullptr) return EmptyVariant();
  // The whole text goes to the application, however long: a cut address
  // could name a different range than the one asked for.
  std::wstring rangeText = from != nullptr ? from : L"";
  rangeText += L':';
  rangeText += to != nullptr ? to : L"";
  WriteLog(L"GetWorkSheetRanges: ", rangeText);

  ClearAllArgs();
  AddArgumentOLEString(nullptr, 0, rangeText.c_str());
  // "3" to "5" names whole rows, which only "Rows" accepts; anything else is
  // an A1 block for "Range".
  const bool wholeRows = from != nullptr && *from >= L'0' && *from <= L'9';
  OwnedVariant range;
  if (!ExlInvoke(m_worksheet, wholeRows ? L"Rows" : L"Range", range.Out(), DISPATCH_PROPERTYGET,
                 kClearArgumentsAfterCall)) {
    WriteLog(L"GetWorkSheetRanges", L"Failed to get Range");
    return EmptyVariant();
  }
  return range.Detach();
}

VARIANT CExcelCom::GetWorkSheetUsedRangeDispatcher() {
  if (m_worksheet == nullptr) return EmptyVariant();
  VARIANT usedRange = InvokeGet(m_worksheet, L"UsedRange");
  if (usedRange.vt == VT_EMPTY) {
    WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"Used range is not found");
  }
  return usedRange;
}

VARIANT CExcelCom::GetLastCellAddress() {
  static const wchar_t kLabel[] = L"GetLastCellAddress";
  OwnedVariant usedRange(InvokeGet(m_worksheet, L"UsedRange"));
  if (!usedRange.HoldsDispatch()) return EmptyVariant();
  OwnedVariant address;
  ClearAllArgs();
  AddArgumentInt2(nullptr, 0, 11);  // xlCellTypeLastCell
  OwnedVariant lastCell;
  if (ExlInvoke(usedRange.Dispatch(), L"SpecialCells", lastCell.Out(), DISPATCH_PROPERTYGET,
                kClearArgumentsAfterCall) &&
      lastCell.HoldsDispatch()) {
    WriteLog(kLabel, L"Found special cell address.");
    address.Reset(InvokeGet(lastCell.Dispatch(), L"Address"));
    if (address.IsEmpty()) WriteLog(kLabel, L"Failed to Get Address - EXCEL_MEMBER_SPECIAL_CELLS");
  } else {
    OwnedVariant usedAddress(InvokeGet(usedRange.Dispatch(), L"Address"));
    if (usedAddress.IsEmpty()) {
      WriteLog(kLabel, L"Failed to Get Address - EXCEL_MEMBER_ADDRESS");
    } else {
      // The bottom-right corner of "$B$2:$F$30", or of "$3:$7" / "$B:$D".
      std::wstring corner = usedAddress.Text();
      const size_t colon = corner.find(L':');
      if (colon != std::wstring::npos) corner.erase(0, colon + 1);
      address.Reset(ExtractRange(usedRange.Dispatch(), corner));
    }
  }
  WriteLog(kLabel, L"End");
  return address.Detach();
}

VARIANT CExcelCom::ExtractRange(IDispatch* usedRange, std::wstring address) {
  static const wchar_t kLabel[] = L"ExtractRange";
  size_t dollars = 0;
  bool onlyRowText = true;
  for (wchar_t c : address) {
    if (c == L'$') {
      ++dollars;
    } else if (c < L'0' || c > L'9') {
      onlyRowText = false;
    }
  }
  if (address.empty() || dollars >= 2) return OwnedVariant::FromText(address).Detach();

  // A column such as "$D" is completed with the used range's last row, a row
  // such as "$20" with its last column.
  OwnedVariant count;
  {
    OwnedVariant lines(InvokeGet(usedRange, onlyRowText ? L"Columns" : L"Rows"));
    if (lines.HoldsDispatch()) count.Reset(InvokeGet(lines.Dispatch(), L"Count"));
  }
  if (count.IsEmpty()) return OwnedVariant::FromText(std::wstring()).Detach();
  WriteLog(kLabel, onlyRowText ? L"Received total used Columns" : L"Received total used Rows");
  const LONG total = GetCountValue(count.Get());
  const std::wstring corner = onlyRowText ? L"$" + GetColumnName(total) + address
                                          : address + L"$" + std::to_wstring(total);
  return OwnedVariant::FromText(corner).Detach();
}

VARIANT CExcelCom::GetSpecifiedCellDispatcher(const wchar_t* address) {
  static const wchar_t kLabel[] = L"GetSpecifiedCellDispatcher";
  if (m_worksheet == nullptr) {
    WriteLog(kLabel, L"worksheet object is null");
    return EmptyVariant();
  }
  ClearAllArgs();
  AddArgumentOLEString(nullptr, 0, address != nullptr ? address : L"");
  OwnedVariant range;
  if (!ExlInvoke(m_worksheet, L"Range", range.Out(), DISPATCH_PROPERTYGET,
                 kClearArgumentsAfterCall)) {
    return EmptyVariant();
  }
  WriteLog(kLabel, L"Success");
  return range.Detach();
}

VARIANT CExcelCom::GetSpecifiedCellAddress(const wchar_t* address) {
  OwnedVariant range(GetSpecifiedCellDispatcher(address));
  if (!range.HoldsDispatch()) return EmptyVariant();
  return GetAddressFromDispatch(range.Dispatch(), 1);
}

wchar_t* CExcelCom::GetCellValueByRowCol(LONG row, LONG column) {
  static const wchar_t kLabel[] = L"GetCellValueByRowCol";
  if (m_worksheet == nullptr) return nullptr;
  ClearAllArgs();
  AddArgumentLong(nullptr, 0, column);  // positional arguments go in reverse order
  AddArgumentLong(nullptr, 0, row);
  OwnedVariant value;
  {
    OwnedVariant cell;
    if (!ExlInvoke(m_worksheet, L"Cells", cell.Out(), DISPATCH_PROPERTYGET,
                   kClearArgumentsAfterCall) ||
        !cell.HoldsDispatch()) {
      return nullptr;
    }
    ClearAllArgs();
    if (!ExlInvoke(cell.Dispatch(), L"Value", value.Out(), DISPATCH_PROPERTYGET, 0)) return nullptr;
  }
  WriteLog(kLabel, L"Invoke value successs");

  if (value.Type() != VT_ERROR && value.Get().llVal != 0) {
    OwnedVariant converted;
    if (SUCCEEDED(VariantChangeType(converted.Out(), &value.Get(), 0, VT_BSTR))) {
      wchar_t* text = NewTextArray(converted.Text());
      WriteLog(kLabel, L"Found Data Value Data");
      return text;
    }
  } else if (value.IsEmpty()) {
    return NewTextArray(std::wstring());
  }
  return nullptr;
}

wchar_t* CExcelCom::GetActiveCellStringValue() {
  static const wchar_t kLabel[] = L"GetActiveCellStringValue";
  if (m_application == nullptr) return nullptr;
  ActivateWorkBook();
  OwnedVariant value;
  {
    OwnedVariant cell(InvokeGet(m_application, L"ActiveCell"));
    if (!cell.HoldsDispatch()) return nullptr;
    ClearAllArgs();
    if (!ExlInvoke(cell.Dispatch(), L"Value", value.Out(), DISPATCH_PROPERTYGET, 0)) return nullptr;
  }

  std::wstring text;
  if (value.Type() == VT_ERROR) {
    WriteLog(kLabel, L"Error in Retrive value so appending to NULL WCHAR");
  } else if (value.Type() == VT_BOOL) {
    text = value.Get().boolVal == VARIANT_TRUE ? L"TRUE" : L"FALSE";
  } else {
    OwnedVariant converted;
    if (SUCCEEDED(VariantChangeType(converted.Out(), &value.Get(), 0, VT_BSTR))) {
      text = converted.Text();
    }
  }
  value.Reset();
  if (text.empty()) return nullptr;
  WriteLog(kLabel, L"Found Data");
  return NewTextArray(text);
}

VARIANT CExcelCom::GetActiveCellDispatcher() {
  if (m_application == nullptr) return EmptyVariant();
  ActivateWorkBook();
  VARIANT cell = InvokeGet(m_application, L"ActiveCell");
  if (cell.vt != VT_EMPTY) WriteLog(L"GetActiveCellDispatcher", L"Success");
  return cell;
}

VARIANT CExcelCom::GetActiveCellAddress() {
  OwnedVariant cell(GetActiveCellDispatcher());
  if (!cell.HoldsDispatch()) return EmptyVariant();
  return GetAddressFromDispatch(cell.Dispatch(), 1);
}

VARIANT CExcelCom::GetCellAddressFromOption(int option, const wchar_t* address) {
  switch (option) {
    case 0: return GetSpecifiedCellAddress(L"A1");
    case 1: return GetLastCellAddress();
    case 2: return GetActiveCellAddress();
    case 3: return GetSpecifiedCellAddress(address);
    default: return EmptyVariant();
  }
}

VARIANT CExcelCom::GetCellOptionDispatcher(int option, const wchar_t* address) {
  switch (option) {
    case 0: return GetActiveCellDispatcher();
    case 1: return GetSpecifiedCellDispatcher(address);
    default: return EmptyVariant();
  }
}

int CExcelCom::GetWorkSheetUsedRangeData(LONG& startRow, LONG& endRow, LONG& startColumn,
                                         LONG& endColumn) {
  startRow = endRow = startColumn = endColumn = 1;
  WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"Start");
  OwnedVariant usedRange(GetWorkSheetUsedRangeDispatcher());
  WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"End");
  if (!usedRange.HoldsDispatch()) return 0;
  OwnedVariant firstCell(GetRangeFirstItemPosition(usedRange.Dispatch()));
  OwnedVariant lastAddress(GetRangeLastItemPositionEx(usedRange.Dispatch()));
  OwnedVariant firstAddress;
  if (firstCell.HoldsDispatch()) {
    firstAddress.Reset(GetReferenceAddressFromDispatch(firstCell.Dispatch()));
  }
  int found = 0;
  if (firstAddress.Type() == VT_BSTR && lastAddress.Type() == VT_BSTR) {
    const std::wstring first = firstAddress.Text();
    const std::wstring last = lastAddress.Text();
    WriteLog(L"GetWorkSheetUsedRangeData-StartAddress", first);
    WriteLog(L"GetWorkSheetUsedRangeData-EndAddress", last);
    GetRowColIndexFromReferenceAddress(first.c_str(), startRow, startColumn);
    GetRowColIndexFromReferenceAddress(last.c_str(), endRow, endColumn);
    found = 1;
  } else {
    WriteLog(L"GetWorkSheetUsedRangeData", L"Error in retrive address");
  }
  return found;
}
