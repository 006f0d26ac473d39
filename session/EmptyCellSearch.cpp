// "FindNextEmptyCell" and "GoToNextEmptyCell": from a start cell, the
// nearest cell along its row or column (to the sheet's edge) whose value is
// empty. The stretch's values are read in one call and walked nearest
// first; the report variant answers the address, the other selects it.
#include <string>

#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"
#include "support/TextConversion.h"

namespace {

const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

// Row and column counts of a 2-D SAFEARRAY value; false for anything else.
bool ArrayShape(const VARIANT& values, LONG& rows, LONG& columns) {
  if ((values.vt & VT_ARRAY) == 0 || values.parray == nullptr || SafeArrayGetDim(values.parray) != 2) return false;
  LONG low1 = 0, high1 = -1, low2 = 0, high2 = -1;
  SafeArrayGetLBound(values.parray, 1, &low1);
  SafeArrayGetUBound(values.parray, 1, &high1);
  SafeArrayGetLBound(values.parray, 2, &low2);
  SafeArrayGetUBound(values.parray, 2, &high2);
  rows = high1 - low1 + 1;
  columns = high2 - low2 + 1;
  return low1 == 1 && low2 == 1 && rows > 0 && columns > 0;
}

}  // namespace

int CExcelCom::IsAddressOutOfUsedRange(IDispatch* cell) {
  static const wchar_t kLabel[] = L"IsAddressOutOfUsedRange";
  if (cell == nullptr) {
    WriteLog(kLabel, L"Dispatcher is null");
    return 0;
  }
  LONG firstRow, lastRow, firstColumn, lastColumn;
  if (!GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) return 0;
  OwnedVariant address(GetReferenceAddressFromDispatch(cell));
  int outside = 0;
  if (address.Type() == VT_BSTR) {
    LONG row = 0, column = 0;
    GetRowColIndexFromReferenceAddress(address.Get().bstrVal, row, column);
    outside = (row > lastRow || column > lastColumn) ? 1 : 0;
  }
  return outside;
}

