// Worksheet addressing: turning what a command names (the active cell, a cell
// such as B7, a block such as A1:C9, whole rows such as 3 to 5, the last cell,
// the used range) into an interface or an address on the session's current
// worksheet. No helper here sets an error code; the calling operation decides
// it. A null worksheet (or application, for the active cell) gives the empty
// result without any call.
#include <cwctype>
#include <string>

#include "boundary/Log.h"
#include "bridge/CellAddressText.h"
#include "session/CExcelCom.h"
#include "session/SessionVariants.h"

using session_variants::Empty;
using session_variants::FromText;
using session_variants::HoldsDispatch;
using session_variants::TextOf;

VARIANT CExcelCom::InvokeGet(IDispatch* target, const wchar_t* member) {
  VARIANT result = Empty();
  if (target == nullptr) return result;
  ClearAllArgs();
  if (!ExlInvoke(target, member, &result, DISPATCH_PROPERTYGET, kClearArgumentsAfterCall)) {
    return Empty();
  }
  return result;
}

int CExcelCom::InvokeMethod(IDispatch* target, const wchar_t* member, WORD kind) {
  if (target == nullptr) return 0;
  ClearAllArgs();
  VARIANT result = Empty();
  const int succeeded = ExlInvoke(target, member, &result, kind, kClearArgumentsAfterCall);
  ReleaseVariant(&result);
  return succeeded;
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
  VARIANT items = InvokeGet(m_worksheet, collection);
  if (!HoldsDispatch(items)) return 0;
  VARIANT count = InvokeGet(items.pdispVal, L"Count");
  const LONG total = GetCountValue(count);
  if (count.vt != VT_EMPTY) WriteLog(label, receivedMessage);
  ReleaseVariant(&count);
  ReleaseVariant(&items);
  return total;
}

VARIANT CExcelCom::GetWorkSheetAllCellRangeDispatcher() {
  if (m_worksheet == nullptr) return Empty();
  VARIANT cells = InvokeGet(m_worksheet, L"Cells");
  if (cells.vt == VT_EMPTY) WriteLog(L"GetWorkSheetAllCellRangeDispatcher", L"Failed to get Range");
  return cells;
}

VARIANT CExcelCom::GetWorkSheetSpecificCellDispatcher(LONG row, LONG column) {
  static const wchar_t kLabel[] = L"GetWorkSheetSpecificCellDispatcher";
  if (m_worksheet == nullptr) {
    WriteLog(kLabel, L"worksheet is null");
    return Empty();
  }
  ClearAllArgs();
  AddArgumentLong(L"RowIndex", 0, row);
  AddArgumentLong(L"ColumnIndex", 0, column);
  VARIANT cell = Empty();
  if (!ExlInvoke(m_worksheet, L"Cells", &cell, DISPATCH_PROPERTYGET, kClearArgumentsAfterCall)) {
    WriteLog(kLabel, L"Failed to get Range");
    return Empty();
  }
  return cell;
}

VARIANT CExcelCom::GetWorkSheetRanges(const wchar_t* from, const wchar_t* to) {
  if (m_worksheet == nullptr) return Empty();
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
  VARIANT range = Empty();
  if (!ExlInvoke(m_worksheet, wholeRows ? L"Rows" : L"Range", &range, DISPATCH_PROPERTYGET,
                 kClearArgumentsAfterCall)) {
    WriteLog(L"GetWorkSheetRanges", L"Failed to get Range");
    return Empty();
  }
  return range;
}

VARIANT CExcelCom::GetWorkSheetUsedRangeDispatcher() {
  if (m_worksheet == nullptr) return Empty();
  VARIANT usedRange = InvokeGet(m_worksheet, L"UsedRange");
  if (usedRange.vt == VT_EMPTY) {
    WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"Used range is not found");
  }
  return usedRange;
}

