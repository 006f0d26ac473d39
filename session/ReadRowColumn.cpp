// "ReadRow" and "ReadColumn": the rest of a row or column from a cell (the
// active cell or a named one) to the edge of the used area, or the whole row
// or column from column A or row 1. The cells are read with one "Value" call;
// "ReadRow" answers one table row holding every cell's text, "ReadColumn" one
// table row per cell. Numbers read as the OLE conversion renders them.
#include <cmath>
#include <string>

#include "support/Log.h"
#include "support/TextConversion.h"
#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "session/NullableText.h"
#include "session/ValueTable.h"

using value_table::AppendCellText;

namespace {

const wchar_t kLabel[] = L"ReadRowColumn";

}  // namespace

int CExcelCom::ReadRowColumn(int cellOption, const wchar_t* cellAddress, int readFull, int byRow) {
  // The error codes of the two commands differ only in their tag.
  const std::wstring codePrefix = byRow ? L"EXCEL_QUV_READ_ROW_" : L"EXCEL_QUV_READ_COL_";
  // The text of one element: the cell text rule, except that numbers read
  // as VariantChangeType renders them (a whole number below 1E+15 as its
  // digits, made directly).
  auto readText = [](const VARIANT& value, std::wstring& text) {
    const bool whole = value.vt == VT_R8 && value.dblVal == std::trunc(value.dblVal) &&
                       std::fabs(value.dblVal) < 1e15;
    if (value.vt != VT_R8 || whole) {
      CellTextOf(value, text);
      return;
    }
    OwnedVariant converted;
    text = SUCCEEDED(VariantChangeType(converted.Out(), &value, 0, VT_BSTR)) ? converted.Text() : std::wstring();
  };
  auto fail = [&](const wchar_t* number, const wchar_t* line) {
    AddErrorCodeToResponse((codePrefix + number).c_str());
    BuildResponseFromStatus(0);
    if (line != nullptr) WriteLog(kLabel, line);
    return 0;
  };
  // The worksheet row and column of an R1C1 address result; false when the
  // result holds no address.
  auto locate = [this](const OwnedVariant& address, LONG& row, LONG& column) {
    if (address.Type() != VT_BSTR) return false;
    GetRowColIndexFromReferenceAddress(address.Text().c_str(), row, column);
    return true;
  };
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Read Cell option = " + std::to_wstring(cellOption) + L" cell Address = " +
                         OrEmpty(cellAddress) + L" full row = " + std::to_wstring(readFull) +
                         L" read by Row = " + std::to_wstring(byRow));
  }

  OwnedVariant cell((cellOption == 0 || cellOption == 1) ? GetCellOptionDispatcher(cellOption, cellAddress)
                                                         : EmptyVariant());
  if (!cell.HoldsDispatch()) return fail(L"103", L"unable to fect active cell");
  const std::wstring cellText = OwnedVariant(GetAddressFromDispatch(cell.Dispatch(), 0)).Text();
  const OwnedVariant reference(GetReferenceAddressFromDispatch(cell.Dispatch()));
  cell.Reset();
  LONG row = 0, column = 0;
  if (!locate(reference, row, column)) return fail(L"100", L"Error Type generic");

  LONG startRow = row, startColumn = column;
  if (readFull != 0) {
    if (byRow) {
      startColumn = 1;
    } else {
      startRow = 1;
    }
  }

  WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"Start");
  OwnedVariant usedRange(GetWorkSheetUsedRangeDispatcher());
  WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"End");
  OwnedVariant lastCell(usedRange.HoldsDispatch() ? GetRangeLastItemPosition(usedRange.Dispatch())
                                                  : EmptyVariant());
  usedRange.Reset();
  const OwnedVariant lastReference(lastCell.HoldsDispatch() ? GetReferenceAddressFromDispatch(lastCell.Dispatch())
                                                            : EmptyVariant());
  lastCell.Reset();
  LONG lastRow = 0, lastColumn = 0;
  if (!locate(lastReference, lastRow, lastColumn)) return fail(L"100", L"Error Type generic");

  if (row > lastRow || column > lastColumn) {
    AddErrorCodeToResponse((codePrefix + L"101").c_str());
    BuildResponseFromStatus(0);
    AddErrorParamater(L"CellAddress", cellText.c_str());
    WriteLog(kLabel, L"Error Out of Range Data ");
    return 0;
  }

  const LONG endRow = byRow ? startRow : lastRow;
  const LONG endColumn = byRow ? lastColumn : startColumn;
  const LONG cellCount = byRow ? lastColumn - startColumn + 1 : lastRow - startRow + 1;
  const std::wstring firstCorner = GetColumnName(startColumn) + std::to_wstring(startRow);
  const std::wstring lastCorner = GetColumnName(endColumn) + std::to_wstring(endRow);
  const OwnedVariant range(GetWorkSheetRanges(firstCorner.c_str(), lastCorner.c_str()));
  if (!range.HoldsDispatch()) return fail(L"100", L"Error Get Worksheet Ranges Data ");

  WriteLog(kLabel, L"Start Reading all values ");
  OwnedVariant values;
  if (!GetRangeSafeArrayValue(range.Dispatch(), values.Out())) {
    AddErrorCodeToResponse((codePrefix + L"102").c_str());
    BuildResponseFromStatus(0);
    AddErrorParamater(L"Range", firstCorner.c_str(), lastCorner.c_str());
    WriteLog(kLabel, L"Error unable to fect data ");
    return 0;
  }
  WriteLog(kLabel, L"reading completed ");

  if (values.IsEmpty()) {
    // Only a value that is not there reads as no data: a cell holding 0 or
    // FALSE is read like any other.
    BuildResponseFromStatus(1);
    m_response.mutable_tableresponse()->mutable_tablevariable()->add_rows()->add_columns();
    WriteLog(kLabel, L"There is no any data in the sheet");
    return 1;
  }
  if (cellCount == 1 || !value_table::IsValueTable(values.Get())) {
    wchar_t* text = GetValuePropertyData(range.Dispatch());
    if (text == nullptr) {
      WriteLog(kLabel, L"Error in Read Single cell value");
      BuildResponseFromStatus(0);
      return 0;
    }
    BuildResponseFromStatus(1);
    excel::TableResponse* table = m_response.mutable_tableresponse();
    table->mutable_tablevariable()->add_rows()->add_columns(ConvertWStringTostring(text));
    table->set_morerecordsavailable(false);
    delete[] text;
    return 1;
  }
  BuildResponseFromStatus(1);
  excel::TableResponse::Table* rows = m_response.mutable_tableresponse()->mutable_tablevariable();
  int tableRows = 0, tableColumns = 0;
  value_table::ShapeOf(values.Get(), tableRows, tableColumns);
  SAFEARRAY* table = values.Get().parray;
  VARIANT* elements = nullptr;
  if (SUCCEEDED(SafeArrayAccessData(table, reinterpret_cast<void**>(&elements)))) {
    // A row range is one table row; a column range one table row per cell.
    // Either way the elements run in reading order in column-major storage
    // (a single row or a single column).
    const size_t count = static_cast<size_t>(tableRows) * static_cast<size_t>(tableColumns);
    std::wstring text;
    if (byRow) {
      excel::TableResponse::Row* line = rows->add_rows();
      line->mutable_columns()->Reserve(static_cast<int>(count));
      for (size_t i = 0; i < count; ++i) {
        readText(elements[i], text);
        AppendCellText(*line->add_columns(), text);
      }
    } else {
      rows->mutable_rows()->Reserve(static_cast<int>(count));
      for (size_t i = 0; i < count; ++i) {
        readText(elements[i], text);
        AppendCellText(*rows->add_rows()->add_columns(), text);
      }
    }
    SafeArrayUnaccessData(table);
  }
  return 1;
}
