// "GetMultipleCells": a block of cells as a table of texts. The block runs
// from A1 to the used range's bottom-right cell (option 0), over whole
// used-range rows between two row numbers (option 1), or between two
// addresses (option 2). A block of several cells is read with one "Value" call
// into the paging state that "GetWorksheetData" uses and delivered in pages
// ("GetMoreWorksheetData" continues it); one cell is answered directly and
// leaves an earlier paging state in place.
#include <string>

#include "support/Log.h"
#include "support/TextConversion.h"
#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "session/NullableText.h"
#include "session/ValueTable.h"

namespace {

const wchar_t kLabel[] = L"GetMultipleCellsEx";
const wchar_t kBlockError[] = L"EXCEL_QUV_GET_MULTIPLE_CELL_100";

}  // namespace

int CExcelCom::GetMultipleCellsEx(int option, const wchar_t* cellFrom, const wchar_t* cellTo,
                                  LONG rowFrom, LONG rowTo) {
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Option = " + std::to_wstring(option) + L"  cell from  = " + OrEmpty(cellFrom) +
                         L" cell to= " + OrEmpty(cellTo) + L" row from = " + std::to_wstring(rowFrom) +
                         L" row to = " + std::to_wstring(rowTo) + L" ");
  }
  std::wstring firstCorner, lastCorner;
  if (option == 0) {
    WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"Start");
    OwnedVariant usedRange(GetWorkSheetUsedRangeDispatcher());
    WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"End");
    OwnedVariant address(usedRange.HoldsDispatch() ? GetAddressFromDispatch(usedRange.Dispatch(), 0)
                                                   : EmptyVariant());
    if (address.Type() != VT_BSTR) {
      WriteLog(kLabel, L"There is no used range data");
      return AnswerFailure(kBlockError);
    }
    // A1 wherever the used range begins, to its bottom-right corner.
    firstCorner = L"A1";
    lastCorner = address.Text();
    const size_t colon = lastCorner.find(L':');
    if (colon != std::wstring::npos) lastCorner.erase(0, colon + 1);
  } else if (option == 1) {
    LONG firstRow = 1, lastRow = 1, firstColumn = 1, lastColumn = 1;
    if (!GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) {
      WriteLog(kLabel, L"There is no used range data");
      return AnswerFailure(kBlockError);
    }
    firstCorner = GetColumnName(firstColumn) + std::to_wstring(rowFrom);
    lastCorner = GetColumnName(lastColumn) + std::to_wstring(rowTo);
  } else if (option == 2) {
    firstCorner = OrEmpty(cellFrom);
    lastCorner = OrEmpty(cellTo);
  }

  OwnedVariant range(GetWorkSheetRanges(firstCorner.c_str(), lastCorner.c_str()));
  if (!range.HoldsDispatch()) {
    WriteLog(kLabel, L"error in worksheet range data");
    return AnswerFailure(kBlockError);
  }

  // Equal corners name one cell; so does a block whose value is not a table
  // (corners written differently, such as B2 and $B$2). Either is answered as
  // its one text, without touching the paging state.
  OwnedVariant values;
  const bool oneCell = firstCorner == lastCorner;
  const bool read = !oneCell && GetRangeSafeArrayValue(range.Dispatch(), values.Out()) != 0;
  if (oneCell || (read && !value_table::IsValueTable(values.Get()))) {
    wchar_t* text = GetValuePropertyData(range.Dispatch());
    if (text == nullptr) return AnswerFailure(kBlockError);
    BuildResponseFromStatus(1);
    excel::TableResponse* table = m_response.mutable_tableresponse();
    table->set_morerecordsavailable(false);
    table->mutable_tablevariable()->add_rows()->add_columns(ConvertWStringTostring(text));
    delete[] text;
    return 1;
  }
  range.Reset();

  // The block replaces whatever the paging state held.
  m_pagingState.Release();
  if (!read || !value_table::IsValueTable(values.Get())) {
    WriteLog(L"GetWorkSheetData", L"Error in Get Range data");
    return AnswerFailure(kBlockError);
  }
  m_pagingState.snapshot = values.Detach();  // the state owns the values from here on
  m_pagingState.rowCursor = 0;
  value_table::ShapeOf(m_pagingState.snapshot, m_pagingState.rowCount, m_pagingState.columnCount);
  return GetWorkSheetMoreData();
}