VARIANT CExcelCom::GetLastCellAddress() {
  static const wchar_t kLabel[] = L"GetLastCellAddress";
  VARIANT usedRange = InvokeGet(m_worksheet, L"UsedRange");
  if (!HoldsDispatch(usedRange)) {
    ReleaseVariant(&usedRange);
    return Empty();
  }
  VARIANT address = Empty();
  ClearAllArgs();
  AddArgumentInt2(nullptr, 0, 11);  // xlCellTypeLastCell
  VARIANT lastCell = Empty();
  if (ExlInvoke(usedRange.pdispVal, L"SpecialCells", &lastCell, DISPATCH_PROPERTYGET,
                kClearArgumentsAfterCall) &&
      HoldsDispatch(lastCell)) {
    WriteLog(kLabel, L"Found special cell address.");
    address = InvokeGet(lastCell.pdispVal, L"Address");
    if (address.vt == VT_EMPTY) WriteLog(kLabel, L"Failed to Get Address - EXCEL_MEMBER_SPECIAL_CELLS");
  } else {
    VARIANT usedAddress = InvokeGet(usedRange.pdispVal, L"Address");
    if (usedAddress.vt == VT_EMPTY) {
      WriteLog(kLabel, L"Failed to Get Address - EXCEL_MEMBER_ADDRESS");
    } else {
      // The bottom-right corner of "$B$2:$F$30", or of "$3:$7" / "$B:$D".
      std::wstring corner = TextOf(usedAddress);
      const size_t colon = corner.find(L':');
      if (colon != std::wstring::npos) corner.erase(0, colon + 1);
      address = ExtractRange(usedRange.pdispVal, corner);
    }
    ReleaseVariant(&usedAddress);
  }
  WriteLog(kLabel, L"End");
  ReleaseVariant(&lastCell);
  ReleaseVariant(&usedRange);
  return address;
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
  if (address.empty() || dollars >= 2) return FromText(address);

  if (!onlyRowText) {
    // A column such as "$D": complete it with the used range's last row.
    VARIANT rows = InvokeGet(usedRange, L"Rows");
    VARIANT count = HoldsDispatch(rows) ? InvokeGet(rows.pdispVal, L"Count") : Empty();
    ReleaseVariant(&rows);
    if (count.vt == VT_EMPTY) return FromText(std::wstring());
    WriteLog(kLabel, L"Received total used Rows");
    const LONG total = GetCountValue(count);
    ReleaseVariant(&count);
    return FromText(address + L"$" + std::to_wstring(total));
  }
  // A row such as "$20": complete it with the used range's last column.
  VARIANT columns = InvokeGet(usedRange, L"Columns");
  VARIANT count = HoldsDispatch(columns) ? InvokeGet(columns.pdispVal, L"Count") : Empty();
  ReleaseVariant(&columns);
  if (count.vt == VT_EMPTY) return FromText(std::wstring());
  WriteLog(kLabel, L"Received total used Columns");
  const LONG total = GetCountValue(count);
  ReleaseVariant(&count);
  return FromText(L"$" + GetColumnName(total) + address);
}

VARIANT CExcelCom::GetSpecifiedCellDispatcher(const wchar_t* address) {
  static const wchar_t kLabel[] = L"GetSpecifiedCellDispatcher";
  if (m_worksheet == nullptr) {
    WriteLog(kLabel, L"worksheet object is null");
    return Empty();
  }
  ClearAllArgs();
  AddArgumentOLEString(nullptr, 0, address != nullptr ? address : L"");
  VARIANT range = Empty();
  if (!ExlInvoke(m_worksheet, L"Range", &range, DISPATCH_PROPERTYGET, kClearArgumentsAfterCall)) {
    return Empty();
  }
  WriteLog(kLabel, L"Success");
  return range;
}

VARIANT CExcelCom::GetSpecifiedCellAddress(const wchar_t* address) {
  VARIANT range = GetSpecifiedCellDispatcher(address);
  if (!HoldsDispatch(range)) {
    ReleaseVariant(&range);
    return Empty();
  }
  VARIANT result = GetAddressFromDispatch(range.pdispVal, 1);
  ReleaseVariant(&range);
  return result;
}

wchar_t* CExcelCom::GetCellValueByRowCol(LONG row, LONG column) {
  static const wchar_t kLabel[] = L"GetCellValueByRowCol";
  if (m_worksheet == nullptr) return nullptr;
  ClearAllArgs();
  AddArgumentLong(nullptr, 0, column);  // positional arguments go in reverse order
  AddArgumentLong(nullptr, 0, row);
  VARIANT cell = Empty();
  if (!ExlInvoke(m_worksheet, L"Cells", &cell, DISPATCH_PROPERTYGET, kClearArgumentsAfterCall) ||
      !HoldsDispatch(cell)) {
    ReleaseVariant(&cell);
    return nullptr;
  }
  ClearAllArgs();
  VARIANT value = Empty();
  const int read = ExlInvoke(cell.pdispVal, L"Value", &value, DISPATCH_PROPERTYGET, 0);
  ReleaseVariant(&cell);
  if (!read) return nullptr;
  WriteLog(kLabel, L"Invoke value successs");

  wchar_t* text = nullptr;
  if (value.vt != VT_ERROR && value.llVal != 0) {
    VARIANT converted = Empty();
    if (SUCCEEDED(VariantChangeType(&converted, &value, 0, VT_BSTR))) {
      text = session_variants::NewTextArray(TextOf(converted));
      WriteLog(kLabel, L"Found Data Value Data");
    }
    ReleaseVariant(&converted);
  } else if (value.vt == VT_EMPTY) {
    text = session_variants::NewTextArray(std::wstring());
  }
  ReleaseVariant(&value);
  return text;
}

