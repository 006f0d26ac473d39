// Commands that act on the connected session as a whole: switching the
// current sheet, running a macro through the application, and switching the
// current sheet's AutoFilter off.
#include <limits>
#include <string>
#include <vector>

#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

namespace {

const wchar_t kUnknownError[] = L"An unknown error occurred when executing the command";

// Case-insensitive comparison of two sheet names (ASCII letters folded).
bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    wchar_t x = a[i], y = b[i];
    if (x >= L'A' && x <= L'Z') x = static_cast<wchar_t>(x - L'A' + L'a');
    if (y >= L'A' && y <= L'Z') y = static_cast<wchar_t>(y - L'A' + L'a');
    if (x != y) return false;
  }
  return true;
}

// Splits the macro argument text at each ",": every piece is kept exactly as
// written; two commas in a row give an empty argument and a final comma adds
// nothing. There is no quoting.
std::vector<std::wstring> SplitMacroArguments(const wchar_t* text) {
  std::vector<std::wstring> pieces;
  if (text == nullptr) return pieces;
  std::wstring piece;
  for (const wchar_t* c = text; *c != L'\0'; ++c) {
    if (*c == L',') {
      pieces.push_back(std::move(piece));
      piece.clear();
    } else {
      piece += *c;
    }
  }
  if (!piece.empty()) pieces.push_back(std::move(piece));
  return pieces;
}

}  // namespace

int CExcelCom::SwitchToSheet(int option, int index, const wchar_t* name, int hasChart) {
  static const wchar_t kLabel[] = L"SwitchToSheet";
  if (IsLogEnabled()) {
    WriteLog(kLabel, L"activate Option  = " + std::to_wstring(option) + L" SheetIndex = " +
                         std::to_wstring(index) + L" ");
  }
  WriteLog(L"SwitchToSheet-SheetName", name);

  ClearAllArgs();
  if (option == 0) {
    // An index that does not fit 16 bits goes as a 32-bit number, so that it
    // is refused as out of range instead of wrapping onto another sheet.
    if (index >= std::numeric_limits<SHORT>::min() && index <= std::numeric_limits<SHORT>::max()) {
      AddArgumentInt2(nullptr, 0, index);
    } else {
      AddArgumentLong(nullptr, 0, index);
    }
  } else {
    AddArgumentOLEString(nullptr, 0, name != nullptr ? name : L"");
  }

  OwnedVariant sheet;
  if (m_workbook == nullptr ||
      !ExlInvoke(m_workbook, hasChart == 1 ? L"Sheets" : L"Worksheets", sheet.Out(),
                 DISPATCH_PROPERTYGET, kClearArgumentsAfterCall)) {
    ClearAllArgs();
    sheet.Reset();
    WriteLog(kLabel, L"Error in getting worksheet object");
    AddErrorMessageToResponse(kUnknownError);
    AddErrorCodeToResponse(L"EXCEL_QUV_GET_SWITCH_SHEET_100");
    WriteLog(kLabel, L"End");
    BuildResponseFromStatus(0);
    return 0;
  }

  std::wstring oldName;
  if (m_worksheet != nullptr) {
    oldName = OwnedVariant(GetName(m_worksheet)).Text();
    ReleaseMember(m_worksheet);
  }

  int result = 0;
  if (!sheet.HoldsDispatch()) {
    sheet.Reset();
    AddErrorCodeToResponse(option == 1 ? L"EXCEL_QUV_GET_SWITCH_SHEET_101"
                                       : L"EXCEL_QUV_GET_SWITCH_SHEET_102");
  } else {
    m_worksheet = sheet.TakeDispatch().Detach();  // the reference moves into the session
    m_singleRowCache.Reset();
    if (InvokeMethod(m_worksheet, L"Activate", DISPATCH_PROPERTYGET)) {
      OwnedVariant newName(GetName(m_worksheet));
      if (newName.Type() == VT_BSTR) m_currentSheetName = newName.Text();
      newName.Reset();
      if (!SameNameIgnoringCase(oldName, m_currentSheetName)) {
        PrepareColumnTitleMap(m_containHeader != 0);
      }
      WriteLog(kLabel, L"Work Sheet is activated");
    }
    result = 1;
  }
  WriteLog(kLabel, L"End");
  BuildResponseFromStatus(result);
  return result;
}

int CExcelCom::RunMacro(const wchar_t* macroName, const wchar_t* macroArguments) {
  static const wchar_t kLabel[] = L"RunMacro";
  WriteLog(kLabel, L"Run Macro ");
  WriteLog(kLabel, macroName);
  WriteLog(kLabel, macroArguments);

  std::vector<std::wstring> arguments = SplitMacroArguments(macroArguments);
  // The argument list holds the macro name and at most kMaxArguments - 1
  // macro arguments; more are refused rather than cut.
  if (arguments.size() > static_cast<size_t>(kMaxArguments - 1)) {
    const std::wstring message = L"RunMacro: too many macro arguments (" +
                                 std::to_wstring(arguments.size()) + L"), at most " +
                                 std::to_wstring(kMaxArguments - 1) + L" are allowed.";
    WriteLog(kLabel, message);
    AddErrorMessageToResponse(message.c_str());
    BuildResponseFromStatus(0);
    return 0;
  }

  OwnedVariant value(RunMacroMethod(m_application, macroName != nullptr ? macroName : L"",
                                   std::move(arguments)));
  const int result = value.IsEmpty() ? 0 : 1;
  BuildResponseFromStatus(result);
  return result;
}

int CExcelCom::RemoveFilterFromWorksheet() {
  static const wchar_t kLabel[] = L"RemoveFilterFromWorksheet";
  WriteLog(kLabel, L"Start");
  int result = 0;
  if (m_worksheet != nullptr) {
    ClearAllArgs();
    AddArgumentBool(nullptr, 0, 0);
    result = ExlInvoke(m_worksheet, L"AutoFilterMode", nullptr, DISPATCH_PROPERTYPUT,
                       kClearArgumentsAfterCall);
    if (!result) WriteLog(kLabel, L"Filter not found.");
    WriteLog(kLabel, L"End");
  }
  BuildResponseFromStatus(result);
  return result;
}
