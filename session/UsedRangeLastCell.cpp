// "GetUsedRange" and "GetLastCellAddress": how far the content of the
// session's worksheet reaches, as the application reports it (an empty sheet
// reports A1; cells holding only formatting count). Both answer a table of one
// row with one column: a range such as B2:F30, or a cell such as F30.
#include <string>

#include "boundary/Log.h"
#include "boundary/TextConversion.h"
#include "bridge/CellAddressText.h"
#include "session/CExcelCom.h"
#include "session/SessionVariants.h"

using session_variants::Empty;
using session_variants::HoldsDispatch;
using session_variants::TextOf;

namespace {

// Fills a successful table answer of one text. These two operations build it
// themselves (the response was cleared before the command ran).
void AnswerOneText(excel::CommandResponse& response, const std::wstring& text, const wchar_t* errorMessage,
                   const wchar_t* errorCode) {
  response.mutable_tableresponse()->mutable_tablevariable()->add_rows()->add_columns(ConvertWStringTostring(text));
  response.mutable_tableresponse()->set_morerecordsavailable(false);
  excel::DefaultResponse* status = response.mutable_defaultresponse();
  status->set_status(true);
  status->set_errormessage(ConvertWStringTostring(errorMessage));
  status->set_errorcode(ConvertWStringTostring(errorCode));
  response.set_commandresponsetype(excel::CommandResponse::TABLE_RESPONSE);
}

}  // namespace

int CExcelCom::GetUsedRange() {
  LONG firstRow = 1, lastRow = 1, firstColumn = 1, lastColumn = 1;
  if (!GetWorkSheetUsedRangeData(firstRow, lastRow, firstColumn, lastColumn)) {
    return AnswerFailure(L"EXCEL_QUV_GET_USED_RANGE_100");
  }
  const std::wstring text = GetColumnName(firstColumn) + std::to_wstring(firstRow) + L":" +
                            GetColumnName(lastColumn) + std::to_wstring(lastRow);
  AnswerOneText(m_response, text, m_errorMessage, m_errorCode);
  return 1;
}

int CExcelCom::GetLastCellAddressApi() {
  VARIANT usedRange = Empty();
  if (m_worksheet != nullptr) {
    WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"Start");
    usedRange = GetWorkSheetUsedRangeDispatcher();
    WriteLog(L"GetWorkSheetUsedRangeDispatcher", L"End");
  }
  VARIANT lastCell = HoldsDispatch(usedRange) ? GetRangeLastItemPosition(usedRange.pdispVal) : Empty();
  ReleaseVariant(&usedRange);
  // A last cell whose address cannot be read fails like a missing one.
  VARIANT address = HoldsDispatch(lastCell) ? GetAddressFromDispatch(lastCell.pdispVal, 0) : Empty();
  ReleaseVariant(&lastCell);
  if (address.vt != VT_BSTR) {
    ReleaseVariant(&address);
    return AnswerFailure(L"EXCEL_QUV_GET_LAST_CELL_100");
  }
  AnswerOneText(m_response, TextOf(address), m_errorMessage, m_errorCode);
  ReleaseVariant(&address);
  return 1;
}
