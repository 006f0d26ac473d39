// "RemoveBlankRows": deletes the rows between a start row and the top of the
// used range, then the blank rows of the used range between the start and
// end rows, top down, one Delete call per row. The used range's values are
// read once; a counter follows the worksheet row as rows move up.
#include <algorithm>
#include <string>

#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

namespace {
const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }
}  // namespace

LONG CExcelCom::GetRemoveBlankRowIndex(int specificRowOption, LONG rowNumber, const wchar_t* cellAddress) {
  if (specificRowOption == 0) return rowNumber;
  if (specificRowOption != 1) return 0;
  // An address whose cell or row cannot be read gives row 0, which the
  // caller refuses like any row outside the sheet.
  LONG row = 0, column = 0;
  OwnedVariant cell(GetSpecifiedCellDispatcher(OrEmpty(cellAddress)));
  if (cell.HoldsDispatch()) {
    OwnedVariant address(GetReferenceAddressFromDispatch(cell.Dispatch()));
    if (address.Type() == VT_BSTR) GetRowColIndexFromReferenceAddress(address.Get().bstrVal, row, column);
  }
  return row;
}

int CExcelCom::StartRemovingBlankRowsOutsideOfRange(LONG firstRow, LONG stopRow) {
  int deleted = 0;
  for (LONG k = firstRow; k < stopRow; ++k) {
    OwnedVariant row(GetRangeSpecificRowsDispatcher(m_worksheet, firstRow));
    if (row.HoldsDispatch() && DeleteDispatchRow(row.Dispatch())) deleted = 1;
  }
  return deleted;
}

int CExcelCom::StartRemovingBlankRows(IDispatch* usedRange, LONG firstUsedRow, LONG lastUsedRow, LONG startRow,
                                      LONG endRow, LONG usedColumnCount) {
  static const wchar_t kLabel[] = L"StartRemovingBlankRowsEx";
  WriteLog(kLabel, L"Start");
  OwnedVariant owned;
  if (!GetRangeSafeArrayValue(usedRange, owned.Out())) {
    WriteLog(kLabel, L"Error in Get Safe Array Value property");
    return 0;
  }
  const VARIANT& values = owned.Get();
  LONG rows = 0, columns = 0;
  bool isArray = false;
  if ((values.vt & VT_ARRAY) != 0 && values.parray != nullptr && SafeArrayGetDim(values.parray) == 2) {
    LONG high1 = 0, high2 = 0;
    SafeArrayGetUBound(values.parray, 1, &high1);
    SafeArrayGetUBound(values.parray, 2, &high2);
    rows = high1;
    columns = high2;
    isArray = true;
  } else if ((values.vt & VT_ARRAY) == 0 && usedColumnCount == 1 && firstUsedRow == lastUsedRow) {
    rows = columns = 1;  // a one-cell used range: its value stands for a 1 x 1 array
  } else {
    WriteLog(kLabel, L"Safe Array data is empty");
    return 0;
  }
  LONG counter = firstUsedRow;
  long removed = 0;
  for (LONG i = 1; i <= rows; ++i) {
    const LONG sheetRow = firstUsedRow + i - 1;  // the row's number before any deletion
    bool blank = true;
    if (isArray) {
      for (LONG j = 1; j <= columns && blank; ++j) {
        LONG indices[2] = {i, j};
        OwnedVariant element;
        if (SUCCEEDED(SafeArrayGetElement(values.parray, indices, element.Out()))) {
          blank = element.IsEmpty();
        } else {
          blank = false;
        }
      }
    } else {
      blank = values.vt == VT_EMPTY;
    }
    // Only rows between the start and end rows are removed; a failed
    // deletion leaves the row where it is, so the counter moves on past it.
    if (blank && sheetRow >= startRow && sheetRow <= endRow && StartRemovingBlankRowsOutsideOfRange(counter, counter + 1)) {
      ++removed;
    } else {
      ++counter;
    }
  }
  if (IsLogEnabled()) WriteLog(kLabel, L"total removed blank row = " + std::to_wstring(removed));
  return 1;
}

