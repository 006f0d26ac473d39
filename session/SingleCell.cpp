// One cell at a time: "GetSingleCell" reads the text of the active cell or of
// a named cell and answers it as a table of one row with one column;
// "GoToCell" selects a named cell or range, or a cell found from the active
// cell (one step in a direction, or an end of its row or column).
#include <memory>
#include <string>
#include <utility>

#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"
#include "support/TextConversion.h"

namespace {

const wchar_t kSingleCellError[] = L"EXCEL_QUV_GET_SINGLE_CELL_100";
const wchar_t kSingleCellValueError[] = L"EXCEL_QUV_GET_SINGLE_CELL_101";

struct DeleteTextArray {
  void operator()(wchar_t* text) const { delete[] text; }
};
using OwnedText = std::unique_ptr<wchar_t, DeleteTextArray>;

}  // namespace

int CExcelCom::GetSingleCell(int option, const wchar_t* cellAddress) {
  static const wchar_t kLabel[] = L"GetSingleCell";
  WriteLog(kLabel, L"start");
  m_response.Clear();
  if (m_worksheet == nullptr) {
    AddErrorCodeToResponse(kSingleCellError);
    BuildResponseFromStatus(0);
    WriteLog(kLabel, L"Could not find any active worksheet in the current session.");
    return 0;
  }

  OwnedVariant cell;
  OwnedText text;
  if (option == 0) {
    cell = OwnedVariant(GetActiveCellDispatcher());
    if (!cell.HoldsDispatch()) {
      AddErrorCodeToResponse(kSingleCellError);
      WriteLog(kLabel, L"Unable to find range for the active cell");
    } else {
      text.reset(GetValuePropertyData(cell.Dispatch()));
      if (!text) {
        AddErrorCodeToResponse(kSingleCellValueError);
        WriteLog(kLabel, L"Unable to find active cell in the current sheet");
      }
    }
  } else if (option == 1) {
    cell = OwnedVariant(GetWorkSheetRanges(cellAddress, cellAddress));
    if (!cell.HoldsDispatch()) {
      AddErrorCodeToResponse(kSingleCellError);
      WriteLog(kLabel, L"Unable to find range for the specific cell");
    } else {
      // An address naming several cells has no single text: the value read
      // fails with its reason in the error message text, and the command
      // fails instead of answering one of the cells.
      text.reset(GetValuePropertyData(cell.Dispatch()));
      if (!text) {
        AddErrorCodeToResponse(kSingleCellError);
        WriteLog(kLabel, L"Unable to find specific cell in the current sheet");
      }
    }
  } else {
    if (IsLogEnabled()) {
      WriteLog(kLabel, L"Invalid option for get single cell, option = " + std::to_wstring(option) + L" ");
    }
    AddErrorCodeToResponse(kSingleCellError);
    BuildResponseFromStatus(0);
    WriteLog(kLabel, L"end");
    return 0;
  }

  cell.Reset();
  int result = 0;
  if (text) {
    BuildTableResponse()->mutable_tablevariable()->add_rows()->add_columns(
        ConvertWStringTostring(text.get()));
    result = 1;
  } else {
    BuildResponseFromStatus(0);
  }
  WriteLog(kLabel, L"end");
  return result;
}

void CExcelCom::GetRowColumnOffset(int direction, int distance, LONG& rowOffset,
                                   LONG& columnOffset) {
  WriteLog(L"GetRowColumnOffset", L"Start");
  rowOffset = 0;
  columnOffset = 0;
  switch (direction) {
    case 0: columnOffset = -distance; break;
    case 1: columnOffset = distance; break;
    case 2: rowOffset = -distance; break;
    case 3: rowOffset = distance; break;
    default: break;
  }
}

