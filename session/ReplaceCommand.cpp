// "Replace": replaces a text by another in a block chosen like Find's. A
// block of several cells goes to the application's Replace in one call; a
// one-cell block is read, changed and written back here.
#include <string>

#include "boundary/Log.h"
#include "bridge/CellAddressText.h"
#include "session/CExcelCom.h"
#include "session/SessionVariants.h"

using session_variants::Empty;
using session_variants::HoldsDispatch;
using session_variants::TextOf;

namespace {
const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }
}  // namespace

VARIANT CExcelCom::ReplaceInRange(IDispatch* range, const wchar_t* what, const wchar_t* replacement, int lookAt,
                                  int searchOrder, int matchCase) {
  static const wchar_t kLabel[] = L"ReplaceInRange";
  WriteLog(kLabel, L"Start");
  VARIANT result = Empty();
  if (range == nullptr) {
    AddErrorCodeToResponse(L"EXCEL_QUV_REPLACE_100");
    return result;
  }
  ClearAllArgs();
  AddArgumentOLEString(L"What", 0, what);
  AddArgumentOLEString(L"Replacement", 0, replacement);
  AddArgumentInt2(L"LookAt", 0, lookAt);
  AddArgumentInt2(L"SearchOrder", 0, searchOrder);
  AddArgumentBool(L"MatchCase", 0, matchCase != 0);
  AddArgumentBool(L"MatchByte", 0, 0);
  if (!ExlInvoke(range, L"Replace", &result, DISPATCH_METHOD, kClearArgumentsAfterCall)) {
    WriteLog(kLabel, L"Unable to Replace Data");
    return Empty();
  }
  WriteLog(kLabel, L"End");
  return result;
}

int CExcelCom::Replace(int fromOption, int tillOption, const wchar_t* cellFrom, const wchar_t* cellTo,
                       const wchar_t* findText, const wchar_t* replaceText, int searchByRow, int matchCase,
                       int matchEntire) {
  static const wchar_t kLabel[] = L"Replace";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"fromOption  = " + std::to_wstring(fromOption) + L" tillOption = " + std::to_wstring(tillOption) +
                         L" fromCell = " + OrEmpty(cellFrom) + L" tillCell =" + OrEmpty(cellTo) + L" ");
    WriteLog(L"Replace-findText", OrEmpty(findText));
    WriteLog(L"Replace-replaceText", OrEmpty(replaceText));
  }
  VARIANT fromAddress = GetCellAddressFromOption(fromOption, cellFrom);
  VARIANT tillAddress = GetCellAddressFromOption(tillOption, cellTo);
  int status = 0;
  if (fromAddress.vt != VT_BSTR || tillAddress.vt != VT_BSTR) {
    AddErrorCodeToResponse(L"EXCEL_QUV_REPLACE_100");
  } else {
    const std::wstring from = TextOf(fromAddress), till = TextOf(tillAddress);
    WriteLog(kLabel, L"Start Address = " + from + L" End Address = " + till);
    const int lookAt = matchEntire != 0 ? 1 : 2;
    const int searchOrder = searchByRow != 0 ? 1 : 2;
    if (from != till) {
      VARIANT block = GetWorkSheetRanges(from.c_str(), till.c_str());
      if (HoldsDispatch(block)) {
        VARIANT replaced = ReplaceInRange(block.pdispVal, OrEmpty(findText), OrEmpty(replaceText), lookAt,
                                          searchOrder, matchCase);
        status = replaced.vt != VT_EMPTY ? 1 : 0;
        WriteLog(kLabel, L"Found and replaced ");
        ReleaseVariant(&replaced);
      } else {
        WriteLog(kLabel, L"WorkSheet Range not found");
        status = 1;
      }
      ReleaseVariant(&block);
    } else {
      status = 1;
      ReplaceInSingleCell(from.c_str(), OrEmpty(findText), OrEmpty(replaceText), matchEntire);
    }
  }
  ReleaseVariant(&fromAddress);
  ReleaseVariant(&tillAddress);
  BuildResponseFromStatus(status);
  return status;
}

void CExcelCom::ReplaceInSingleCell(const wchar_t* address, const wchar_t* findText, const wchar_t* replaceText,
                                    int matchEntire) {
  VARIANT cell = GetSpecifiedCellDispatcher(address);
  if (!HoldsDispatch(cell)) {
    ReleaseVariant(&cell);
    return;
  }
  VARIANT value = GetRangeArrayValue2(cell.pdispVal);
  if (value.vt != VT_EMPTY && value.vt != VT_ERROR && (value.vt & VT_ARRAY) == 0) {
    std::wstring text;
    if (value.vt == VT_BOOL) {
      text = value.boolVal ? L"TRUE" : L"FALSE";
    } else {
      VARIANT converted = Empty();
      if (SUCCEEDED(VariantChangeType(&converted, &value, 0, VT_BSTR))) text = TextOf(converted);
      VariantClear(&converted);
    }
    const std::wstring find = findText;
    if (matchEntire != 0) {
      // A whole-cell match only, as the application's Replace does with
      // LookAt whole: a cell that merely contains the text stays as it is.
      if (text == find) {
        VARIANT ignored = PutRangeArrayValue2(cell.pdispVal, replaceText);
        ReleaseVariant(&ignored);
      }
    } else if (ReplaceAll(text, find, replaceText) > 0) {
      VARIANT ignored = PutRangeArrayValue2(cell.pdispVal, text.c_str());
      ReleaseVariant(&ignored);
    }
  }
  ReleaseVariant(&value);
  ReleaseVariant(&cell);
}
