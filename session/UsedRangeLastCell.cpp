// "GetUsedRange" and "GetLastCellAddress": how far the content of the
// session's worksheet reaches, as the application reports it (an empty sheet
// reports A1; cells holding only formatting count). Both answer a table of one
// row with one column: a range such as B2:F30, or a cell such as F30.
#include <string>

#include "support/Log.h"
#include "support/TextConversion.h"
#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"

// Both answer a successful table response of one text (status true, both
// error texts copied, TABLE_RESPONSE); the response was cleared before the
// command ran.

int CExcelCom::GetUsedRange() {
  LONG firstRow = 1, lastRow = 1, firstColumn = 1, lastColumn = 1;
  if (!GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) {
    return AnswerFailure(L"EXCEL_QUV_GET_USED_RANGE_100");
  }
  const std::wstring text = GetColumnName(firstColumn) + std::to_wstring(firstRow) + L":" +
                            GetColumnName(lastColumn) + std::to_wstring(lastRow);
  BuildTableResponse()->mutable_tablevariable()->add_rows()->add_columns(ConvertWStringTostring(text));
  return 1;
}

int CExcelCom::GetLastCellAddressApi() {
  OwnedVariant usedRange;
  if (m_worksheet != nullptr) {
    WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"Start");
    usedRange.Reset(GetWorkSheetUsedRangeDispatcher());
    WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"End");
  }
  const OwnedVariant lastCell(usedRange.HoldsDispatch() ? GetRangeLastItemPosition(usedRange.Dispatch())
                                                        : EmptyVariant());
  usedRange.Reset();
  // A last cell whose address cannot be read fails like a missing one.
  const OwnedVariant address(lastCell.HoldsDispatch() ? GetAddressFromDispatch(lastCell.Dispatch(), 0)
                                                      : EmptyVariant());
  if (address.Type() != VT_BSTR) return AnswerFailure(L"EXCEL_QUV_GET_LAST_CELL_100");
  BuildTableResponse()->mutable_tablevariable()->add_rows()->add_columns(ConvertWStringTostring(address.Text()));
  return 1;
}
