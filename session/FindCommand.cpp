// "Find" and "GetFindMoreDataResult": the addresses of the cells of a block
// whose text matches, in pages. The application's Find runs the search; the
// session keeps the block, the last cell found and the first address between
// the two commands. A one-cell block is compared by the session itself.
//
// The initial search runs backwards from the block's first cell, so it
// finds the block's last match (in search order); the collecting searches
// then run forwards from it, listing the matches from the block's first
// one on, and stop when they reach that last match again. A page ends once
// its addresses reach 61,440 characters.
#include <string>

#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"
#include "support/TextConversion.h"

namespace {

constexpr int kLookInValues = -4163;
constexpr int kSearchPrevious = 2;
constexpr int kSearchNext = 1;
constexpr size_t kPageCharacters = 0xF000;

std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
  return text;
}

const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }

}  // namespace

void CExcelCom::AddNewRowToTableData(const std::wstring& text) {
  m_response.mutable_tableresponse()->mutable_tablevariable()->add_rows()->add_columns(ConvertWStringTostring(text));
}

void CExcelCom::AddFindArguments(const wchar_t* what, int lookIn, int lookAt, int searchOrder, int searchDirection,
                                 int matchCase, IDispatch* after) {
  ClearAllArgs();
  if (what != nullptr) AddArgumentOLEString(L"What", 0, what);
  AddArgumentInt2(L"LookIn", 0, lookIn);
  AddArgumentInt2(L"LookAt", 0, lookAt);
  AddArgumentInt2(L"SearchOrder", 0, searchOrder);
  AddArgumentInt2(L"SearchDirection", 0, searchDirection);
  AddArgumentBool(L"MatchCase", 0, matchCase != 0);
  AddArgumentBool(L"MatchByte", 0, 0);
  if (after != nullptr) AddArgumentDispatch(L"After", kArgumentBorrowed, after);
}

VARIANT CExcelCom::FindFromRange(IDispatch* range, const wchar_t* what, int lookIn, int lookAt, int searchOrder,
                                 int searchDirection, int matchCase) {
  static const wchar_t kLabel[] = L"FindFromRange";
  WriteLog(kLabel, L"Start");
  if (range == nullptr) return EmptyVariant();
  OwnedVariant found;
  OwnedVariant first(GetRangeFirstItemPosition(range));
  AddFindArguments(what, lookIn, lookAt, searchOrder, searchDirection, matchCase, first.Dispatch());
  if (!ExlInvoke(range, L"Find", found.Out(), DISPATCH_METHOD, kClearArgumentsAfterCall)) {
    WriteLog(kLabel, L"Find text is not found in the range");
    found.Reset();
  }
  return found.Detach();
}

int CExcelCom::Find(int fromOption, int tillOption, const wchar_t* cellFrom, const wchar_t* cellTo,
                    const wchar_t* findText, int searchByRow, int matchCase, int matchEntire) {
  static const wchar_t kLabel[] = L"Find";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"fromOption  = " + std::to_wstring(fromOption) + L" tillOption = " + std::to_wstring(tillOption) +
                         L" fromCell = " + OrEmpty(cellFrom) + L" tillCell =" + OrEmpty(cellTo) + L" ");
    WriteLog(L"Find-findText", OrEmpty(findText));
  }
  OwnedVariant fromAddress(GetCellAddressFromOption(fromOption, cellFrom));
  OwnedVariant tillAddress(GetCellAddressFromOption(tillOption, cellTo));
  OwnedVariant block;
  int status = 0;
  if (fromAddress.Type() == VT_BSTR && tillAddress.Type() == VT_BSTR) {
    const std::wstring from = fromAddress.Text(), till = tillAddress.Text();
    WriteLog(kLabel, L"Start Address = " + from + L" End Address = " + till);
    block.Reset(GetWorkSheetRanges(from.c_str(), till.c_str()));
  }
  if (!block.HoldsDispatch()) {
    AddErrorCodeToResponse(L"EXCEL_QUV_FIND_100");
    BuildResponseFromStatus(0);
  } else {
    const int lookAt = matchEntire != 0 ? 1 : 2;
    const int searchOrder = searchByRow != 0 ? 1 : 2;
    OwnedVariant found(FindFromRange(block.Dispatch(), OrEmpty(findText), kLookInValues, lookAt, searchOrder,
                                     kSearchPrevious, matchCase));
    if (!found.HoldsDispatch()) {
      WriteLog(kLabel, L"No matched data is found");
      BuildResponseFromStatus(1);
      status = 1;
    } else {
      m_findState.Reset();
      IDispatch* range = block.Dispatch();
      OwnedVariant address(GetAddressFromDispatch(found.Dispatch(), 0));
      m_findState.firstAddress = address.Text();
      m_findState.searchRange = block.TakeDispatch();
      m_findState.findText = OrEmpty(findText);
      m_findState.lookAt = lookAt;
      m_findState.lookIn = kLookInValues;
      m_findState.searchDirection = kSearchNext;
      m_findState.searchOrder = searchOrder;
      m_findState.afterCell = found.TakeDispatch();
      m_findState.matchCase = matchCase;

      OwnedVariant active(GetActiveCellDispatcher());
      SelectRange(range);
      BuildTableResponse();
      if (IsRangeContainSingleCell(range)) {
        m_findState.singleCell = 1;
        status = CompareWithActiveCellForFind(OrEmpty(findText), matchCase, matchEntire);
      } else {
        AddNewRowToTableData(m_findState.firstAddress);
        status = FindAndCollectFromRange();
      }
      if (active.HoldsDispatch()) SelectRange(active.Dispatch());
    }
  }
  return status;
}

