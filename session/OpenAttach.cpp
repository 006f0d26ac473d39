// Connecting a session: "Open" starts a new application and opens a file in
// it; "Attach" finds a workbook already open in a running application through
// the Running Object Table. Both then take the named (or the active) sheet,
// activate it and build the column-title map.
//
// A session that is connected again first lets go of the application,
// workbook and sheet it held, so a failed second connection can never leave
// the session working on the previous workbook.
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

#include "bridge/CellAddressText.h"
#include "bridge/OwnedInterface.h"
#include "bridge/OwnedVariant.h"
#include "session/CExcelCom.h"
#include "support/Log.h"

namespace {

const wchar_t kErrorNoWorkbook[] = L"EXCEL_QUV_ATTACH_100";
const wchar_t kErrorNoSheet[] = L"EXCEL_QUV_ATTACH_101";

// Equal ignoring case, character by character.
bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

// ASCII letters lowered; everything else kept.
std::wstring LowerAscii(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

}  // namespace

// ---- Overridable connecting steps ------------------------------------------

std::wstring CExcelCom::GetMonikerDisplayName(IMoniker* moniker, IBindCtx* bindContext) {
  LPOLESTR name = nullptr;
  std::wstring displayName;
  if (moniker != nullptr && SUCCEEDED(moniker->GetDisplayName(bindContext, nullptr, &name)) &&
      name != nullptr) {
    displayName = name;
  }
  CoTaskMemFree(name);
  return displayName;
}

IUnknown* CExcelCom::GetTableUnknownObject(IRunningObjectTable* table, IMoniker* moniker) {
  IUnknown* object = nullptr;
  if (table == nullptr || FAILED(table->GetObject(moniker, &object))) return nullptr;
  return object;
}

IDispatch* CExcelCom::GetWorkBookObjectFromUnknown(IUnknown* unknown) {
  IDispatch* workbook = nullptr;
  if (unknown == nullptr ||
      FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&workbook)))) {
    return nullptr;
  }
  return workbook;
}

HRESULT CExcelCom::GetCLSIDFromProgID(CLSID* clsid) {
  return CLSIDFromProgID(L"Excel.Application", clsid);
}

IDispatch* CExcelCom::CreateApplicationInstance(const CLSID& clsid, HRESULT* result) {
  IDispatch* application = nullptr;
  const HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(&application));
  if (result != nullptr) *result = hr;
  return SUCCEEDED(hr) ? application : nullptr;
}

// ---- Helpers -----------------------------------------------------------------

int CExcelCom::InitOLE() {
  WriteLog(L"InitOLE", L"CoInitialize()");
  m_apartmentThread = std::this_thread::get_id();
  // A repeated initialisation on this thread answers S_FALSE: still success.
  return SUCCEEDED(CoInitialize(nullptr)) ? 1 : 0;
}

int CExcelCom::InitExcelEx() {
  static const wchar_t kLabel[] = L"InitExcel";
  WriteLog(kLabel, L"CreateInstance");
  ResetErrorData();
  try {
    CLSID clsid{};
    if (FAILED(GetCLSIDFromProgID(&clsid))) {
      WriteLog(kLabel, L"CLSIDFromProgID() failed ");
      return 0;
    }
    HRESULT created = S_OK;
    m_application = CreateApplicationInstance(clsid, &created);
    if (FAILED(created)) {
      WriteLog(kLabel, L"Excel not registered properly, unable to Create Instance ");
      return 0;
    }
  } catch (...) {
    WriteLog(kLabel, L"Eexception in InitExcelEx");
    return 0;
  }
  return m_application != nullptr ? 1 : 0;
}

int CExcelCom::ValidateExcelFile(const wchar_t* filePath) {
  if (filePath != nullptr && *filePath != L'\0') return 1;
  WriteLog(L"OpenExcel", L"Excel path is not provided");
  return 0;
}

std::wstring CExcelCom::GetUNCPath(const wchar_t* filePath) {
  std::wstring path = filePath != nullptr ? filePath : L"";
  DWORD size = 0;
  wchar_t probe[1] = {L'\0'};
  if (WNetGetUniversalNameW(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, probe, &size) !=
      ERROR_MORE_DATA) {
    return path;
  }
  // Room for the structure and its text, plus one more character.
  std::vector<unsigned char> buffer(static_cast<size_t>(size) + sizeof(wchar_t));
  if (WNetGetUniversalNameW(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size) ==
      NO_ERROR) {
    const auto* info = reinterpret_cast<const UNIVERSAL_NAME_INFOW*>(buffer.data());
    if (info->lpUniversalName != nullptr) {
      path = info->lpUniversalName;
      WriteLog(L"GetUNCPath:Resolved path ", path);
    }
  }
  return path;
}

