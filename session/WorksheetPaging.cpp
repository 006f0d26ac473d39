// "GetWorksheetData" and "GetMoreWorksheetData": the used range of a sheet as
// a table of texts, delivered in pages. The values are read once, with one
// "Value" call, into the session's paging snapshot; every page is cut from
// that snapshot without further calls into the application.
//
// A page holds whole rows. It ends after the row during which its cell count
// reached kPageCellLimit or its character count (UTF-16 code units of the cell
// texts) reached kPageCharacterLimit, so a single row wider than the cell
// limit is delivered whole. Once the last row has been delivered the
// snapshot is released.
#include <cstdint>
#include <string>

#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"
#include "support/TextConversion.h"

namespace {

constexpr int kPageCellLimit = 10000;
constexpr size_t kPageCharacterLimit = 61440;

// Length of `text` in UTF-16 code units, whatever the width of wchar_t.
size_t Utf16Length(const std::wstring& text) {
  if constexpr (sizeof(wchar_t) == 2) {
    return text.size();
  } else {
    size_t length = text.size();
    for (wchar_t c : text) {
      if (static_cast<uint32_t>(c) > 0xFFFF) ++length;
    }
    return length;
  }
}

// Appends `text` as UTF-8; plain ASCII, the common case of cell texts, is
// copied without the general conversion.
void AppendCellText(std::string& out, const std::wstring& text) {
  for (wchar_t c : text) {
    if (static_cast<uint32_t>(c) >= 0x80) {
      AppendWideAsUtf8(out, text.data(), text.size());
      return;
    }
  }
  out.reserve(text.size());
  for (wchar_t c : text) out += static_cast<char>(c);
}

// True when `snapshot` is a two-dimensional array of VARIANT (a value of
// several cells).
bool IsValueTable(const VARIANT& snapshot) {
  return snapshot.vt == (VT_ARRAY | VT_VARIANT) && snapshot.parray != nullptr &&
         SafeArrayGetDim(snapshot.parray) == 2;
}

}  // namespace

int CExcelCom::LoadPagingSnapshot(IDispatch* range) {
  m_pagingState.Release();
  if (!GetRangeSafeArrayValue(range, &m_pagingState.snapshot)) {
    m_pagingState.Release();
    return 0;
  }
  m_pagingState.rowCursor = 0;
  VARIANT& snapshot = m_pagingState.snapshot;
  // Only a value that is not there counts as missing; a one-cell range whose
  // cell holds 0 or FALSE has a value like any other.
  const bool missing = snapshot.vt == VT_EMPTY ||
                       ((snapshot.vt & VT_ARRAY) != 0 && snapshot.parray == nullptr);
  if (missing) {
    m_pagingState.Release();
    return 0;
  }
  if (IsValueTable(snapshot)) {
    LONG lower = 0, upper = 0;
    SafeArrayGetLBound(snapshot.parray, 1, &lower);
    SafeArrayGetUBound(snapshot.parray, 1, &upper);
    m_pagingState.rowCount = upper - lower + 1;
    SafeArrayGetLBound(snapshot.parray, 2, &lower);
    SafeArrayGetUBound(snapshot.parray, 2, &upper);
    m_pagingState.columnCount = upper - lower + 1;
  }
  return 1;
}