VARIANT CExcelCom::GetRangeEndDispatcher(IDispatch* activeCell, int activeCellOption) {
  static const wchar_t kLabel[] = L"GetRangeEndDispatcher";
  WriteLog(kLabel, L"Start");
  if (activeCell == nullptr) return EmptyVariant();
  LONG activeRow = 0, activeColumn = 0;
  {
    OwnedVariant address(GetReferenceAddressFromDispatch(activeCell));
    if (address.Type() != VT_BSTR) {
      WriteLog(kLabel, L"Empty reference address so return");
      return EmptyVariant();
    }
    GetRowColIndexFromReferenceAddress(address.Get().bstrVal, activeRow, activeColumn);
  }

  LONG firstRow = 1, lastRow = 1, firstColumn = 1, lastColumn = 1;
  GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn);
  LONG row = activeRow, column = activeColumn;
  switch (activeCellOption) {
    case 4: column = 1; break;
    case 5: column = lastColumn; break;
    case 6: row = 1; break;
    case 7: row = lastRow; break;
    default: return EmptyVariant();
  }
  WriteLog(kLabel, L"Return cell Dispatcher");
  return GetWorkSheetSpecificCellDispatcher(row, column);
}

VARIANT CExcelCom::GetCellDispatcherFromActiveOption(int activeCellOption) {
  static const wchar_t kLabel[] = L"GetCellDispatcherFromActiveOption";
  WriteLog(kLabel, L"Start");
  OwnedVariant activeCell(GetActiveCellDispatcher());
  if (!activeCell.HoldsDispatch()) return EmptyVariant();
  OwnedVariant target;
  if (activeCellOption >= 0 && activeCellOption <= 3) {
    WriteLog(kLabel, L"Get Range dispatcher for Left right above and below");
    LONG rowOffset = 0, columnOffset = 0;
    GetRowColumnOffset(activeCellOption, 1, rowOffset, columnOffset);
    target.Reset(GetRangeOffSetDispatcher(activeCell.Dispatch(), rowOffset, columnOffset));
    // No cell beyond the sheet's edge: the active cell itself is the target.
    if (!target.HoldsDispatch()) target = std::move(activeCell);
  } else if (activeCellOption >= 4 && activeCellOption <= 7) {
    target.Reset(GetRangeEndDispatcher(activeCell.Dispatch(), activeCellOption));
  }
  activeCell.Reset();
  WriteLog(kLabel, L"End");
  return target.Detach();
}

int CExcelCom::GoToCell(int cellOption, const wchar_t* cellFrom, const wchar_t* cellTo,
                        int activeCellOption) {
  static const wchar_t kLabel[] = L"GoToCell";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"cell option = " + std::to_wstring(cellOption) + L" cell from = " +
                         (cellFrom != nullptr ? cellFrom : L"") + L" cell To = " +
                         (cellTo != nullptr ? cellTo : L"") + L" active cell option = " +
                         std::to_wstring(activeCellOption));
  }
  OwnedVariant target;
  if (cellOption == 0) {
    target.Reset(GetCellDispatcherFromActiveOption(activeCellOption));
  } else if (cellOption == 1) {
    ActivateWorkBook();
    if (cellTo == nullptr || *cellTo == L'\0') {
      target.Reset(GetSpecifiedCellDispatcher(cellFrom));
    } else {
      target.Reset(GetWorkSheetRanges(cellFrom, cellTo));
    }
  }

  if (target.HoldsDispatch()) {
    WriteLog(kLabel, L"Cell for select is found");
    // A target the application refuses to select (another sheet is active)
    // is a failure, answered with the application's description.
    const int selected = SelectRange(target.Dispatch());
    target.Reset();
    WriteLog(kLabel, L"End");
    if (!selected) AddErrorCodeToResponse(L"EXCEL_QUV_GOTOCELL_100");
    BuildResponseFromStatus(selected ? 1 : 0);
    return selected ? 1 : 0;
  }
  target.Reset();
  AddErrorMessageToResponse(L"An unknown error occurred when executing the command");
  AddErrorCodeToResponse(L"EXCEL_QUV_GOTOCELL_100");
  WriteLog(kLabel, L"End");
  BuildResponseFromStatus(0);
  return 0;
}