std::wstring CExcelCom::GetWorkSheetNameFromPath(const std::wstring& path) {
  WriteLog(L"GetWorkSheetNameFromPath", path);
  size_t separator = path.rfind(L'\\');
  if (separator == std::wstring::npos) separator = path.rfind(L'/');
  std::wstring name =
      separator == std::wstring::npos ? std::wstring() : path.substr(separator + 1);
  WriteLog(L"GetWorkSheetNameFromPath-SheetName", name);
  return name;
}

int CExcelCom::IsWorkSheetFoundInURL(const std::wstring& path, const std::wstring& url) {
  WriteLog(L"IsWorkSheetFoundInURL", L"Check Worksheet Name in URL");
  std::wstring fromPath = GetWorkSheetNameFromPath(path);
  std::wstring fromUrl;
  if (!url.empty()) {
    std::vector<wchar_t> source(url.begin(), url.end());
    source.push_back(L'\0');
    std::vector<wchar_t> unescaped(url.size() + 1, L'\0');
    DWORD capacity = static_cast<DWORD>(unescaped.size());
    if (SUCCEEDED(UrlUnescapeW(source.data(), unescaped.data(), &capacity, 0))) {
      fromUrl = GetWorkSheetNameFromPath(unescaped.data());
    } else {
      fromUrl = GetWorkSheetNameFromPath(url);
    }
  } else {
    fromUrl = GetWorkSheetNameFromPath(url);
  }
  if (fromPath.empty() || fromUrl.empty()) return 0;
  return LowerAscii(UrlDecode(fromPath)) == LowerAscii(fromUrl) ? 1 : 0;
}

int CExcelCom::GetAllRunningExcelInstance(const wchar_t* filePath) {
  static const wchar_t kLabel[] = L"GetAllRunningExcelInstance";
  OwnedInterface<IRunningObjectTable> table;
  if (FAILED(GetRunningObjectTable(0, table.Out())) || !table) return 1;
  OwnedInterface<IEnumMoniker> running;
  if (FAILED(table->EnumRunning(running.Out())) || !running) return 1;
  const std::wstring target = GetUNCPath(filePath);

  OwnedInterface<IMoniker> moniker;
  ULONG fetched = 0;
  bool found = false;
  while (!found && running->Next(1, moniker.Out(), &fetched) == S_OK && moniker) {
    OwnedInterface<IBindCtx> bindContext;
    if (FAILED(CreateBindCtx(0, bindContext.Out()))) continue;
    const std::wstring displayName = GetMonikerDisplayName(moniker.Get(), bindContext.Get());
    WriteLog(kLabel, displayName);
    const bool matches =
        EqualIgnoringCase(target, displayName) ||
        (PathIsURLW(displayName.c_str()) && IsWorkSheetFoundInURL(target, displayName));
    if (!matches) continue;
    WriteLog(kLabel, L"workbook active object is found");
    ReleaseMember(m_workbook);
    OwnedInterface<IUnknown> object(GetTableUnknownObject(table.Get(), moniker.Get()));
    m_workbook = GetWorkBookObjectFromUnknown(object.Get());
    if (m_workbook == nullptr) continue;
    OwnedDispatch application = OwnedVariant(GetApplication(m_workbook)).TakeDispatch();
    if (application) {
      ReleaseMember(m_application);
      m_application = application.Detach();  // the reference moves into the session
      WriteLog(kLabel, L"Application object is found");
    } else {
      WriteLog(kLabel, L"Unalbe to get Running Application object");
    }
    found = true;
  }
  return 1;
}

void CExcelCom::ReleaseMember(IDispatch*& member) {
  OwnedDispatch released(std::exchange(member, nullptr));
}

void CExcelCom::ReleaseConnection() {
  ClearAllArgs();
  m_singleRowCache.Reset();  // a row walk belongs to the sheet it was read from
  m_findState.Reset();
  ReleaseMember(m_worksheet);
  ReleaseMember(m_workbook);
  ReleaseMember(m_application);
}

IDispatch* CExcelCom::LookUpSheet(const wchar_t* collection, const wchar_t* sheetName,
                                  const wchar_t* label) {
  OwnedVariant sheet;
  if (sheetName != nullptr && *sheetName != L'\0') {
    ClearAllArgs();
    AddArgumentOLEString(nullptr, 0, sheetName);
    ExlInvoke(m_workbook, collection, sheet.Out(), DISPATCH_PROPERTYGET, kClearArgumentsAfterCall);
  } else {
    WriteLog(label, L"Get Activate WorkSheet");
    sheet.Reset(InvokeGet(m_workbook, L"ActiveSheet"));
    if (sheet.IsEmpty()) WriteLog(label, L"Get Activate WorkSheet failed");
  }
  return sheet.TakeDispatch().Detach();
}