int CExcelCom::RemoveBlankRows(int beginningRowOption, int beginningSpecificRowOption, LONG beginningRowNumber,
                               const wchar_t* beginningCellAddress, int endRowOption, int endSpecificRowOption,
                               LONG endRowNumber, const wchar_t* endCellAddress) {
  static const wchar_t kLabel[] = L"RemoveBlankRows";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Beginnig row option = " + std::to_wstring(beginningRowOption) +
                         L" beginnning spefic row option = " + std::to_wstring(beginningSpecificRowOption) +
                         L" Beginning row number = " + std::to_wstring(beginningRowNumber) +
                         L" Begginig row cell Address = " + OrEmpty(beginningCellAddress));
    WriteLog(kLabel, L"End row option = " + std::to_wstring(endRowOption) + L" End spefic row option = " +
                         std::to_wstring(endSpecificRowOption) + L" End row number = " +
                         std::to_wstring(endRowNumber) + L" End row cell Address = " + OrEmpty(endCellAddress));
  }
  auto failWith = [&](const wchar_t* code, const wchar_t* key, LONG number) {
    AddErrorCodeToResponse(code);
    BuildResponseFromStatus(0);
    if (key != nullptr) AddErrorParamater(key, number);
    return 0;
  };
  LONG firstRow, lastRow, firstColumn, lastColumn;
  if (!GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) {
    WriteLog(kLabel, L"There is no used range data");
    return failWith(L"EXCEL_QUV_RMV_BLK_ROW_100", nullptr, 0);
  }
  LONG startRow = beginningRowOption == 0
                      ? 1
                      : GetRemoveBlankRowIndex(beginningSpecificRowOption, beginningRowNumber, beginningCellAddress);
  LONG endRow = endRowOption == 0 ? lastRow : GetRemoveBlankRowIndex(endSpecificRowOption, endRowNumber, endCellAddress);
  auto invalidLine = [&](LONG second) {
    if (IsLogEnabled())
      WriteLog(kLabel, L"Invalid Row Index is provided Start row = " + std::to_wstring(startRow) + L"  End Row = " +
                           std::to_wstring(second));
  };
  // Rows below 1 (a row source that gives none, a negative number) are
  // refused like rows beyond the used range: they name no row to start or
  // end at.
  if (startRow > lastRow || startRow < 1) {
    invalidLine(lastRow);
    return failWith(L"EXCEL_QUV_RMV_BLK_ROW_101", L"RowNumber", startRow);
  }
  if (endRow > lastRow || endRow < 1) {
    invalidLine(endRow);
    return failWith(L"EXCEL_QUV_RMV_BLK_ROW_102", L"RowNumber", endRow);
  }
  if (startRow < firstRow) {
    // The end row names a row before the deletion; it moves up with it.
    const LONG moved = firstRow - startRow;
    StartRemovingBlankRowsOutsideOfRange(startRow, firstRow);
    if (!GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) {
      WriteLog(kLabel, L"There is no used range data After remove blank rows");
      return failWith(L"EXCEL_QUV_RMV_BLK_ROW_100", nullptr, 0);
    }
    endRow = std::max(startRow, endRow - moved);
    startRow = std::max(startRow, firstRow);
  }
  endRow = std::min(endRow, lastRow);
  if (endRow < startRow) {
    WriteLog(kLabel, L"Swapping start row index and end row index");
    std::swap(startRow, endRow);
  }
  OwnedVariant usedRange(GetWorkSheetUsedRangeDispatcher());
  if (!usedRange.HoldsDispatch()) {
    WriteLog(kLabel, L"There is no used range data After remove blank rows");
    AddErrorCodeToResponse(L"EXCEL_QUV_RMV_BLK_ROW_103");
    BuildResponseFromStatus(0);
    AddErrorParamater(L"Range", L"A1", (GetColumnName(lastColumn) + std::to_wstring(lastRow)).c_str());
    return 0;
  }
  const int result =
      StartRemovingBlankRows(usedRange.Dispatch(), firstRow, lastRow, startRow, endRow, lastColumn - firstColumn + 1);
  BuildResponseFromStatus(result);
  WriteLog(kLabel, L"End");
  return result;
}