int CExcelCom::ScanForEmptyCell(const wchar_t* label, int cellOption, const wchar_t* cellAddress, int direction,
                                bool checkUsedRange, bool select, const wchar_t* failureCode, std::wstring& found) {
  found.clear();
  if (IsLogEnabled())
    WriteLog(label, L"Cell Option  = " + std::to_wstring(cellOption) + L" CellAddress = " + OrEmpty(cellAddress) +
                        L" Towards = " + std::to_wstring(direction) + L" ");
  ActivateWorkBook();
  std::wstring fallbackFirst, fallbackLast;
  {
    LONG firstRow, lastRow, firstColumn, lastColumn;
    if (GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) {
      fallbackFirst = L"A1";
      fallbackLast = GetColumnName(lastColumn) + std::to_wstring(lastRow);
    }
  }
  auto fail = [&]() {
    AddErrorCodeToResponse(failureCode);
    BuildResponseFromStatus(0);
    AddErrorParamater(L"Range", fallbackFirst.c_str(), fallbackLast.c_str());
    return 0;
  };

  LONG row = 0, column = 0;
  {
    OwnedVariant start(cellOption == 0 ? GetActiveCellDispatcher()
                                       : GetSpecifiedCellDispatcher(OrEmpty(cellAddress)));
    OwnedVariant startAddress;
    if (start.HoldsDispatch()) startAddress.Reset(GetReferenceAddressFromDispatch(start.Dispatch()));
    if (startAddress.Type() != VT_BSTR) return fail();
    if (checkUsedRange && IsAddressOutOfUsedRange(start.Dispatch())) {
      OwnedVariant relative(GetAddressFromDispatch(start.Dispatch(), 0));
      AddErrorCodeToResponse(L"EXCEL_QUV_FINDNEXTEMPTYCELL_101");
      BuildResponseFromStatus(0);
      AddErrorParamater(L"CellAddress", relative.Text().c_str());
      return 0;
    }
    GetRowColIndexFromReferenceAddress(startAddress.Get().bstrVal, row, column);
  }
  const LONG maxRows = GetWorkSheetTotalRowsCount();
  const LONG maxColumns = GetWorkSheetTotalColumnsCount();
  LONG startRow = row, startColumn = column, endRow = row, endColumn = column;
  switch (direction) {
    case 0: startColumn = 1; endColumn = column - 1; break;
    case 1: startColumn = column + 1; endColumn = maxColumns; break;
    case 2: startRow = 1; endRow = row - 1; break;
    default: startRow = row + 1; endRow = maxRows; break;
  }
  // The stretch runs from its top-left (start) to its bottom-right (end)
  // cell; the walk goes from the cell next to the start cell outwards.
  if (endColumn < 1 || endRow < 1 || startRow > maxRows || startColumn > maxColumns) {
    if (IsLogEnabled())
      WriteLog(label, L"Out of range (" + std::to_wstring(startRow) + L"-" + std::to_wstring(startColumn) + L"-" +
                          std::to_wstring(endRow) + L"-" + std::to_wstring(endColumn) + L") ");
    if (select) BuildResponseFromStatus(1);
    return 1;
  }
  auto cornerAddress = [&](LONG r, LONG c) {
    OwnedVariant cell(GetWorkSheetSpecificCellDispatcher(r, c));
    OwnedVariant address;
    if (cell.HoldsDispatch()) {
      ClearAllArgs();
      if (!ExlInvoke(cell.Dispatch(), L"Address", address.Out(), DISPATCH_PROPERTYGET, kClearArgumentsAfterCall))
        address.Reset();
    }
    std::wstring text = address.Text();
    if (text.empty()) WriteLog(L"GetAddressFromDispatch", L"Faield");
    return text;
  };
  const std::wstring first = cornerAddress(startRow, startColumn);
  const std::wstring last = cornerAddress(endRow, endColumn);
  if (first.empty() || last.empty()) return fail();

  // The found cell: selected, or its address reported.
  auto take = [&](const std::wstring& relative, const wchar_t* line) {
    if (select) {
      OwnedVariant cell(GetSpecifiedCellDispatcher(relative.c_str()));
      if (cell.HoldsDispatch()) SelectRange(cell.Dispatch());
      WriteLog(label, line);
    } else {
      found = relative;
      WriteLog(label, L"Found Empty Cell Address = " + relative + L" ");
    }
  };

  if (first == last) {
    bool empty = false;
    {
      OwnedVariant cell(GetSpecifiedCellDispatcher(first.c_str()));
      if (cell.HoldsDispatch()) empty = OwnedVariant(GetRangeArrayValue2(cell.Dispatch())).IsEmpty();
    }
    if (select) BuildResponseFromStatus(1);
    if (empty) take(GetColumnName(startColumn) + std::to_wstring(startRow), L"Select Single Empty cell");
    return 1;
  }
  OwnedVariant stretch(GetWorkSheetRanges(first.c_str(), last.c_str()));
  if (IsLogEnabled()) WriteLog(label, L"Start Address = " + first + L" End Address = " + last + L" ");
  if (!stretch.HoldsDispatch()) {
    WriteLog(label, L"Start Address and End Address not found");
    return fail();
  }
  if (select) BuildResponseFromStatus(1);
  OwnedVariant values;
  LONG rows = 0, columns = 0;
  // Values that cannot be read as an array of the stretch's shape count as
  // a stretch without an empty cell.
  if (GetRangeSafeArrayValue(stretch.Dispatch(), values.Out()) && ArrayShape(values.Get(), rows, columns)) {
    WriteLog(label, L"Get Range Safe Array value Received");
    const bool alongRow = direction == 0 || direction == 1;
    const LONG length = alongRow ? columns : rows;
    const bool backwards = direction == 0 || direction == 2;
    for (LONG step = 0; step < length; ++step) {
      const LONG index = backwards ? length - step : step + 1;
      LONG indices[2] = {alongRow ? 1 : index, alongRow ? index : 1};
      OwnedVariant element;
      if (FAILED(SafeArrayGetElement(values.Get().parray, indices, element.Out()))) continue;
      const bool empty = element.IsEmpty();
      if (empty) {
        const LONG foundRow = alongRow ? row : startRow + index - 1;
        const LONG foundColumn = alongRow ? startColumn + index - 1 : column;
        take(GetColumnName(foundColumn) + std::to_wstring(foundRow), L"empty cell is selected ");
        break;
      }
    }
  }
  return 1;
}

int CExcelCom::FindNextEmptyCell(int cellOption, const wchar_t* cellFrom, int searchByRow) {
  static const wchar_t kLabel[] = L"FindNextEmptyCell";
  WriteLog(kLabel, L"Start");
  std::wstring found;
  const int status = ScanForEmptyCell(L"SearchFindNextEmptyCell", cellOption, cellFrom, searchByRow == 1 ? 1 : 3,
                                      true, false, L"EXCEL_QUV_FINDNEXTEMPTYCELL_100", found);
  if (status == 1) {
    BuildResponseFromStatus(1);
    WriteLog(kLabel, L"Prepare Table response");
    m_response.mutable_tableresponse()->mutable_tablevariable()->add_rows()->add_columns(
        ConvertWStringTostring(found));
  }
  WriteLog(kLabel, L"End");
  return status;
}

int CExcelCom::GoToNextEmptyCell(int cellOption, const wchar_t* cellFrom, int towards) {
  static const wchar_t kLabel[] = L"GoToNextEmptyCell";
  WriteLog(kLabel, L"Start");
  std::wstring found;
  const int status = ScanForEmptyCell(L"SearchGoToNextEmptyCell", cellOption, cellFrom, towards, false, true,
                                      L"EXCEL_QUV_GOTONEXTEMPTYCELL_100", found);
  WriteLog(kLabel, L"End");
  return status;
}
