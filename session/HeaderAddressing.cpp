// Translations between the ways a caller names a cell and A1 addresses:
// "GetCellAddress" turns a column title and a position into an address (a
// header text and a data-row position when row 1 holds titles, column letters
// and a worksheet row otherwise); "GetColumnName" and "GetRowNumber" answer
// the column letters or the row number of the active cell or a named cell.
#include <string>

#include "support/Log.h"
#include "support/TextConversion.h"
#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "session/NullableText.h"

namespace {

// Column letters as "GetCellAddress" accepts them without a header row: at
// most three ASCII letters (the empty text included).
bool IsColumnLetters(const std::wstring& title) { return title.size() <= 3 && IsContainOnlyAlpha(title); }

}  // namespace

int CExcelCom::GetCellAddressCommand(int cellOption, const wchar_t* columnTitle, LONG cellPosition) {
  static const wchar_t kLabel[] = L"GetCellAddressCommand";
  const std::wstring title = OrEmpty(columnTitle);
  const bool hasHeader = m_containHeader != 0;
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Cell Option = " + std::to_wstring(cellOption) + L" Column Title = " + title +
                         L" Cell Position = " + std::to_wstring(cellPosition));
  }
  auto failWithTitle = [&](const wchar_t* line) {
    AddErrorCodeToResponse(hasHeader ? L"EXCEL_QUV_GET_CELL_ADD_102" : L"EXCEL_QUV_GET_CELL_ADD_104");
    BuildResponseFromStatus(0);
    AddErrorParamater(L"ColumnTitle", title.c_str());
    WriteLog(kLabel, line);
    return 0;
  };

  OwnedVariant cell;
  if (cellOption == 0) {
    cell.Reset(GetActiveCellDispatcher());
    if (!cell.HoldsDispatch()) {
      AddErrorCodeToResponse(L"EXCEL_QUV_GET_CELL_ADD_105");
      BuildResponseFromStatus(0);
      WriteLog(kLabel, L"Error Type generic");
      return 0;
    }
  } else if (cellPosition < 0) {
    AddErrorCodeToResponse(hasHeader ? L"EXCEL_QUV_GET_CELL_ADD_103" : L"EXCEL_QUV_GET_CELL_ADD_101");
    BuildResponseFromStatus(0);
    if (hasHeader) AddErrorParamater(L"CellPosition", cellPosition);
    WriteLog(kLabel, L"Invalid Row Position");
    return 0;
  } else if (!hasHeader) {
    if (!IsColumnLetters(title)) return failWithTitle(L"Error Type generic Column title is invalid");
    const std::wstring address = title + std::to_wstring(cellPosition);
    cell.Reset(GetSpecifiedCellDispatcher(address.c_str()));
    // The R1C1 address confirms that the application accepts the cell.
    const OwnedVariant reference(cell.HoldsDispatch() ? GetReferenceAddressFromDispatch(cell.Dispatch())
                                                      : EmptyVariant());
    if (reference.Type() != VT_BSTR) return failWithTitle(L"Error Type generic");
  } else {
    const auto found = m_columnTitles.find(title);  // the left-most of equal titles
    if (found == m_columnTitles.end()) {
      return failWithTitle(L"Column title not found within contain header , Header is Empty");
    }
    WriteLog(L"GetCellAddressCommand:Column Name Found:", found->second);
    // Position 1 is the first row below the header; counted in 64 bits so
    // the largest position cannot overflow.
    const std::wstring address = found->second + std::to_wstring(static_cast<long long>(cellPosition) + 1);
    cell.Reset(GetSpecifiedCellDispatcher(address.c_str()));
  }

  const OwnedVariant address(cell.HoldsDispatch() ? GetAddressFromDispatch(cell.Dispatch(), 0) : EmptyVariant());
  cell.Reset();
  if (address.IsEmpty()) {
    AddErrorCodeToResponse(hasHeader ? L"EXCEL_QUV_GET_CELL_ADD_103" : L"EXCEL_QUV_GET_CELL_ADD_100");
    BuildResponseFromStatus(0);
    if (hasHeader) AddErrorParamater(L"CellPosition", cellPosition);
    WriteLog(kLabel, L"GetAddressFromDispatch Error Type generic");
    return 0;
  }
  std::wstring text = address.Text();
  if (address.Type() != VT_BSTR) {
    OwnedVariant converted;
    if (SUCCEEDED(VariantChangeType(converted.Out(), &address.Get(), 0, VT_BSTR))) text = converted.Text();
  }
  BuildResponseFromStatus(1);
  m_response.mutable_tableresponse()->mutable_tablevariable()->add_rows()->add_columns(
      ConvertWStringTostring(text));
  return 1;
}

int CExcelCom::GetColumnNameRowNumber(int cellOption, const wchar_t* cellAddress, int isRowNumber) {
  static const wchar_t kLabel[] = L"GetColumnNameRowNumber";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"Cell Option = " + std::to_wstring(cellOption) + L" cell Address = " +
                         OrEmpty(cellAddress) + L" get Row Number = " + std::to_wstring(isRowNumber));
  }
  const wchar_t* generalError = isRowNumber ? L"EXCEL_QUV_GET_ROW_NUM_100" : L"EXCEL_QUV_GET_COLUMN_NAME_100";
  auto fail = [&](const wchar_t* code) {
    AddErrorCodeToResponse(code);
    BuildResponseFromStatus(0);
    WriteLog(kLabel, L"Error Type generic");
    return 0;
  };

  OwnedVariant cell(GetCellOptionDispatcher(cellOption, cellAddress));
  if (!cell.HoldsDispatch()) {
    if (cellOption == 0) {
      return fail(isRowNumber ? L"EXCEL_QUV_GET_ROW_NUM_101" : L"EXCEL_QUV_GET_COLUMN_NAME_101");
    }
    return fail(generalError);
  }
  const OwnedVariant reference(GetReferenceAddressFromDispatch(cell.Dispatch()));
  cell.Reset();
  if (reference.Type() != VT_BSTR) return fail(generalError);
  LONG row = 0, column = 0;
  GetRowColIndexFromReferenceAddress(reference.Text().c_str(), row, column);

  BuildResponseFromStatus(1);
  const std::wstring answer = isRowNumber ? std::to_wstring(row) : GetColumnName(column);
  m_response.mutable_tableresponse()->mutable_tablevariable()->add_rows()->add_columns(
      ConvertWStringTostring(answer));
  return 1;
}
