// The column-title map: the texts of row 1 mapped to their column letters,
// rebuilt when a workbook is opened or attached and when another sheet
// becomes current. Titles are kept exactly as read (not trimmed, case kept);
// a title that occurs twice keeps both columns, left to right.
#include <string>

#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

namespace {

// The text of one header element: empty for an error value or a value that
// has no text form.
std::wstring HeaderText(const VARIANT& element) {
  if (element.vt == VT_ERROR) return std::wstring();
  if (element.vt == VT_BSTR) return VariantText(element);
  OwnedVariant converted;
  if (FAILED(VariantChangeType(converted.Out(), &element, 0, VT_BSTR))) return std::wstring();
  return converted.Text();
}

}  // namespace

void CExcelCom::PrepareColumnTitleMap(bool hasHeader) {
  static const wchar_t kLabel[] = L"PrepareColumnTitielMap";
  WriteLog(kLabel, L"Start Praparing column title map ");
  m_columnTitles.clear();
  if (!hasHeader) {
    WriteLog(kLabel, L"Sheet does not contain Header so just clearing multi map");
    return;
  }
  LONG startRow = 1, endRow = 1, startColumn = 1, endColumn = 1;
  if (!GetWorkSheetUsedRangeData(startRow, endRow, startColumn, endColumn)) {
    WriteLog(kLabel, L"No any Work sheet data presents");
    return;
  }
  if (startRow >= 2) {
    WriteLog(kLabel, L"Row header should be at first row position only");
    return;
  }
  // Row 1 is read from column A, even when the used range starts further
  // right: the cells left of it give empty titles.
  const LONG lastColumn = endColumn;
  const std::wstring lastCell = GetColumnName(lastColumn) + L"1";
  OwnedVariant headerRow(GetWorkSheetRanges(L"A1", lastCell.c_str()));
  if (!headerRow.HoldsDispatch()) {
    WriteLog(kLabel, L"unable to fetch first header row value");
    return;
  }
  WriteLog(kLabel, L"Start Reading all values ");
  OwnedVariant values;
  if (!GetRangeSafeArrayValue(headerRow.Dispatch(), values.Out())) {
    WriteLog(kLabel, L"Error Get All Range Data of header");
    return;
  }
  WriteLog(kLabel, L"reading completed ");

  if ((values.Type() & VT_ARRAY) != 0) {
    SAFEARRAY* array = values.Get().parray;
    LONG lastIndex = 0;
    if (array != nullptr && SafeArrayGetDim(array) == 2 &&
        SUCCEEDED(SafeArrayGetUBound(array, 2, &lastIndex))) {
      for (LONG column = 1; column <= lastColumn && column <= lastIndex; ++column) {
        LONG indices[2] = {1, column};
        OwnedVariant element;
        if (FAILED(SafeArrayGetElement(array, indices, element.Out()))) continue;
        m_columnTitles.emplace(HeaderText(element.Get()), GetColumnName(column));
      }
    }
  } else {
    // A one-column header is the single cell A1, whose value is a scalar.
    m_columnTitles.emplace(HeaderText(values.Get()), GetColumnName(1));
  }
  values.Reset();
  headerRow.Reset();
  WriteLog(kLabel, L"End");
}