int CExcelCom::GetNextFindResult() {
  BuildTableResponse();
  return FindAndCollectFromRange();
}

int CExcelCom::FindAndCollectFromRange() {
  static const wchar_t kLabel[] = L"FindAndCollectFromRange";
  WriteLog(kLabel, L"Start");
  FindState& state = m_findState;
  if (!state.searchRange) {
    WriteLog(kLabel, L"Range All Dispatch is null");
    AddErrorCodeToResponse(L"EXCEL_QUV_FIND_100");
    BuildResponseFromStatus(0);
    return 0;
  }
  const std::wstring firstAddress = state.firstAddress;
  WriteLog(L"FindAndCollectFromRange: Start Address", firstAddress);
  int status = 1;
  bool more = false;
  size_t budget = 0;
  if (!firstAddress.empty()) {
    for (;;) {
      if (budget >= kPageCharacters) {
        more = true;
        break;
      }
      AddFindArguments(state.findText.c_str(), state.lookIn, state.lookAt, state.searchOrder, state.searchDirection,
                       state.matchCase, state.afterCell.Get());
      OwnedVariant found;
      if (!ExlInvoke(state.searchRange.Get(), L"Find", found.Out(), DISPATCH_METHOD, kClearArgumentsAfterCall)) {
        WriteLog(kLabel, L"Find text is not found in the range");
        m_response.clear_tableresponse();
        AddErrorCodeToResponse(L"EXCEL_QUV_FIND_100");
        status = 0;
        break;
      }
      if (!found.HoldsDispatch()) break;
      const std::wstring current = OwnedVariant(GetAddressFromDispatch(found.Dispatch(), 0)).Text();
      state.afterCell = found.TakeDispatch();
      // Back at the first cell this search listed: the first address has
      // gone (its cell changed since the first page), so the search would
      // wrap around for ever. The block has been listed once; stop.
      if (!state.wrapAddress.empty() && current == state.wrapAddress) {
        WriteLog(kLabel, L"Data is completed breaking the loop");
        break;
      }
      if (state.wrapAddress.empty()) state.wrapAddress = current;
      AddNewRowToTableData(current);
      ++state.rowCount;
      budget += current.empty() ? 1 : current.size();
      if (current == firstAddress) {
        WriteLog(kLabel, L"Data is completed breaking the loop");
        break;
      }
    }
  }
  if (more) {
    if (IsLogEnabled())
      WriteLog(kLabel, L"More Records availble total Cell Found = " + std::to_wstring(state.rowCount) + L" ");
  } else {
    if (IsLogEnabled())
      WriteLog(kLabel, L"Find is completed total Cell Found = " + std::to_wstring(state.rowCount) + L" ");
    state.Reset();
  }
  // The table response was built before the searches; a failed search
  // changes its status and error code afterwards.
  if (status == 0) {
    excel::DefaultResponse* response = m_response.mutable_defaultresponse();
    response->set_status(false);
    response->set_errorcode(ConvertWStringTostring(m_errorCode));
  }
  m_response.mutable_tableresponse()->set_morerecordsavailable(more);
  return status;
}

int CExcelCom::CompareWithActiveCellForFind(const wchar_t* findText, int matchCase, int matchEntire) {
  static const wchar_t kLabel[] = L"CompareWithActiveCellForFind";
  WriteLog(kLabel, L"Compare with active cell only");
  excel::TableResponse* table = BuildTableResponse();
  wchar_t* value = GetActiveCellStringValue();
  if (value != nullptr && *value != L'\0' && CompareFindText(findText, value, matchCase, matchEntire)) {
    OwnedVariant active(GetActiveCellDispatcher());
    OwnedVariant address;
    if (active.HoldsDispatch()) address.Reset(GetAddressFromDispatch(active.Dispatch(), 0));
    const std::wstring text = address.Text();
    WriteLog(kLabel, L"Found Single cell Address =" + text);
    AddNewRowToTableData(text);
  }
  delete[] value;
  m_findState.Reset();
  table->set_morerecordsavailable(false);
  return 1;
}

int CExcelCom::CompareFindText(const wchar_t* findText, const wchar_t* actualText, int matchCase, int matchEntire) {
  static const wchar_t kLabel[] = L"CompareFindText";
  WriteLog(kLabel, L"Compare with actul text only");
  const std::wstring find = OrEmpty(findText), actual = OrEmpty(actualText);
  if (find.empty()) {
    WriteLog(kLabel, actual.empty() ? L"Find text is Empty length" : L"Find text is Empty length but actual is > 0");
    return actual.empty() ? 1 : 0;
  }
  bool match;
  const wchar_t* line;
  if (matchEntire != 0 && matchCase != 0) {
    match = actual == find;
    line = L"Found: Matched case and  with Entire cell Text ";
  } else if (matchEntire != 0) {
    match = LowerAscii(actual) == LowerAscii(find);
    line = L"Found: Without Matched case and  Entire cell Text ";
  } else if (matchCase != 0) {
    match = actual.find(find) != std::wstring::npos;
    line = L"Found: Containe Matched case and  without Entire cell Text ";
  } else {
    match = LowerAscii(actual).find(LowerAscii(find)) != std::wstring::npos;
    line = L"Found: Containe Without Matched case and  without Entire cell Text ";
  }
  WriteLog(kLabel, match ? line : L" text is not found ");
  WriteLog(kLabel, L"End");
  return match ? 1 : 0;
}