void CExcelCom::ActivateConnectedSheet(const wchar_t* label) {
  if (m_worksheet == nullptr) return;
  if (InvokeMethod(m_worksheet, L"Activate", DISPATCH_PROPERTYGET)) {
    WriteLog(label, L"Work Sheet is activated");
  }
}

int CExcelCom::FinishConnecting(const wchar_t* label, int result) {
  if (!result) {
    AddErrorCodeToResponse(m_workbook != nullptr && m_worksheet == nullptr ? kErrorNoSheet
                                                                          : kErrorNoWorkbook);
  }
  BuildResponseFromStatus(result);
  WriteLog(label, L"Completed");
  return result;
}

// ---- "Open" --------------------------------------------------------------------

int CExcelCom::OpenExcelEx(const wchar_t* filePath, const wchar_t* sheetName,
                           const wchar_t* /*openSecureValue*/, const wchar_t* /*editSecureValue*/,
                           int /*openMode*/, int containHeader, int /*addIns*/) {
  static const wchar_t kLabel[] = L"OpenExcelEx";
  WriteLog(kLabel, L"Connecting to Excel path ");
  WriteLog(L"OpenExcelEx-SheetName", sheetName);
  WriteLog(L"OpenExcelEx-ExcelPath", filePath);
  m_containHeader = containHeader;
  ReleaseConnection();

  if (!InitOLE() || !ValidateExcelFile(filePath)) return FinishConnecting(kLabel, 0);
  if (!InitExcelEx() || m_application == nullptr) return FinishConnecting(kLabel, 0);

  ClearAllArgs();
  OwnedVariant workbooks;
  if (!ExlInvoke(m_application, L"Workbooks", workbooks.Out(), DISPATCH_PROPERTYGET, 0) ||
      !workbooks.HoldsDispatch()) {
    WriteLog(kLabel, L"Woork books object is not found from application object");
    workbooks.Reset();
    return FinishConnecting(kLabel, 0);
  }

  ClearAllArgs();
  AddArgumentInt2(nullptr, 0, 1);
  if (!ExlInvoke(m_application, L"Visible", nullptr, DISPATCH_PROPERTYPUT,
                 kClearArgumentsAfterCall)) {
    WriteLog(kLabel, L"Error in Visible application");
  }
  ClearAllArgs();
  AddArgumentOLEString(L"Filename", 0, filePath);
  OwnedVariant workbook;
  if (!ExlInvoke(workbooks.Dispatch(), L"Open", workbook.Out(), DISPATCH_PROPERTYGET,
                 kClearArgumentsAfterCall)) {
    WriteLog(kLabel, L"Error in Open Workbook");
  }
  if (workbook.HoldsDispatch()) {
    m_workbook = workbook.TakeDispatch().Detach();  // the reference moves into the session
    m_worksheet = LookUpSheet(L"Worksheets", sheetName, kLabel);
  }
  workbook.Reset();
  ActivateConnectedSheet(kLabel);
  workbooks.Reset();

  int result = 0;
  if (m_workbook != nullptr && m_worksheet != nullptr) {
    PrepareColumnTitleMap(containHeader != 0);
    result = 1;
  }
  return FinishConnecting(kLabel, result);
}

// ---- "Attach" ------------------------------------------------------------------

int CExcelCom::OpenExcel(const wchar_t* filePath, const wchar_t* sheetName,
                         const wchar_t* /*openSecureValue*/, const wchar_t* /*editSecureValue*/,
                         int /*openMode*/, int containHeader, int /*addIns*/) {
  static const wchar_t kLabel[] = L"OpenExcel";
  WriteLog(kLabel, L"Connecting to Excel ");
  WriteLog(kLabel, filePath);
  WriteLog(kLabel, sheetName);
  m_containHeader = containHeader;
  m_currentSheetName = sheetName != nullptr ? sheetName : L"";
  ReleaseConnection();

  if (!InitOLE() || !ValidateExcelFile(filePath)) return FinishConnecting(kLabel, 0);
  GetAllRunningExcelInstance(filePath);
  if (m_application == nullptr) return FinishConnecting(kLabel, 0);

  if (m_workbook != nullptr) m_worksheet = LookUpSheet(L"Sheets", sheetName, kLabel);
  ActivateConnectedSheet(kLabel);

  int result = 0;
  if (m_workbook != nullptr && m_worksheet != nullptr) {
    PrepareColumnTitleMap(containHeader != 0);
    result = 1;
  }
  return FinishConnecting(kLabel, result);
}
