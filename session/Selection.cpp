// "SelectRows", "SelectColumns" and "SelectCells": select cells in the
// application as a user would by dragging over them. Rows run from column A
// to the used range's last column, columns from row 1 to its last row; cells
// are one cell, the block between two addresses, or A1 to the used range's
// bottom-right cell. Nothing is read or written.
#include <string>

#include "support/Log.h"
#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "session/NullableText.h"

namespace {

std::wstring Corner(const std::wstring& column, LONG row) { return column + std::to_wstring(row); }

// The error codes of one selection command: its tag followed by the number.
struct SelectionCodes {
  const wchar_t* noUsedRange;     // 100: also a bad option (rows, columns) or bad input
  const wchar_t* noActiveCell;    // 102
  const wchar_t* rangeRefused;    // 103: with the parameter "Range"
};

const SelectionCodes kRowCodes{L"EXCEL_QUV_SELECT_ROW_100", L"EXCEL_QUV_SELECT_ROW_102",
                               L"EXCEL_QUV_SELECT_ROW_103"};
const SelectionCodes kColumnCodes{L"EXCEL_QUV_SELECT_COL_100", L"EXCEL_QUV_SELECT_COL_102",
                                  L"EXCEL_QUV_SELECT_COL_103"};
const SelectionCodes kCellCodes{L"EXCEL_QUV_SELECT_CELL_100", L"EXCEL_QUV_SELECT_CELL_102",
                                L"EXCEL_QUV_SELECT_CELL_103"};

}  // namespace

// The steps the three commands share once their corners are known: get the
// range between the corners and select it. A range the application refuses,
// or refuses to select, fails with the command's code 103 and the corners.
int CExcelCom::SelectBetweenCorners(const wchar_t* label, const wchar_t* refusedCode,
                                    const std::wstring& first, const std::wstring& last) {
  if (!first.empty() && !last.empty()) {
    const OwnedVariant range(GetWorkSheetRanges(first.c_str(), last.c_str()));
    if (range.HoldsDispatch()) {
      if (SelectRange(range.Dispatch())) {
        BuildResponseFromStatus(1);
        return 1;
      }
      WriteLog(label, L"The range could not be selected");
    }
  }
  AddErrorCodeToResponse(refusedCode);
  BuildResponseFromStatus(0);
  AddErrorParamater(L"Range", first.c_str(), last.c_str());
  return 0;
}

// Activates the workbook and reads the used range's last row and column;
// on failure answers `failureCode` and 0.
int CExcelCom::UsedEndForSelection(const wchar_t* failureCode, LONG& lastRow, LONG& lastColumn) {
  ActivateWorkBook();
  LONG firstRow = 1, firstColumn = 1;
  if (!GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) return AnswerFailure(failureCode);
  return 1;
}

// The active cell's worksheet row and column, and its relative address;
// false when there is no active cell or its address cannot be read.
bool CExcelCom::LocateActiveCell(LONG& row, LONG& column, std::wstring& address) {
  const OwnedVariant cell(GetActiveCellDispatcher());
  if (!cell.HoldsDispatch()) return false;
  const OwnedVariant reference(GetReferenceAddressFromDispatch(cell.Dispatch()));
  const OwnedVariant relative(GetAddressFromDispatch(cell.Dispatch(), 0));
  if (reference.Type() != VT_BSTR || relative.Type() != VT_BSTR) return false;
  GetRowColIndexFromReferenceAddress(reference.Text().c_str(), row, column);
  address = relative.Text();
  return true;
}

int CExcelCom::SelectLines(const wchar_t* label, bool columns, int cellOption, std::wstring from, std::wstring to) {
  const SelectionCodes& codes = columns ? kColumnCodes : kRowCodes;
  LONG lastRow = 1, lastColumn = 1;
  if (!UsedEndForSelection(codes.noUsedRange, lastRow, lastColumn)) return 0;
  if (cellOption == 0) {
    LONG row = 0, column = 0;
    std::wstring address;
    if (!LocateActiveCell(row, column, address)) return AnswerFailure(codes.noActiveCell);
    from = to = columns ? GetColumnName(column) : std::to_wstring(row);
  } else if (cellOption == 1) {
    to = from;
  } else if (cellOption != 2) {
    return AnswerFailure(codes.noUsedRange);
  }
  if (from.empty() || to.empty()) return AnswerFailure(codes.noUsedRange);
  // Rows run from column A to the used range's last column, columns from
  // row 1 to its last row.
  const std::wstring first = columns ? Corner(from, 1) : L"A" + from;
  const std::wstring last = columns ? Corner(to, lastRow) : GetColumnName(lastColumn) + to;
  if (columns && (!IsContainOnlyAlpha(from) || !IsContainOnlyAlpha(to))) {
    // Not column letters: the corners would name another range (a digit
    // turns "5" + "1" into row 51).
    AddErrorCodeToResponse(codes.rangeRefused);
    BuildResponseFromStatus(0);
    AddErrorParamater(L"Range", first.c_str(), last.c_str());
    return 0;
  }
  return SelectBetweenCorners(label, codes.rangeRefused, first, last);
}

int CExcelCom::SelectRows(int cellOption, LONG rowFrom, LONG rowTo) {
  static const wchar_t kLabel[] = L"SelectRows";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Cell Option = " + std::to_wstring(cellOption) + L" Row from  = " +
                         std::to_wstring(rowFrom) + L" Row to = " + std::to_wstring(rowTo));
  }
  // A row before the first is no row.
  auto rowText = [](LONG row) { return row >= 1 ? std::to_wstring(row) : std::wstring(); };
  return SelectLines(kLabel, false, cellOption, rowText(rowFrom), rowText(rowTo));
}

int CExcelCom::SelectColumns(int cellOption, const wchar_t* columnFrom, const wchar_t* columnTo) {
  static const wchar_t kLabel[] = L"SelectColumns";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Cell Option = " + std::to_wstring(cellOption) + L" From Column  = " +
                         OrEmpty(columnFrom) + L" To Column = " + OrEmpty(columnTo));
  }
  return SelectLines(kLabel, true, cellOption, OrEmpty(columnFrom), OrEmpty(columnTo));
}

int CExcelCom::SelectCells(int cellOption, const wchar_t* cellFrom, const wchar_t* cellTo) {
  static const wchar_t kLabel[] = L"SelectCells";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Cell Option = " + std::to_wstring(cellOption) + L" From Column  = " +
                         OrEmpty(cellFrom) + L" To Column = " + OrEmpty(cellTo));
  }
  LONG lastRow = 1, lastColumn = 1;
  if (!UsedEndForSelection(kCellCodes.noUsedRange, lastRow, lastColumn)) return 0;
  std::wstring first, last;
  switch (cellOption) {
    case 0: {
      LONG row = 0, column = 0;
      if (!LocateActiveCell(row, column, first)) return AnswerFailure(kCellCodes.noActiveCell);
      last = first;
      break;
    }
    case 1:
      first = last = OrEmpty(cellFrom);
      break;
    case 2:
      first = OrEmpty(cellFrom);
      last = OrEmpty(cellTo);
      break;
    case 3:
      first = L"A1";
      last = Corner(GetColumnName(lastColumn), lastRow);
      break;
    default:
      break;  // no corners: refused below with "Range" ":"
  }
  return SelectBetweenCorners(kLabel, kCellCodes.rangeRefused, first, last);
}