int CExcelCom::GetWorkSheetData(int sheetOption, const wchar_t* sheetName) {
  static const wchar_t kLabel[] = L"GetWorkSheetData";
  if (IsLogEnabled()) WriteLog(kLabel, L"Sheet Option = " + std::to_wstring(sheetOption) + L"   ");
  WriteLog(L"GetWorkSheetData-SheetName", sheetName);
  const std::wstring requestedSheet = sheetName != nullptr ? sheetName : L"";

  if (sheetOption == 1 && requestedSheet != m_currentSheetName) {
    if (!SwitchToSheet(1, 0, requestedSheet.c_str(), 0)) {
      AddErrorCodeToResponse(L"EXCEL_QUV_SHEET_AS_TABLE_102");
      WriteLog(kLabel, L"Error in Switch to Sheet");
      BuildResponseFromStatus(0);
      AddErrorParamater(L"SheetName", requestedSheet.c_str());
      return 0;
    }
  }

  LONG firstRow = 1, lastRow = 1, firstColumn = 1, lastColumn = 1;
  if (!GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) {
    AddErrorCodeToResponse(L"EXCEL_QUV_SHEET_AS_TABLE_100");
    WriteLog(kLabel, L"There is no used range data");
    BuildResponseFromStatus(0);
    return 0;
  }
  const std::wstring firstCorner = GetColumnName(firstColumn) + std::to_wstring(firstRow);
  const std::wstring lastCorner = GetColumnName(lastColumn) + std::to_wstring(lastRow);

  bool loaded = false;
  {
    OwnedVariant range(GetWorkSheetRanges(firstCorner.c_str(), lastCorner.c_str()));
    if (range.HoldsDispatch()) loaded = LoadPagingSnapshot(range.Dispatch()) != 0;
  }

  if (loaded && firstCorner == lastCorner) {
    // A one-cell used range answers its text as one row, in a status
    // response, and leaves nothing to page.
    m_pagingState.Release();
    OwnedVariant cell(GetSpecifiedCellDispatcher(firstCorner.c_str()));
    if (!cell.HoldsDispatch()) {
      AddErrorCodeToResponse(L"EXCEL_QUV_SHEET_AS_TABLE_100");
      WriteLog(kLabel, L"Error in read Single cell data");
      BuildResponseFromStatus(0);
      return 0;
    }
    BuildResponseFromStatus(1);
    wchar_t* text = GetValuePropertyData(cell.Dispatch());
    excel::TableResponse* table = m_response.mutable_tableresponse();
    table->set_morerecordsavailable(false);
    table->mutable_tablevariable()->add_rows()->add_columns(
        ConvertWStringTostring(text != nullptr ? text : L""));
    delete[] text;
    return 1;
  }
  if (loaded && IsValueTable(m_pagingState.snapshot)) return GetWorkSheetMoreData();

  m_pagingState.Release();
  AddErrorCodeToResponse(L"EXCEL_QUV_SHEET_AS_TABLE_103");
  WriteLog(kLabel, L"Error in Get Range data");
  BuildResponseFromStatus(0);
  AddErrorParamater(L"Range", firstCorner.c_str(), lastCorner.c_str());
  return 0;
}

int CExcelCom::GetWorkSheetMoreData() {
  static const wchar_t kLabel[] = L"GetWorkSheetMoreData";
  excel::TableResponse* table = BuildTableResponse();
  PagingState& paging = m_pagingState;
  const int pageStart = paging.rowCursor;
  int cells = 0;
  size_t characters = 0;
  bool more = false;

  VARIANT* elements = nullptr;
  if (paging.rowCursor < paging.rowCount && IsValueTable(paging.snapshot) &&
      SUCCEEDED(SafeArrayAccessData(paging.snapshot.parray, reinterpret_cast<void**>(&elements)))) {
    // Column-major storage: element (row, column), both from 1, sits at
    // (row - 1) + (column - 1) * rowCount.
    const size_t rowCount = static_cast<size_t>(paging.rowCount);
    excel::TableResponse::Table* rows = table->mutable_tablevariable();
    std::wstring text;
    while (paging.rowCursor < paging.rowCount) {
      const int row = paging.rowCursor + 1;
      excel::TableResponse::Row* line = rows->add_rows();
      line->mutable_columns()->Reserve(paging.columnCount);
      for (int column = 1; column <= paging.columnCount; ++column) {
        const VARIANT& element =
            elements[static_cast<size_t>(row - 1) + static_cast<size_t>(column - 1) * rowCount];
        CellTextOf(element, text);
        if (element.vt == VT_ERROR && IsLogEnabled()) {
          WriteLog(kLabel, L" Problem of retrive text of Row = " + std::to_wstring(row) +
                               L" column = " + std::to_wstring(column));
        }
        AppendCellText(*line->add_columns(), text);
        characters += Utf16Length(text);
        ++cells;
      }
      ++paging.rowCursor;
      if (characters >= kPageCharacterLimit || cells >= kPageCellLimit) {
        more = paging.rowCursor < paging.rowCount;
        break;
      }
    }
    SafeArrayUnaccessData(paging.snapshot.parray);
  }

  if (more) {
    if (IsLogEnabled()) {
      WriteLog(kLabel, L" More records available total Records = " +
                           std::to_wstring(paging.rowCount) + L" total fetched = " +
                           std::to_wstring(paging.rowCursor) + L"  total Rows = " +
                           std::to_wstring(paging.rowCursor - pageStart) + L" totalCell = " +
                           std::to_wstring(cells) + L"  dataSize = " + std::to_wstring(characters));
    }
  } else {
    WriteLog(kLabel, L"Data is completed");
    paging.Release();
  }
  table->set_morerecordsavailable(more);
  return 1;
}
