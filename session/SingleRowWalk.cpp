// "GetSingleRow": one row of the range between two addresses, chosen by its
// 1-based number within the range. The range's values are read once, with one
// "Value" call, and kept in the session's single-row cache, so that a caller
// walking the range with row numbers 1, 2, 3 ... pays for one read in all.
// The walk ends (and the cache is released) with the last row, with a row
// outside the range, and when the sheet or the connection changes; a call with
// other addresses reads the new range.
#include <string>

#include "support/Log.h"
#include "support/TextConversion.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "session/ValueTable.h"

using value_table::AppendCellText;

namespace {

const wchar_t kLabel[] = L"GetSingleRow";
const wchar_t kRowError[] = L"EXCEL_QUV_GET_SINGLE_ROW_100";

}  // namespace

int CExcelCom::GetSingleRowEx(const wchar_t* cellFrom, const wchar_t* cellTo, LONG specificRow) {
  WriteLog(kLabel, L"start");
  m_response.Clear();
  if (m_worksheet == nullptr) {
    BuildResponseFromStatus(0);
    WriteLog(kLabel, L"Could not find any active worksheet in the current session.");
    return 0;
  }
  const std::wstring first = cellFrom != nullptr ? cellFrom : L"";
  const std::wstring last = cellTo != nullptr ? cellTo : L"";
  SingleRowCache& cache = m_singleRowCache;

  if (cache.Loaded() && cache.firstAddress == first && cache.lastAddress == last) {
    WriteLog(kLabel, L"Reusing dispatch");
  } else {
    cache.Reset();
    OwnedVariant range(GetWorkSheetRanges(first.c_str(), last.c_str()));
    if (range.HoldsDispatch() && GetRangeSafeArrayValue(range.Dispatch(), cache.snapshot.Out())) {
      cache.firstAddress = first;
      cache.lastAddress = last;
      value_table::ShapeOf(cache.snapshot.Get(), cache.rowCount, cache.columnCount);
    }
  }

  // Only a value that is not there counts as missing: a one-cell range whose
  // cell holds 0 or FALSE has a value like any other.
  if (!cache.Loaded()) {
    cache.Reset();
    AddErrorCodeToResponse(kRowError);
    BuildResponseFromStatus(0);
    WriteLog(kLabel, L"Error in get range value");
    return 0;
  }

  if (!value_table::IsValueTable(cache.snapshot.Get())) {
    // One cell: row 1 is its text; there is no other row.
    int result = 0;
    if (specificRow == 1) {
      std::wstring text;
      CellTextOf(cache.snapshot.Get(), text);
      BuildResponseFromStatus(1);
      excel::TableResponse* table = m_response.mutable_tableresponse();
      table->mutable_tablevariable()->add_rows()->add_columns(ConvertWStringTostring(text));
      table->set_morerecordsavailable(false);
      result = 1;
    } else {
      AddErrorCodeToResponse(kRowError);
      BuildResponseFromStatus(0);
      WriteLog(kLabel, L"Nor row data is availbe");
    }
    cache.Reset();
    return result;
  }

  if (specificRow < 1 || specificRow > cache.rowCount) {
    WriteLog(kLabel, L"Record Ended specificRow > total row");
    cache.Reset();
    return AnswerFailure(kRowError);
  }

  BuildResponseFromStatus(1);
  excel::TableResponse* table = m_response.mutable_tableresponse();
  excel::TableResponse::Row* line = table->mutable_tablevariable()->add_rows();
  SAFEARRAY* values = cache.snapshot.Get().parray;
  VARIANT* elements = nullptr;
  if (SUCCEEDED(SafeArrayAccessData(values, reinterpret_cast<void**>(&elements)))) {
    // Column-major storage: element (row, column), both from 1, sits at
    // (row - 1) + (column - 1) * rowCount.
    const size_t rowCount = static_cast<size_t>(cache.rowCount);
    line->mutable_columns()->Reserve(cache.columnCount);
    std::wstring text;
    for (int column = 1; column <= cache.columnCount; ++column) {
      CellTextOf(elements[static_cast<size_t>(specificRow - 1) + static_cast<size_t>(column - 1) * rowCount],
                 text);
      AppendCellText(*line->add_columns(), text);
    }
    SafeArrayUnaccessData(values);
  }
  if (specificRow < cache.rowCount) {
    table->set_morerecordsavailable(true);
  } else {
    table->set_morerecordsavailable(false);
    cache.Reset();
    WriteLog(kLabel, L"All records Completed");
  }
  return 1;
}