wchar_t* CExcelCom::GetActiveCellStringValue() {
  static const wchar_t kLabel[] = L"GetActiveCellStringValue";
  if (m_application == nullptr) return nullptr;
  ActivateWorkBook();
  VARIANT cell = InvokeGet(m_application, L"ActiveCell");
  if (!HoldsDispatch(cell)) {
    ReleaseVariant(&cell);
    return nullptr;
  }
  ClearAllArgs();
  VARIANT value = Empty();
  const int read = ExlInvoke(cell.pdispVal, L"Value", &value, DISPATCH_PROPERTYGET, 0);
  ReleaseVariant(&cell);
  if (!read) return nullptr;

  std::wstring text;
  if (value.vt == VT_ERROR) {
    WriteLog(kLabel, L"Error in Retrive value so appending to NULL WCHAR");
  } else if (value.vt == VT_BOOL) {
    text = value.boolVal == VARIANT_TRUE ? L"TRUE" : L"FALSE";
  } else {
    VARIANT converted = Empty();
    if (SUCCEEDED(VariantChangeType(&converted, &value, 0, VT_BSTR))) text = TextOf(converted);
    ReleaseVariant(&converted);
  }
  ReleaseVariant(&value);
  if (text.empty()) return nullptr;
  WriteLog(kLabel, L"Found Data");
  return session_variants::NewTextArray(text);
}

VARIANT CExcelCom::GetActiveCellDispatcher() {
  if (m_application == nullptr) return Empty();
  ActivateWorkBook();
  VARIANT cell = InvokeGet(m_application, L"ActiveCell");
  if (cell.vt != VT_EMPTY) WriteLog(L"GetActiveCellDispatcher", L"Success");
  return cell;
}

VARIANT CExcelCom::GetActiveCellAddress() {
  VARIANT cell = GetActiveCellDispatcher();
  if (!HoldsDispatch(cell)) {
    ReleaseVariant(&cell);
    return Empty();
  }
  VARIANT address = GetAddressFromDispatch(cell.pdispVal, 1);
  ReleaseVariant(&cell);
  return address;
}

VARIANT CExcelCom::GetCellAddressFromOption(int option, const wchar_t* address) {
  switch (option) {
    case 0: return GetSpecifiedCellAddress(L"A1");
    case 1: return GetLastCellAddress();
    case 2: return GetActiveCellAddress();
    case 3: return GetSpecifiedCellAddress(address);
    default: return Empty();
  }
}

VARIANT CExcelCom::GetCellOptionDispatcher(int option, const wchar_t* address) {
  switch (option) {
    case 0: return GetActiveCellDispatcher();
    case 1: return GetSpecifiedCellDispatcher(address);
    default: return Empty();
  }
}

int CExcelCom::GetWorkSheetUsedRangeData(LONG& startRow, LONG& endRow, LONG& startColumn,
                                         LONG& endColumn) {
  startRow = endRow = startColumn = endColumn = 1;
  WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"Start");
  VARIANT usedRange = GetWorkSheetUsedRangeDispatcher();
  WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"End");
  if (!HoldsDispatch(usedRange)) {
    ReleaseVariant(&usedRange);
    return 0;
  }
  VARIANT firstCell = GetRangeFirstItemPosition(usedRange.pdispVal);
  VARIANT lastAddress = GetRangeLastItemPositionEx(usedRange.pdispVal);
  VARIANT firstAddress = HoldsDispatch(firstCell) ? GetReferenceAddressFromDispatch(firstCell.pdispVal)
                                                  : Empty();
  int found = 0;
  if (firstAddress.vt == VT_BSTR && lastAddress.vt == VT_BSTR) {
    const std::wstring first = TextOf(firstAddress);
    const std::wstring last = TextOf(lastAddress);
    WriteLog(L"GetWorkSheetUsedRangeData-StartAddress", first);
    WriteLog(L"GetWorkSheetUsedRangeData-EndAddress", last);
    GetRowColIndexFromReferenceAddress(first.c_str(), startRow, startColumn);
    GetRowColIndexFromReferenceAddress(last.c_str(), endRow, endColumn);
    found = 1;
  } else {
    WriteLog(L"GetWorkSheetUsedRangeData", L"Error in retrive address");
  }
  ReleaseVariant(&firstAddress);
  ReleaseVariant(&lastAddress);
  ReleaseVariant(&firstCell);
  ReleaseVariant(&usedRange);
  return found;
}
