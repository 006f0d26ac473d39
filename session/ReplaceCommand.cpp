// "Replace": replaces a text by another in a block chosen like Find's. A
// block of several cells goes to the application's Replace in one call; a
// one-cell block is read, changed and written back here.
#include <string>

#include "bridge/CellAddressText.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

namespace {
const wchar_t* OrEmpty(const wchar_t* text) { return text != nullptr ? text : L""; }
}  // namespace

VARIANT CExcelCom::ReplaceInRange(IDispatch* range, const wchar_t* what, const wchar_t* replacement, int lookAt,
                                  int searchOrder, int matchCase) {
  static const wchar_t kLabel[] = L"ReplaceInRange";
  WriteLog(kLabel, L"Start");
  if (range == nullptr) {
    AddErrorCodeToResponse(L"EXCEL_QUV_REPLACE_100");
    return EmptyVariant();
  }
  OwnedVariant result;
  ClearAllArgs();
  AddArgumentOLEString(L"What", 0, what);
  AddArgumentOLEString(L"Replacement", 0, replacement);
  AddArgumentInt2(L"LookAt", 0, lookAt);
  AddArgumentInt2(L"SearchOrder", 0, searchOrder);
  AddArgumentBool(L"MatchCase", 0, matchCase != 0);
  AddArgumentBool(L"MatchByte", 0, 0);
  if (!ExlInvoke(range, L"Replace", result.Out(), DISPATCH_METHOD, kClearArgumentsAfterCall)) {
    WriteLog(kLabel, L"Unable to Replace Data");
    return EmptyVariant();
  }
  WriteLog(kLabel, L"End");
  return result.Detach();
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
  OwnedVariant fromAddress(GetCellAddressFromOption(fromOption, cellFrom));
  OwnedVariant tillAddress(GetCellAddressFromOption(tillOption, cellTo));
  int status = 0;
  if (fromAddress.Type() != VT_BSTR || tillAddress.Type() != VT_BSTR) {
    AddErrorCodeToResponse(L"EXCEL_QUV_REPLACE_100");
  } else {
    const std::wstring from = fromAddress.Text(), till = tillAddress.Text();
    WriteLog(kLabel, L"Start Address = " + from + L" End Address = " + till);
    const int lookAt = matchEntire != 0 ? 1 : 2;
    const int searchOrder = searchByRow != 0 ? 1 : 2;
    if (from != till) {
      OwnedVariant block(GetWorkSheetRanges(from.c_str(), till.c_str()));
      if (block.HoldsDispatch()) {
        OwnedVariant replaced(ReplaceInRange(block.Dispatch(), OrEmpty(findText), OrEmpty(replaceText), lookAt,
                                             searchOrder, matchCase));
        status = !replaced.IsEmpty() ? 1 : 0;
        WriteLog(kLabel, L"Found and replaced ");
      } else {
        WriteLog(kLabel, L"WorkSheet Range not found");
        status = 1;
      }
    } else {
      status = 1;
      ReplaceInSingleCell(from.c_str(), OrEmpty(findText), OrEmpty(replaceText), matchEntire);
    }
  }
  BuildResponseFromStatus(status);
  return status;
}

void CExcelCom::ReplaceInSingleCell(const wchar_t* address, const wchar_t* findText, const wchar_t* replaceText,
                                    int matchEntire) {
  OwnedVariant cell(GetSpecifiedCellDispatcher(address));
  if (!cell.HoldsDispatch()) return;
  OwnedVariant value(GetRangeArrayValue2(cell.Dispatch()));
  const VARTYPE type = value.Type();
  if (type != VT_EMPTY && type != VT_ERROR && (type & VT_ARRAY) == 0) {
    std::wstring text;
    if (type == VT_BOOL) {
      text = value.Get().boolVal ? L"TRUE" : L"FALSE";
    } else {
      OwnedVariant converted;
      if (SUCCEEDED(VariantChangeType(converted.Out(), &value.Get(), 0, VT_BSTR))) text = converted.Text();
    }
    const std::wstring find = findText;
    if (matchEntire != 0) {
      // A whole-cell match only, as the application's Replace does with
      // LookAt whole: a cell that merely contains the text stays as it is.
      if (text == find) {
        OwnedVariant ignored(PutRangeArrayValue2(cell.Dispatch(), replaceText));
      }
    } else if (ReplaceAll(text, find, replaceText) > 0) {
      OwnedVariant ignored(PutRangeArrayValue2(cell.Dispatch(), text.c_str()));
    }
  }
}
